#pragma once
// Each mshtool command registers itself on the application; the chosen command's run
// function sets the exit code: 0 success, 1 a bad file or something lost, 2 wrong usage.

#include <CLI/CLI.hpp>

namespace mshtool {

enum ExitCode { exitOk = 0, exitBadFile = 1, exitUsage = 2 };

/// `mshtool info FILE... [--json]`
void addInfoCommand(CLI::App& app, int& exitCode);
/// `mshtool check FILE... [--bones BN] [--json]`
void addCheckCommand(CLI::App& app, int& exitCode);
/// `mshtool to-gltf MSH... [--bones BN] [--no-bones] -o OUT`
void addToGltfCommand(CLI::App& app, int& exitCode);
/// `mshtool from-gltf GLTF -o OUT.msh [--bones] [--mesh8] [--no-split] [--selected NAME...]`
void addFromGltfCommand(CLI::App& app, int& exitCode);
/// `mshtool convert MSH [--bones BN] [--no-bones] -o OUT.msh [--mesh8] [--export-bones]`
void addConvertCommand(CLI::App& app, int& exitCode);

} // namespace mshtool

#pragma once
// Each mshtool command registers itself on the application and returns the function that runs
// it once the command line is parsed. Exit codes: 0 success, 1 a bad file, a failed write or
// something lost, 2 wrong usage.

#include <CLI/CLI.hpp>

#include <functional>

namespace mshtool {

enum ExitCode { exitOk = 0, exitBadFile = 1, exitUsage = 2 };

struct Command {
    CLI::App* app;
    std::function<int()> run;
};

/// `mshtool info FILE... [--json]`
Command addInfoCommand(CLI::App& app);
/// `mshtool check FILE... [--bones BN | --no-bones] [--json]`
Command addCheckCommand(CLI::App& app);
/// `mshtool to-gltf MSH... [--bones BN | --no-bones] -o OUT [--force]`
Command addToGltfCommand(CLI::App& app);
/// `mshtool from-gltf GLTF -o OUT.msh [--export-bones] [--mesh8] [--no-split]
///  [--selected NAME...] [--force]`
Command addFromGltfCommand(CLI::App& app);
/// `mshtool convert MSH [--bones BN | --no-bones] -o OUT.msh [--mesh8] [--export-bones] [--force]`
Command addConvertCommand(CLI::App& app);

/// `mshtool --version`: the tool's version, and each plug-in library's description,
/// LibVersion and place. 1 when a library cannot be loaded.
int printVersion();

} // namespace mshtool

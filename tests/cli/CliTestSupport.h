#pragma once
// Running mshtool and reading what it wrote, for the end-to-end tests.

#include "format/MshFile.h"

#include <string>
#include <vector>

namespace clitest {

struct Run {
    int exitCode = -1;
    std::string out, err;
};

/// Runs mshtool with `args` (each quoted), stdout and stderr captured apart.
Run mshtool(const std::vector<std::string>& args);

/// Runs mshtool with `args` while `file` is written into the named pipe `fifo` (made here),
/// which `args` name as an input.
Run mshtoolReadingPipe(const std::string& file, const std::string& fifo,
                       const std::vector<std::string>& args);

/// Runs mshtool with stdout going to `stdoutPath` (e.g. /dev/full); stderr captured.
Run mshtoolWithStdout(const std::vector<std::string>& args, const std::string& stdoutPath);
/// Runs mshtool with stderr on a pseudo-terminal of 80 columns (captured, as the terminal
/// shows it: "\n" arrives as "\r\n") and stdout captured apart.
Run mshtoolOnTerminal(const std::vector<std::string>& args);

/// A new empty folder for one test.
std::string scratchFolder(const std::string& name);

/// The shipped-sample files made by make-sample into a fresh folder: hero.msh, hero.bn,
/// hero.BBX, hero_mesh8.msh and hero.png. Returns the folder.
std::string makeSample(const std::string& name);

/// Exit code and output of the Khronos validator on `path`, then of `assimp export` into an
/// OBJ file (0: no errors, no warnings, and assimp took it).
Run validate(const std::string& path);
/// The Khronos validator alone: assimp 5.2.5 does not decode percent-encoded URIs, so it cannot
/// open a .gltf whose .bin has a name that needs them.
Run validateWithKhronos(const std::string& path);

/// Every record of a legacy or Mesh8 file; fails the test when it cannot be read.
struct ModelFile {
    MshLayoutKind layout = MshLayoutLegacy;
    std::vector<LegacyRecord> legacy;
    std::vector<Mesh8Record> mesh8;
};
ModelFile readModel(const std::string& path);

std::string textOf(const char* field);
std::vector<unsigned char> bytesOf(const std::string& path);
std::string textOfFile(const std::string& path);
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);
/// The hidden staging folders and temporary files left in `folder`.
std::vector<std::string> leftovers(const std::string& folder);

} // namespace clitest

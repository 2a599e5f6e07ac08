// mshtool: inspects, validates and converts the game's model files.
#include "cli/Commands.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

int main(int argc, char** argv) {
    CLI::App app("mshtool: inspect, validate and convert MSH/BN model files", "mshtool");
    app.require_subcommand(1);
    int exitCode = mshtool::exitOk;
    mshtool::addInfoCommand(app, exitCode);
    mshtool::addCheckCommand(app, exitCode);
    mshtool::addToGltfCommand(app, exitCode);
    mshtool::addFromGltfCommand(app, exitCode);
    mshtool::addConvertCommand(app, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int shown = app.exit(e);
        return shown == 0 ? mshtool::exitOk : mshtool::exitUsage;
    }
#if defined(__SANITIZE_ADDRESS__)
    return exitCode; // the sanitizer build frees everything, so leaks still show
#else
    // The scene and whatever the command built go with the process: freeing them one by one
    // would take longer than the conversion's last steps.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(exitCode);
#endif
}

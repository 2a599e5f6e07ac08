// mshtool: inspects, validates and converts the game's model files.
#include "cli/BatchJobs.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>

#ifdef _WIN32
#include "format/TextField.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

using namespace mshtool;

std::string commandList(const std::map<std::string, Command>& commands) {
    std::string list;
    for (const auto& command : commands)
        list += (list.empty() ? "" : ", ") + command.first;
    return list + ", help";
}

bool isGlobalOption(const std::string& arg) {
    return arg == "-q" || arg == "--quiet" || arg == "--version" || arg == "-h" || arg == "--help";
}

// "mshtool help [COMMAND]" is "mshtool [COMMAND] --help"; a command that does not exist is
// answered with the list of those that do. False (with the exit code) when it was answered.
bool prepareArguments(std::vector<std::string>& args,
                      const std::map<std::string, Command>& commands, int& exitCode) {
    size_t at = 1;
    while (at < args.size() && isGlobalOption(args[at]))
        ++at;
    if (at == args.size())
        return true;
    if (args[at] == "help") {
        args.erase(args.begin() + long(at));
        if (at < args.size() && !commands.count(args[at])) {
            printMessage("mshtool help: unknown command \"" + args[at] +
                         "\"; the commands are: " + commandList(commands));
            exitCode = exitUsage;
            return false;
        }
        args.insert(args.begin() + long(std::min(at + 1, args.size())), "--help");
        return true;
    }
    if (!commands.count(args[at]) && args[at].rfind("-", 0) != 0) {
        printMessage("mshtool: unknown command \"" + args[at] +
                     "\"; the commands are: " + commandList(commands));
        exitCode = exitUsage;
        return false;
    }
    return true;
}

int run(std::vector<std::string> args) {
    prepareBatchWorkers(args);
    CLI::App app("mshtool: inspect, validate and convert MSH/BN/BBX model files", "mshtool");
    app.require_subcommand(0, 1);
    // -q and --version also after the command's own arguments.
    app.fallthrough();
    app.add_flag_callback(
        "-q,--quiet", [] { setQuiet(true); },
        "Print only results and errors: no progress, notes or warnings");
    bool version = false;
    app.add_flag("--version", version, "Show the version of mshtool and of its two plug-ins");
    app.footer("Run `mshtool help COMMAND` for a command's options and an example.");
    std::map<std::string, Command> commands;
    for (Command command : {addInfoCommand(app), addCheckCommand(app), addToGltfCommand(app),
                            addFromGltfCommand(app), addConvertCommand(app)})
        commands[command.app->get_name()] = command;
    app.add_subcommand("help", "Show the options of a command: mshtool help COMMAND");
    int exitCode = exitOk;
    if (!prepareArguments(args, commands, exitCode))
        return exitCode;
    std::vector<std::string> reversed(args.rbegin(), args.rend() - 1);
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? exitOk : exitUsage;
    }
    if (version)
        return printVersion();
    for (const auto& command : commands)
        if (command.second.app->parsed())
            return command.second.run();
    printMessage("mshtool: no command given; the commands are: " + commandList(commands));
    printMessage("mshtool: run `mshtool --help` for more");
    return exitUsage;
}

// A batch stopped by an interrupt has stopped its workers and removed what was staged; the
// process then ends as the interrupt would have ended it.
int runUntilInterrupted(const std::vector<std::string>& args) {
    try {
        return run(args);
    } catch (const BatchInterrupted& stop) {
        finishOutput(exitOk);
        endInterrupted(stop.signal);
    }
}

// The scene and whatever else the command built go with the process: freeing them one by
// one would take longer than the conversion's last steps. The sanitizer build frees
// everything, so that leaks still show.
int endProcess(int exitCode) {
#if defined(__SANITIZE_ADDRESS__)
    return exitCode;
#else
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(exitCode);
#endif
}

} // namespace

#ifdef _WIN32
// The wide command line, so that file names outside the ANSI code page arrive whole; mshtool
// works in UTF-8 inside and writes UTF-8, in binary mode, like its other builds.
int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(toUtf8(argv[i]));
    return endProcess(mshtool::finishOutput(runUntilInterrupted(args)));
}
#else
int main(int argc, char** argv) {
    return endProcess(
        mshtool::finishOutput(runUntilInterrupted(std::vector<std::string>(argv, argv + argc))));
}
#endif

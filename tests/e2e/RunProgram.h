#pragma once
// Runs a built program and captures what it prints, for end-to-end tests.

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

struct ProgramRun {
    int exitCode = -1;
    std::string out; ///< stdout
    std::string err; ///< stderr
};

inline std::string readWhole(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::array<char, 4096> buffer;
        size_t got;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0)
            text.append(buffer.data(), got);
        std::fclose(f);
    }
    return text;
}

/// Runs `command` through the shell with stdout and stderr captured in temporary files.
inline ProgramRun runProgram(const std::string& command) {
    std::string base = testing::TempDir() + "run-" + std::to_string(::getpid());
    std::string full = command + " >" + base + ".out 2>" + base + ".err";
    ProgramRun run;
    int status = std::system(full.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readWhole(base + ".out");
    run.err = readWhole(base + ".err");
    return run;
}

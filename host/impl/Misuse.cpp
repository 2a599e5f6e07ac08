// Host misuse reports: loud by default, collectable by tests and fuzzers.
#include "host/Misuse.h"
#include "host/embed/MemoryHost.h"

#include <cstdio>
#include <cstdlib>

namespace {
MisuseHandler& currentMisuseHandler() {
    static MisuseHandler handler;
    return handler;
}
} // namespace

void reportHostMisuse(const char* what) {
    MisuseHandler& handler = currentMisuseHandler();
    if (handler) {
        handler(what);
        return;
    }
    std::fprintf(stderr, "host misuse: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

void setMisuseHandler(MisuseHandler handler) {
    currentMisuseHandler() = std::move(handler);
}

MisuseHandler misuseHandler() {
    return currentMisuseHandler();
}

MisuseRecorder::MisuseRecorder() : previous(misuseHandler()) {
    setMisuseHandler([this](const std::string& what) { collected.push_back(what); });
}

MisuseRecorder::~MisuseRecorder() {
    setMisuseHandler(previous);
}

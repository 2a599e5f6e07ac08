// `mshtool --version`: what is running, and which plug-in libraries it drives.
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Platform.h"
#include "cli/PluginModules.h"

#include <cstdio>

namespace mshtool {
namespace {

std::string hexText(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", value);
    return text;
}

bool printModule(const char* role, const char* fileName) {
    try {
        PluginModule module(fileName);
        printResult(std::string(role) + ": " + module.description() + ", LibVersion " +
                    hexText(module.version()) + ", " + pathText(module.path()));
        return true;
    } catch (const std::exception& e) {
        printMessage(std::string("mshtool: ") + role + ": " + e.what());
        return false;
    }
}

} // namespace

int printVersion() {
    printResult("mshtool " MSHTOOL_VERSION);
    bool importer = printModule("importer", importModuleName);
    bool exporter = printModule("exporter", exportModuleName);
    return importer && exporter ? exitOk : exitBadFile;
}

} // namespace mshtool

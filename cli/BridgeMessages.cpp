#include "cli/BridgeMessages.h"

#include "cli/Console.h"

namespace mshtool {

bool printBridgeReport(const std::string& file, const mshgltf::BridgeReport& report) {
    for (const std::string& line : mshgltf::collapsedLines(report.warnings, report))
        printWarning("mshtool: " + file + ": warning: " + line);
    for (const std::string& line : mshgltf::collapsedLines(report.notKept, report))
        printWarning("mshtool: " + file + ": not kept: " + line);
    for (const std::string& line : mshgltf::collapsedLines(report.losses, report))
        printMessage("mshtool: " + file + ": lost: " + line);
    return !report.losses.empty();
}

std::string bridgeSummary(const std::string& file, const mshgltf::BridgeReport& report) {
    return file + ": " + mshgltf::summaryLine(report);
}

} // namespace mshtool

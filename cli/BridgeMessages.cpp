#include "cli/BridgeMessages.h"

#include "cli/Console.h"

namespace mshtool {

bool printBridgeReport(const std::string& file, const mshgltf::BridgeReport& report) {
    for (const std::string& line : mshgltf::collapsedLines(report.warnings, report))
        printWarning("mshtool: " + file + ": warning: " + line);
    for (const std::string& line : mshgltf::collapsedLines(report.losses, report))
        printMessage("mshtool: " + file + ": lost: " + line);
    return !report.losses.empty();
}

void printBridgeSummary(const std::string& file, const mshgltf::BridgeReport& report) {
    printNote(file + ": " + mshgltf::summaryLine(report));
}

} // namespace mshtool

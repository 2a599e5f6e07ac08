#include "cli/BridgeMessages.h"

#include <iostream>

namespace mshtool {

bool printBridgeReport(const std::string& file, const mshgltf::BridgeReport& report) {
    for (const std::string& line : mshgltf::collapsedLines(report.warnings, report))
        std::cerr << "mshtool: " << file << ": warning: " << line << "\n";
    for (const std::string& line : mshgltf::collapsedLines(report.losses, report))
        std::cerr << "mshtool: " << file << ": lost: " << line << "\n";
    return !report.losses.empty();
}

void printBridgeSummary(const std::string& file, const mshgltf::BridgeReport& report) {
    std::cout << file << ": " << mshgltf::summaryLine(report) << "\n";
}

} // namespace mshtool

// `mshtool check`: every error the readers detect and every layout invariant, with where.
#include "cli/Commands.h"
#include "cli/ModelCheck.h"
#include "cli/Terminal.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace mshtool {
namespace {

struct CheckOptions {
    std::vector<std::string> files;
    std::string bones;
    bool json = false;
};

nlohmann::json toJson(const CheckResult& result) {
    nlohmann::json problems = nlohmann::json::array();
    for (const CheckProblem& p : result.problems)
        problems.push_back({{"record", p.record},
                            {"name", p.recordName},
                            {"field", p.field},
                            {"offset", p.offset},
                            {"message", p.message}});
    return {{"file", result.file},
            {"layout", result.layout},
            {"objects", result.objectCount},
            {"ok", result.ok()},
            {"problems", problems}};
}

int runCheck(const CheckOptions& options) {
    std::set<std::string> boneNames;
    const std::set<std::string>* bones = nullptr;
    int result = exitOk;
    nlohmann::json all = nlohmann::json::array();
    if (!options.bones.empty()) {
        CheckProblem problem;
        if (!readBoneNames(options.bones, boneNames, problem)) {
            std::cerr << "mshtool check: --bones " << options.bones << ": " << problem.describe()
                      << "\n";
            return exitBadFile;
        }
        bones = &boneNames;
    }
    for (size_t i = 0; i < options.files.size(); ++i) {
        showProgress(i, options.files.size(), options.files[i]);
        CheckResult checked = checkModelFile(options.files[i], bones);
        if (!checked.ok())
            result = exitBadFile;
        if (options.json) {
            all.push_back(toJson(checked));
            continue;
        }
        if (checked.ok()) {
            std::cout << checked.file << ": ok (" << checked.layout << ", " << checked.objectCount
                      << (checked.objectCount == 1 ? " object)\n" : " objects)\n");
            continue;
        }
        std::cout << checked.file << ": " << checked.problems.size()
                  << (checked.problems.size() == 1 ? " problem\n" : " problems\n");
        for (const CheckProblem& p : checked.problems)
            std::cout << "  " << p.describe() << "\n";
    }
    if (options.json)
        std::cout << all.dump(2) << "\n";
    return result;
}

} // namespace

void addCheckCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* command = app.add_subcommand(
        "check", "Validate MSH and BN files: reader errors and layout invariants");
    command->footer("Exit status 0 when every file is sound, 1 otherwise.\n\n"
                    "Example:\n  mshtool check samples/hero.msh samples/hero_mesh8.msh "
                    "--bones samples/hero.bn");
    command->add_option("FILE", options->files, "MSH or BN files")->required();
    command->add_option("--bones", options->bones,
                        "BN file whose bone names the models' bones and parents must use");
    command->add_flag("--json", options->json,
                      "Print a JSON array: {file, layout, objects, ok, problems: [{record, "
                      "name, field, offset, message}]}");
    command->callback([options, &exitCode] { exitCode = runCheck(*options); });
}

} // namespace mshtool

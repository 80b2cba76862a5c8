#include "standin/scenario/scenario_loader.h"

#include <filesystem>

#include "standin/scenario/scenario_error.h"

namespace standin {

std::vector<SessionVessel*> load_vessels(const Scenario& scenario, Session& session,
                                         ModuleLoader& loader, OrbitalWorld& world) {
    std::vector<ScenarioProblem> problems;
    for (const auto& block : scenario.vessels) {
        try {
            loader.for_class(block.class_name);
        } catch (const ModuleLoadError& e) {
            // A module that is there but will not load is the modules
            // folder's problem, not the scenario's.
            std::error_code ec;
            const auto file = loader.modules_dir() / module_file_name(block.class_name);
            if (std::filesystem::is_regular_file(file, ec))
                throw ModuleLoadError(std::string("the module of class '") + block.class_name +
                                      "' in the modules folder: " + e.what());
            problems.push_back({scenario.file, block.line,
                                "unknown vessel class '" + block.class_name + "': " + e.what()});
        }
    }
    if (!problems.empty()) throw ScenarioError(problems);

    std::vector<SessionVessel*> vessels;
    for (const auto& block : scenario.vessels) {
        SessionVessel& v = session.create({block.name, block.class_name, 1, block.lines});
        vessels.push_back(&v);
        for (const auto& p : world.finish_loading(*v.record)) {
            const bool one_line = p.line < block.line_numbers.size();
            const int number = one_line ? block.line_numbers[p.line] : block.line;
            const std::string where = one_line ? "" : "vessel '" + block.name + "': ";
            problems.push_back({scenario.file, number, where + p.message});
        }
    }
    if (!problems.empty()) throw ScenarioError(problems);
    return vessels;
}

std::string write_scenario(Session& session, const OrbitalWorld& world) {
    std::vector<WrittenVessel> written;
    for (auto& v : session.vessels())
        written.push_back({v.record->name, v.record->class_name, session.save(v)});
    return format_scenario(world.sim_mjd(), world.sim_time(), written);
}

}  // namespace standin

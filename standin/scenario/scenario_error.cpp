#include "standin/scenario/scenario_error.h"

namespace standin {

namespace {

std::string joined(const std::vector<ScenarioProblem>& problems) {
    std::string out;
    for (const auto& p : problems) {
        if (!out.empty()) out += '\n';
        out += p.text();
    }
    return out;
}

}  // namespace

std::string ScenarioProblem::text() const {
    return line > 0 ? file + ":" + std::to_string(line) + ": " + message : file + ": " + message;
}

ScenarioError::ScenarioError(std::vector<ScenarioProblem> problems)
    : std::runtime_error(joined(problems)), problems_(std::move(problems)) {}

}  // namespace standin

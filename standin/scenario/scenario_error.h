// What is wrong with a scenario: one or more "file:line: message" texts.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace standin {

struct ScenarioProblem {
    std::string file;
    int line = 0;  // from 1; 0 when the problem is with the file as a whole
    std::string message;
    std::string text() const;
};

class ScenarioError : public std::runtime_error {
public:
    explicit ScenarioError(std::vector<ScenarioProblem> problems);
    const std::vector<ScenarioProblem>& problems() const { return problems_; }

private:
    std::vector<ScenarioProblem> problems_;
};

}  // namespace standin

#include "standin/run/pose_states.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace standin {

std::vector<AnimationStates> read_pose_states(std::istream& in, const std::string& name) {
    std::vector<AnimationStates> sets;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::string word;
        AnimationStates states;
        while (words >> word) {
            if (states.empty() && word[0] == '#') break;
            errno = 0;
            char* end = nullptr;
            const double v = std::strtod(word.c_str(), &end);
            if (*end != '\0' || errno != 0 || !std::isfinite(v)) {
                std::string message = name;
                message += ':';
                message += std::to_string(number);
                message += ": '";
                message += word;
                message += "' is not a finite number";
                throw std::runtime_error(message);
            }
            states.push_back(v);
        }
        if (!states.empty()) sets.push_back(std::move(states));
    }
    if (in.bad()) throw std::runtime_error(name + ": read error");
    return sets;
}

}  // namespace standin

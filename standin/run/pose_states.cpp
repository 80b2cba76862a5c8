#include "standin/run/pose_states.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace standin {

bool read_pose_line(std::istream& in, const std::string& name, int& number,
                    AnimationStates& states) {
    std::string line;
    while (std::getline(in, line)) {
        ++number;
        std::istringstream words(line);
        std::string word;
        states.clear();
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
        if (!states.empty()) return true;
    }
    if (in.bad()) throw std::runtime_error(name + ": read error");
    return false;
}

std::vector<AnimationStates> read_pose_states(std::istream& in, const std::string& name) {
    std::vector<AnimationStates> sets;
    AnimationStates states;
    int number = 0;
    while (read_pose_line(in, name, number, states)) sets.push_back(states);
    return sets;
}

}  // namespace standin

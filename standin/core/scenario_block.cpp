#include "standin/core/scenario_block.h"

namespace standin {

char* ScenarioBlock::next_line() {
    if (cursor_ >= lines_.size()) return nullptr;
    // A copy, so that whatever the reader does with the text cannot change
    // the block itself.
    current_ = lines_[cursor_++];
    return current_.data();
}

void ScenarioBlock::write(const char* key, const char* value) {
    std::string line = key != nullptr ? key : "";
    if (value != nullptr && *value != '\0') {
        line += ' ';
        line += value;
    }
    lines_.push_back(std::move(line));
}

void ScenarioBlock::mark_host_lines(std::size_t from) {
    host_.resize(lines_.size(), false);
    for (std::size_t i = from; i < lines_.size(); ++i) host_[i] = true;
}

std::vector<std::string> ScenarioBlock::own_lines() const {
    std::vector<std::string> own;
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (i >= host_.size() || !host_[i]) own.push_back(lines_[i]);
    return own;
}

}  // namespace standin

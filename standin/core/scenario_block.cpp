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

}  // namespace standin

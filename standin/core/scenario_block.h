// One vessel's block of scenario lines, as the host hands it to the vessel
// for reading and collects it from the vessel when writing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/types.h"

namespace standin {

class ScenarioBlock {
public:
    ScenarioBlock() = default;
    explicit ScenarioBlock(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    FILEHANDLE handle() { return reinterpret_cast<FILEHANDLE>(this); }
    static ScenarioBlock& from(FILEHANDLE h) { return *reinterpret_cast<ScenarioBlock*>(h); }

    // Reading: the next line in a buffer the reader may scan until the next
    // call, or null at the end of the block.
    char* next_line();
    void rewind() { cursor_ = 0; }
    // The index of the line handed out last, or npos before the first.
    std::size_t line_read() const { return cursor_ == 0 ? npos : cursor_ - 1; }
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Writing: one line made of the key, a blank and the value text.
    void write(const char* key, const char* value);

    const std::vector<std::string>& lines() const { return lines_; }
    // The lines from index `from` on are the host's own (its default state).
    void mark_host_lines(std::size_t from);
    // The lines the vessel wrote, without the host's.
    std::vector<std::string> own_lines() const;

private:
    std::vector<std::string> lines_;
    std::vector<bool> host_;  // by line; shorter: the rest are the vessel's
    std::size_t cursor_ = 0;
    std::string current_;
};

}  // namespace standin

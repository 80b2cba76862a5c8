// The module's single-byte Latin-1 text as UTF-8 for the terminal.
#pragma once

#include <string>

namespace standin {

std::string latin1_to_utf8(const std::string& bytes);

// Names from files and command lines: kept when they are valid UTF-8,
// read as Latin-1 otherwise, so that whatever comes out is valid UTF-8.
std::string name_to_utf8(const std::string& bytes);

}  // namespace standin

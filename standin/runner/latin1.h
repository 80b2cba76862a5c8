// The module's single-byte Latin-1 text as UTF-8 for the terminal.
#pragma once

#include <string>

namespace standin {

std::string latin1_to_utf8(const std::string& bytes);

}  // namespace standin

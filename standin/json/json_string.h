// Texts written as JSON strings: the one escaper of every JSON the project
// writes.
#pragma once

#include <string>
#include <string_view>

namespace standin {

// utf8 quoted: '"' and '\' escaped, \b \f \n \r \t by their short forms,
// other control characters as \u00XX; everything else as it is.
void append_json_string(std::string& out, std::string_view utf8);

}  // namespace standin

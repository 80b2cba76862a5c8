// Numbers and texts written as JSON, for the runner's JSON Lines outputs.
#pragma once

#include <string>
#include <string_view>

namespace standin {

// The shortest text that reads back as the same double; non-finite values
// as the strings "nan", "inf" and "-inf", which JSON has no numbers for.
std::string json_number(double v);
void append_json_number(std::string& out, double v);

// A quoted JSON string; the text is taken as Latin-1 and written as UTF-8.
std::string json_string(std::string_view s);

}  // namespace standin

// Numbers written as JSON, for the host's JSON outputs.
#pragma once

#include <string>

namespace standin {

// The shortest text that reads back as the same double; non-finite values
// as the strings "nan", "inf" and "-inf", which JSON has no numbers for.
std::string json_number(double v);
void append_json_number(std::string& out, double v);

}  // namespace standin

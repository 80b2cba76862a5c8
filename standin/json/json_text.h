// Numbers and texts written as JSON, for the runner's JSON Lines outputs.
#pragma once

#include <string>
#include <string_view>

#include "standin/json/json_number.h"

namespace standin {

// A quoted JSON string; the text is taken as Latin-1 and written as UTF-8.
std::string json_string(std::string_view s);

}  // namespace standin

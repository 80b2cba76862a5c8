// A longitude as an operator writes it: "102W", "75.5E".
#pragma once

#include <optional>
#include <string>

namespace standin {

// Degrees east in [0, 360) from a number of degrees (0 to 180) and a
// hemisphere letter E or W (either case). Nothing else is a longitude.
std::optional<double> parse_longitude(const std::string& text);

}  // namespace standin

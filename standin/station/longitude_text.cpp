#include "standin/station/longitude_text.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace standin {

std::optional<double> parse_longitude(const std::string& text) {
    if (text.size() < 2) return std::nullopt;
    const char hemisphere =
        static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
    if (hemisphere != 'E' && hemisphere != 'W') return std::nullopt;
    const std::string number = text.substr(0, text.size() - 1);
    // Digits and one point only: no sign, exponent, "inf" or "nan".
    int points = 0;
    for (char c : number) {
        if (c == '.')
            ++points;
        else if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    if (points > 1 || number == ".") return std::nullopt;
    const double deg = std::strtod(number.c_str(), nullptr);
    if (!(deg >= 0.0 && deg <= 180.0)) return std::nullopt;
    if (hemisphere == 'E') return deg == 180.0 ? 180.0 : deg;
    return deg == 0.0 ? 0.0 : 360.0 - deg;
}

}  // namespace standin

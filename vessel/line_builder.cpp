#include "vessel/line_builder.h"

#include <charconv>
#include <cstring>
#include <system_error>

namespace {

// Room for any double in fixed-point with up to four decimals: a sign, 309
// digits before the point, the point and the decimals.
constexpr std::size_t kLongestFixed = 1 + 309 + 1 + 4;

}  // namespace

LineBuilder::LineBuilder(char* buffer, std::size_t size) : buffer_(buffer), size_(size) {
    terminate();
}

void LineBuilder::append(const char* text, std::size_t count) {
    if (count > room()) count = room();
    std::memcpy(buffer_ + length_, text, count);
    length_ += count;
    terminate();
}

void LineBuilder::text(const char* piece) {
    append(piece, std::strlen(piece));
}

void LineBuilder::integer(std::int32_t value) {
    // By hand rather than with the integer to_chars, whose digit table is a
    // process-unique symbol that would keep the module from ever unloading.
    char digits[11];  // 2147483648
    std::size_t n = 0;
    std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) append("-", 1);
    while (n > 0) append(&digits[--n], 1);
}

void LineBuilder::fixed(double value, int decimals) {
    char* const end = buffer_ + length_;
    const auto direct = std::to_chars(end, end + room(), value, std::chars_format::fixed, decimals);
    if (direct.ec == std::errc()) {
        length_ = static_cast<std::size_t>(direct.ptr - buffer_);
        terminate();
        return;
    }
    // Too long for what is left: only a degenerate figure gets here. Keep
    // the part that fits.
    char whole[kLongestFixed + 8];
    const auto full =
        std::to_chars(whole, whole + sizeof whole, value, std::chars_format::fixed, decimals);
    if (full.ec == std::errc())
        append(whole, static_cast<std::size_t>(full.ptr - whole));
    else
        terminate();
}

bool LineBuilder::fixed_or_exponent(double value, int decimals, std::size_t limit) {
    if (limit > room()) limit = room();
    char* const end = buffer_ + length_;
    auto r = std::to_chars(end, end + limit, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc())
        r = std::to_chars(end, end + limit, value, std::chars_format::scientific);
    if (r.ec != std::errc()) {
        terminate();
        return false;
    }
    length_ = static_cast<std::size_t>(r.ptr - buffer_);
    terminate();
    return true;
}

#include "standin/json/json_out.h"

#include <charconv>
#include <cmath>

#include "standin/json/json_string.h"
#include "standin/json/latin1.h"

namespace standin {

namespace {

// Large enough that a write of the buffer costs little against filling it.
constexpr std::size_t kBufferBytes = std::size_t{1} << 20;
// Room for any one number or escape.
constexpr std::size_t kLongestToken = NumberMemo::kRoom;
// Whole doubles below this are exact as integers of up to 15 digits.
constexpr double kWholeLimit = 1e15;

}  // namespace

JsonOut::JsonOut(std::FILE* out) : out_(out), buffer_(kBufferBytes) {}

JsonOut::JsonOut(std::string& out) : text_(&out), buffer_(kLongestToken * 64) {}

bool JsonOut::put(const char* data, std::size_t n) {
    if (text_ != nullptr) {
        text_->append(data, n);
        return true;
    }
    return std::fwrite(data, 1, n, out_) == n;
}

JsonOut::~JsonOut() {
    flush();
}

bool JsonOut::flush() {
    if (used_ > 0 && !failed_) {
        if (!put(buffer_.data(), used_)) failed_ = true;
        written_ += used_;
    }
    used_ = 0;
    if (!failed_ && out_ != nullptr && std::fflush(out_) != 0) failed_ = true;
    return !failed_;
}

char* JsonOut::make_room(std::size_t n) {
    if (!failed_ && !put(buffer_.data(), used_)) failed_ = true;
    written_ += used_;
    used_ = 0;
    if (n > buffer_.size()) buffer_.resize(n);
    return buffer_.data();
}

JsonOut& JsonOut::number(double v) {
    if (std::isnan(v)) return raw("\"nan\"");
    if (std::isinf(v)) return raw(v > 0 ? "\"inf\"" : "\"-inf\"");
    char* p = reserve(kLongestToken);
    // Whole numbers (states at an end, levels at rest, masses) are common
    // and print faster as integers, as exactly; -0 goes the long way to
    // keep its sign.
    if (v == std::trunc(v) && std::fabs(v) < kWholeLimit && (v != 0.0 || !std::signbit(v))) {
        const auto whole = static_cast<long long>(v);
        used_ += static_cast<std::size_t>(std::to_chars(p, p + kLongestToken, whole).ptr - p);
        return *this;
    }
    used_ += static_cast<std::size_t>(std::to_chars(p, p + kLongestToken, v).ptr - p);
    return *this;
}

JsonOut& JsonOut::remember(double v, std::uint64_t bits, NumberMemo& memo) {
    reserve(NumberMemo::kRoom);  // no flush between here and the copy below
    const std::size_t start = used_;
    number(v);
    const std::size_t length = used_ - start;
    memo.bits = bits;
    memo.length = static_cast<std::uint8_t>(length);
    std::memcpy(memo.text, buffer_.data() + start, NumberMemo::kRoom);
    return *this;
}

JsonOut& JsonOut::integer(long long v) {
    char* p = reserve(kLongestToken);
    used_ += static_cast<std::size_t>(std::to_chars(p, p + kLongestToken, v).ptr - p);
    return *this;
}

JsonOut& JsonOut::vector(const VECTOR3& v) {
    raw('[').number(v.x).raw(',').number(v.y).raw(',').number(v.z);
    return raw(']');
}

JsonOut& JsonOut::string(std::string_view utf8) {
    scratch_.clear();
    append_json_string(scratch_, utf8);
    return raw(scratch_);
}

JsonOut& JsonOut::name(std::string_view utf8, bool comma) {
    if (comma) raw(',');
    return string(utf8).raw(':');
}

JsonOut& JsonOut::latin1(std::string_view bytes) {
    return string(latin1_to_utf8(std::string(bytes)));
}

}  // namespace standin

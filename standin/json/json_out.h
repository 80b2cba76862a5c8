// JSON text written through a large buffer straight into a file: numbers
// in the shortest form that reads back to the same double, non-finite
// numbers as the strings "nan", "inf" and "-inf", texts escaped.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "host/types.h"

namespace standin {

// The text a number was last written as, for a field that often keeps its
// value from one record to the next: written again, it is copied, not
// formatted.
struct NumberMemo {
    static constexpr std::size_t kRoom = 32;  // any one number
    std::uint64_t bits = 0;
    std::uint8_t length = 0;  // 0: nothing kept yet
    char text[kRoom] = {};
};

class JsonOut {
public:
    // out is not owned; nothing reaches it before flush() or a full buffer.
    explicit JsonOut(std::FILE* out);
    // Into a string instead, complete after flush() or destruction.
    explicit JsonOut(std::string& out);
    ~JsonOut();
    // After a flush: the file is closed elsewhere and is not touched again.
    void release() { out_ = nullptr; }
    JsonOut(const JsonOut&) = delete;
    JsonOut& operator=(const JsonOut&) = delete;

    JsonOut& raw(std::string_view text) {
        char* p = reserve(text.size());
        text.copy(p, text.size());
        used_ += text.size();
        return *this;
    }
    JsonOut& raw(char c) {
        *reserve(1) = c;
        ++used_;
        return *this;
    }
    JsonOut& number(double v);
    // As number(v), through memo, which remembers the last value written with it.
    JsonOut& number(double v, NumberMemo& memo) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        if (memo.length == 0 || memo.bits != bits) return remember(v, bits, memo);
        // The whole memo at once: a copy of fixed size costs less than one
        // of the text's length.
        std::memcpy(reserve(NumberMemo::kRoom), memo.text, NumberMemo::kRoom);
        used_ += memo.length;
        return *this;
    }
    JsonOut& vector(const VECTOR3& v, NumberMemo* memo3) {
        raw('[').number(v.x, memo3[0]).raw(',').number(v.y, memo3[1]).raw(',');
        return number(v.z, memo3[2]).raw(']');
    }
    JsonOut& integer(long long v);
    JsonOut& boolean(bool v) { return raw(v ? "true" : "false"); }
    JsonOut& vector(const VECTOR3& v);
    // UTF-8 text, quoted and escaped.
    JsonOut& string(std::string_view utf8);
    // "name": for a name that may need escaping, with a comma when asked.
    JsonOut& name(std::string_view utf8, bool comma = true);
    // Bytes of the module's character set (Latin-1), as UTF-8.
    JsonOut& latin1(std::string_view bytes);
    // "name": ahead of a value, with a comma when asked; name is written as
    // it is (a name of the format's own).
    JsonOut& key(std::string_view name, bool comma = true) {
        char* p = reserve(name.size() + 4);
        if (comma) *p++ = ',';
        *p++ = '"';
        p = p + name.copy(p, name.size());
        *p++ = '"';
        *p++ = ':';
        used_ = static_cast<std::size_t>(p - buffer_.data());
        return *this;
    }

    // Writes the buffer out; false when the file refused it.
    bool flush();
    bool failed() const { return failed_; }
    std::size_t bytes_written() const { return written_ + used_; }

private:
    // Room for n more bytes; the common case stays inline.
    char* reserve(std::size_t n) {
        if (used_ + n <= buffer_.size()) return buffer_.data() + used_;
        return make_room(n);
    }
    char* make_room(std::size_t n);
    JsonOut& remember(double v, std::uint64_t bits, NumberMemo& memo);

    bool put(const char* data, std::size_t n);

    std::FILE* out_ = nullptr;
    std::string* text_ = nullptr;
    std::vector<char> buffer_;
    std::string scratch_;  // an escaped text, kept: no allocation per string
    std::size_t used_ = 0;
    std::size_t written_ = 0;
    bool failed_ = false;
};

}  // namespace standin

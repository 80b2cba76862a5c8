// Composes one line of text in a caller's fixed buffer: text pieces and
// numbers appended in turn, cut at the buffer's end, never past it.
//
// Numbers are written the way the C library's "%d" and "%0.Nf" write them
// in the "C" locale (correctly rounded, a decimal point whatever locale the
// host process has chosen), with no heap and no I/O.
#pragma once

#include <cstddef>
#include <cstdint>

class LineBuilder {
public:
    // size counts the terminating zero; the text is kept zero-terminated.
    LineBuilder(char* buffer, std::size_t size);

    void text(const char* piece);
    void integer(std::int32_t value);
    // Fixed-point with `decimals` digits after the point ("%0.<decimals>f");
    // a number longer than the room left is cut like any other text.
    void fixed(double value, int decimals);
    // Fixed-point if it fits within `limit` characters from here, otherwise
    // the shortest exponent form that reads back as the same value. Answers
    // false if even that does not fit (nothing is then written).
    bool fixed_or_exponent(double value, int decimals, std::size_t limit);

    std::size_t length() const { return length_; }
    // Characters that may still be appended before the cut.
    std::size_t room() const { return size_ - 1 - length_; }

    // The longest shortest-exponent text of a double, "-2.2250738585072014e-308".
    static constexpr std::size_t kMaxExponentLength = 24;

private:
    void append(const char* text, std::size_t count);
    void terminate() { buffer_[length_] = '\0'; }

    char* buffer_;
    std::size_t size_;
    std::size_t length_ = 0;
};

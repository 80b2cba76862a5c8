// Reading and writing the numbers of scenario lines: the same texts as the
// C library's "%d", "%lf" and "%0.4f" give in the "C" locale, with the
// non-finite and out-of-range cases mended.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "vessel/line_builder.h"
#include "vessel/scenario_scan.h"

namespace {

// The C library's own reading, as the oracle for finite numbers.
struct Read {
    bool ok;
    double value;
    int used;
};
Read libc_double(const char* text) {
    Read r{false, 0.0, 0};
    r.ok = std::sscanf(text, "%lf%n", &r.value, &r.used) == 1;
    return r;
}

TEST(ScanDouble, AgreesWithTheCLibraryOnFiniteNumbers) {
    const char* texts[] = {
        "0",
        "0.2500",
        "1.0000",
        " \t0.45",
        "-0.5",
        "+0.5",
        ".5",
        "5.",
        "-.5e-3",
        "2.5E-3",
        "1e5",
        "1e+05",
        "00.5e-0001",
        "3.5.2",
        "1e",
        "1e+",
        "1e-x",
        "1.5e 5",
        "1ex",
        "12abc",
        "0x1p3",
        "0x1.8p1",
        "0X1P-1",
        "0x.8",
        "0x1p",
        "-0x10",
        "0",
        "-0",
        "-0.0000",
        "1e-310",
        "1e-400",
        "-1e-400",
        "4.9e-324",
        "2e-324",
        "1.7976931348623157e308",
        "123456789012345678901234567890",
        "0.1000000000000000055511151231257827",
        ".",
        "-",
        "+",
        "-.e1",
        "e5",
        "",
        "abc",
        "0x",
        "0xg",
        "\v\f\r\n7",
        "--5",
        "+-5",
    };
    for (const char* t : texts) {
        SCOPED_TRACE(std::string("\"") + t + "\"");
        const Read expected = libc_double(t);
        const char* cursor = t;
        double value = -99.0;
        const bool ok = scan_double(cursor, value);
        ASSERT_EQ(ok, expected.ok);
        if (ok) {
            EXPECT_EQ(std::memcmp(&value, &expected.value, sizeof value), 0)
                << value << " vs " << expected.value;
            EXPECT_EQ(cursor - t, expected.used);
        } else {
            EXPECT_EQ(cursor, t);
            EXPECT_EQ(value, -99.0);
        }
    }
}

TEST(ScanDouble, NonFiniteNumbersDoNotConvert) {
    for (const char* t : {"nan", "NAN", "-nan", "nan(123)", "inf", "-inf", "INF", "infinity",
                          "1e400", "-1e400", "1.8e308", "0x1p2000",
                          "1000000000000000000000000000000000000000000000000000000000000000000000"
                          "0000000000000000000000000000000000000000000000000000000000000000000000"
                          "0000000000000000000000000000000000000000000000000000000000000000000000"
                          "0000000000000000000000000000000000000000000000000000000000000000000000"
                          "0000000000000000000000000000000000000000000000000000000000000000000"}) {
        SCOPED_TRACE(t);
        const char* cursor = t;
        double value = 0.125;
        EXPECT_FALSE(scan_double(cursor, value));
        EXPECT_EQ(value, 0.125);
        EXPECT_EQ(cursor, t);
    }
}

TEST(ScanInt, AgreesWithTheCLibraryInsideTheRange) {
    for (const char* t : {"0", "3", "-1", "+5", "  7", "3.5", "007", "2147483647", "-2147483648",
                          "12x", "-0", "x", "-", "+", "", " - 5", "0000000000000000000000042"}) {
        SCOPED_TRACE(std::string("\"") + t + "\"");
        int expected = 0, used = 0;
        const bool expected_ok = std::sscanf(t, "%d%n", &expected, &used) == 1;
        const char* cursor = t;
        std::int32_t value = -99;
        ASSERT_EQ(scan_int(cursor, value), expected_ok);
        if (expected_ok) {
            EXPECT_EQ(value, expected);
            EXPECT_EQ(cursor - t, used);
        } else {
            EXPECT_EQ(value, -99);
        }
    }
}

TEST(ScanInt, NumbersOutsideTheRangeDoNotConvert) {
    for (const char* t : {"2147483648", "-2147483649", "99999999999999999999", "4294967296",
                          "-9223372036854775808", "18446744073709551616"}) {
        SCOPED_TRACE(t);
        const char* cursor = t;
        std::int32_t value = 3;
        EXPECT_FALSE(scan_int(cursor, value));
        EXPECT_EQ(value, 3);
        EXPECT_EQ(cursor, t);
    }
}

TEST(ScenarioKeys, FirstCharactersInEitherCase) {
    EXPECT_TRUE(starts_with_key("ANT 1", "ANT", 3));
    EXPECT_TRUE(starts_with_key("ant 1", "ANT", 3));
    EXPECT_TRUE(starts_with_key("AnTeNNA", "ANT", 3));
    EXPECT_TRUE(starts_with_key("SoLp", "SOLP", 4));
    EXPECT_TRUE(starts_with_key("lid", "LID", 3));
    EXPECT_FALSE(starts_with_key("AN", "ANT", 3));
    EXPECT_FALSE(starts_with_key("SOL", "SOLP", 4));
    EXPECT_FALSE(starts_with_key(" ANT", "ANT", 3));
    EXPECT_FALSE(starts_with_key("LIT", "LID", 3));
    // Only ASCII letters fold: a Latin-1 capital is not "i".
    EXPECT_FALSE(
        starts_with_key("L\xCD"
                        "D",
                        "LID", 3));
}

// ------------------------------------------------------------- writing

std::string libc_fixed(double v, int decimals) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%0.*f", decimals, v);
    return buf;
}

TEST(LineBuilder, FixedMatchesTheCLibraryByteForByte) {
    std::mt19937_64 rng(20181218);
    std::uniform_real_distribution<double> unit(-2.0, 2.0);
    std::uniform_int_distribution<int> power(-12, 40);
    const double fixed_cases[] = {
        0.0,   -0.0,   0.25, 0.99996,         0.99995, 0.00005, 0.00015, 0.125, 1765.7551060201117,
        2.675, -0.001, 1e21, 123456789.98765, 5e-324,  DBL_MAX, -DBL_MAX};
    auto check = [](double v) {
        for (int decimals : {2, 3, 4}) {
            char buf[400];
            LineBuilder line(buf, sizeof buf);
            line.fixed(v, decimals);
            EXPECT_EQ(std::string(buf, line.length()), libc_fixed(v, decimals)) << v;
        }
    };
    for (double v : fixed_cases) check(v);
    for (int i = 0; i < 3000; ++i) check(unit(rng) * std::pow(10.0, power(rng)));
}

TEST(LineBuilder, IntegersAndPiecesAreWrittenAsTheyStand) {
    char buf[64];
    LineBuilder line(buf, sizeof buf);
    line.integer(0);
    line.text(" ");
    line.integer(-2147483647 - 1);
    line.text(" ");
    line.integer(2147483647);
    line.text(" ");
    line.integer(-7);
    EXPECT_STREQ(buf, "0 -2147483648 2147483647 -7");
    EXPECT_EQ(line.length(), std::strlen(buf));
}

TEST(LineBuilder, CutsAtTheBufferAndStaysTerminated) {
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    LineBuilder line(buf, 12);
    line.text("Orbits ");
    line.fixed(123456.789, 3);
    EXPECT_EQ(line.length(), 11u);
    EXPECT_STREQ(buf, "Orbits 1234");
    EXPECT_EQ(buf[12], 'x') << "nothing past the buffer";
    line.text("more");
    EXPECT_EQ(line.length(), 11u);
    EXPECT_EQ(line.room(), 0u);
}

TEST(LineBuilder, ExponentFormWhenFixedDoesNotFitTheLimit) {
    char buf[256];
    LineBuilder line(buf, sizeof buf);
    EXPECT_TRUE(line.fixed_or_exponent(0.25, 4, 40));
    line.text(" ");
    EXPECT_TRUE(line.fixed_or_exponent(1e300, 4, 40));
    line.text(" ");
    EXPECT_TRUE(line.fixed_or_exponent(-DBL_MAX, 4, 40));
    line.text(" ");
    EXPECT_TRUE(line.fixed_or_exponent(DBL_MIN, 4, 40));
    EXPECT_STREQ(buf, "0.2500 1e+300 -1.7976931348623157e+308 0.0000");
    EXPECT_FALSE(line.fixed_or_exponent(-DBL_MAX, 4, 10));
}

}  // namespace

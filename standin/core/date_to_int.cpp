#include "standin/core/date_to_int.h"

#include <cstring>

namespace standin {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

int date_to_int(const char* date) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (date == nullptr || std::strlen(date) != 11 || date[3] != ' ' || date[6] != ' ') return 0;
    int month = 0;
    for (int m = 0; m < 12; ++m)
        if (std::strncmp(date, kMonths[m], 3) == 0) month = m + 1;
    if (month == 0) return 0;
    const char d1 = date[4] == ' ' ? '0' : date[4];
    if (!is_digit(d1) || !is_digit(date[5])) return 0;
    const int day = (d1 - '0') * 10 + (date[5] - '0');
    if (day < 1 || day > 31) return 0;
    int year = 0;
    for (int i = 7; i < 11; ++i) {
        if (!is_digit(date[i])) return 0;
        year = year * 10 + (date[i] - '0');
    }
    return year * 10000 + month * 100 + day;
}

}  // namespace standin

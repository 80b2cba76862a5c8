#include "standin/core/date_to_int.h"

#include <gtest/gtest.h>

namespace {

TEST(DateToInt, CompilerDatesBecomeYearMonthDay) {
    EXPECT_EQ(standin::date_to_int("Aug 28 2016"), 20160828);
    EXPECT_EQ(standin::date_to_int("Dec 18 2018"), 20181218);
    EXPECT_EQ(standin::date_to_int("Jan  1 2000"), 20000101);  // blank-padded day
    EXPECT_EQ(standin::date_to_int("Feb 09 1999"), 19990209);
}

TEST(DateToInt, AnythingElseIsZero) {
    for (const char* bad :
         {"", "Aug 28 16", "Aug 28 2016 ", "aug 28 2016", "Foo 28 2016", "Aug 32 2016",
          "Aug 00 2016", "Aug 2x 2016", "Aug-28-2016", "Aug 28 20l6"})
        EXPECT_EQ(standin::date_to_int(bad), 0) << '"' << bad << '"';
    EXPECT_EQ(standin::date_to_int(nullptr), 0);
}

}  // namespace

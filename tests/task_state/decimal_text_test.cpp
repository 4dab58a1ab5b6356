#include "task_state/decimal_text.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cmath>
#include <limits>
#include <string>

#include "tests/support/real_part.h"

namespace {

TEST(DecimalText, ReadsBackEveryValueItWrites) {
    const double values[] = {0.0,
                             -0.0,
                             0.3125,
                             1.0 / 3.0,
                             0.1,
                             1765400000.125,
                             -2.5e-7,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::min()};
    for (const double value : values) {
        const std::string text = decimal_text(value);
        double read = NAN;
        ASSERT_TRUE(read_decimal(text, read)) << text;
        EXPECT_EQ(read, value) << text;
        EXPECT_EQ(std::signbit(read), std::signbit(value)) << text;
    }
}

TEST(DecimalText, WritesTheShortestText) {
    EXPECT_EQ(decimal_text(0.3125), "0.3125");
    EXPECT_EQ(decimal_text(0.1), "0.1");
    EXPECT_EQ(decimal_text(61.5), "61.5");
    EXPECT_EQ(decimal_text(1e300), "1e+300");
}

TEST(DecimalText, RefusesWhatTheWriterNeverWrites) {
    const char* const refused[] = {"",      " 1",     "1 ",   "+1",    ".",   "-",
                                   "1e",    "1e+",    "0x10", "inf",   "nan", "1,5",
                                   "1e999", "-1e999", "1..2", "1.2.3", "e5",  "1.5e3x"};
    for (const char* text : refused) {
        double value = 7;
        EXPECT_FALSE(read_decimal(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 7) << '"' << text << '"';
    }
    double value = 0;
    EXPECT_TRUE(read_decimal(".5", value));
    EXPECT_EQ(value, 0.5);
    EXPECT_TRUE(read_decimal("-1.25E2", value));
    EXPECT_EQ(value, -125);
}

// Under the flush-to-zero that the BOINC library sets, a subnormal cannot be
// told from 0; it still reads as a number, never as a refusal.
TEST(DecimalText, ReadsTextBelowTheSmallestNormalAsANumberNoLargerThanIt) {
    for (const char* text : {"5e-324", "1e-999"}) {
        double value = 7;
        EXPECT_TRUE(read_decimal(text, value)) << text;
        EXPECT_LT(value, std::numeric_limits<double>::min()) << text;
        EXPECT_GE(value, 0) << text;
    }
}

// The companion takes the desktop's locale for its words and numbers; the
// state file must keep the C locale's point all the same.
TEST(DecimalText, KeepsThePointUnderALocaleWithADecimalComma) {
    const locale_t german = newlocale(LC_ALL_MASK, "de_DE.UTF-8", locale_t{});
    ZF_REQUIRE_REAL_PART(german != locale_t{},
                         "no de_DE.UTF-8 locale (scripts/setup.sh generates it)");
    const locale_t previous = uselocale(german);
    const std::string text = decimal_text(61.5);
    double value = 0;
    const bool read = read_decimal("61.5", value);
    uselocale(previous);
    freelocale(german);
    EXPECT_EQ(text, "61.5");
    EXPECT_TRUE(read);
    EXPECT_EQ(value, 61.5);
}

}  // namespace

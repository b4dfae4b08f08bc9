#include <gtest/gtest.h>

#include "text/numbers.h"

namespace vantora {
namespace {

int LeadingDecimal(std::string_view text) {
    return ParseDecimal(text, NumberSyntax::kLeading).value_or(0);
}

TEST(ParseDecimalTest, LeadingReadsTheDigitsAfterBlanksAndSignAndGivesZeroOtherwise) {
    EXPECT_EQ(LeadingDecimal("120"), 120);
    EXPECT_EQ(LeadingDecimal("  42ms"), 42);
    EXPECT_EQ(LeadingDecimal("\t+7"), 7);
    EXPECT_EQ(LeadingDecimal("-5"), -5);
    EXPECT_EQ(LeadingDecimal(""), 0);
    EXPECT_EQ(LeadingDecimal("abc"), 0);
    EXPECT_EQ(LeadingDecimal("-"), 0);
    EXPECT_FALSE(ParseDecimal("- 5", NumberSyntax::kLeading));
}

TEST(ParseDecimalTest, LeadingSaturatesToIntRange) {
    EXPECT_EQ(LeadingDecimal("99999999999999999999"), 2147483647);
    EXPECT_EQ(LeadingDecimal("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(LeadingDecimal("2147483648"), 2147483647);
    EXPECT_EQ(LeadingDecimal("-2147483648"), -2147483647 - 1);
}

TEST(ParseDecimalTest, WholeTakesOnlyAMinusAndDigitsWithinIntRange) {
    EXPECT_EQ(ParseDecimal("699", NumberSyntax::kWhole), 699);
    EXPECT_EQ(ParseDecimal("-2147483648", NumberSyntax::kWhole), -2147483647 - 1);
    EXPECT_EQ(ParseDecimal("2147483647", NumberSyntax::kWhole), 2147483647);
    for (const char* bad : {"", "-", "+5", " 5", "5 ", "5x", "2147483648", "-2147483649", "0x5"}) {
        EXPECT_FALSE(ParseDecimal(bad, NumberSyntax::kWhole)) << bad;
    }
}

TEST(ParseHexTest, LeadingReadsBlanksPrefixAndDigitsInEitherCase) {
    constexpr std::uint32_t kMax = 0x7FFFFFFF;
    EXPECT_EQ(ParseHex("1209", NumberSyntax::kLeading, kMax), 0x1209u);
    EXPECT_EQ(ParseHex("abcd", NumberSyntax::kLeading, kMax), 0xABCDu);
    EXPECT_EQ(ParseHex("ABCD", NumberSyntax::kLeading, kMax), 0xABCDu);
    EXPECT_EQ(ParseHex(" 0x1a2B", NumberSyntax::kLeading, kMax), 0x1A2Bu);
    EXPECT_EQ(ParseHex("12zz", NumberSyntax::kLeading, kMax), 0x12u);
    EXPECT_EQ(ParseHex("0x", NumberSyntax::kLeading, kMax), 0u);  // the zero before the x
    EXPECT_FALSE(ParseHex("", NumberSyntax::kLeading, kMax));
    EXPECT_FALSE(ParseHex("zz", NumberSyntax::kLeading, kMax));
    EXPECT_FALSE(ParseHex("123456789abcdef", NumberSyntax::kLeading, kMax));
    EXPECT_FALSE(ParseHex("80000000", NumberSyntax::kLeading, kMax));
    EXPECT_EQ(ParseHex("7fffffff", NumberSyntax::kLeading, kMax), kMax);
}

TEST(ParseHexTest, WholeRejectsBlanksAndTrailingTextAndKeepsTheLimit) {
    EXPECT_EQ(ParseHex("0xFFFF", NumberSyntax::kWhole, 0xFFFF), 0xFFFFu);
    EXPECT_EQ(ParseHex("0000ef01", NumberSyntax::kWhole, 0xFFFFFFFF), 0xEF01u);
    EXPECT_EQ(ParseHex("ffffffff", NumberSyntax::kWhole, 0xFFFFFFFF), 0xFFFFFFFFu);
    for (const char* bad : {"", "0x", "x12", " 12", "12 ", "12zz", "1:2", "10000", "-1"}) {
        EXPECT_FALSE(ParseHex(bad, NumberSyntax::kWhole, 0xFFFF)) << bad;
    }
}

}  // namespace
}  // namespace vantora

#include "platform/IntegerText.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct TIntegerCase {
  const char* Text;
  std::optional<std::int32_t> Expected;
};

void PrintTo(const TIntegerCase& C, std::ostream* Out) { *Out << '"' << C.Text << '"'; }


class ParseIntegerTest : public testing::TestWithParam<TIntegerCase> {};

TEST_P(ParseIntegerTest, ReadsAsTheIniObjectDoes) {
  EXPECT_EQ(ParseInteger(GetParam().Text), GetParam().Expected) << '"' << GetParam().Text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Decimal, ParseIntegerTest,
    testing::Values(TIntegerCase{"0", 0}, TIntegerCase{"2", 2}, TIntegerCase{"007", 7},
                    TIntegerCase{"+5", 5}, TIntegerCase{"-3", -3}, TIntegerCase{"   42", 42},
                    TIntegerCase{"  -0", 0}, TIntegerCase{"2147483647", 2147483647},
                    TIntegerCase{"-2147483648", INT32_MIN}, TIntegerCase{"0000000000002147483647", 2147483647},
                    TIntegerCase{"2147483648", std::nullopt}, TIntegerCase{"-2147483649", std::nullopt},
                    TIntegerCase{"99999999999999999999", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    Hexadecimal, ParseIntegerTest,
    testing::Values(TIntegerCase{"$10", 16}, TIntegerCase{"x1f", 31}, TIntegerCase{"X1F", 31},
                    TIntegerCase{"0x7fffffff", 2147483647}, TIntegerCase{"0XFFFFFFFF", -1},
                    TIntegerCase{"$80000000", INT32_MIN}, TIntegerCase{"-$10", -16}, TIntegerCase{"-0xFFFFFFFF", 1},
                    TIntegerCase{" +0x0000000010", 16}, TIntegerCase{"0x100000000", std::nullopt},
                    TIntegerCase{"0x", std::nullopt}, TIntegerCase{"$", std::nullopt}, TIntegerCase{"0xg", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    NotAnInteger, ParseIntegerTest,
    testing::Values(TIntegerCase{"", std::nullopt}, TIntegerCase{"abc", std::nullopt}, TIntegerCase{" ", std::nullopt},
                    TIntegerCase{"-", std::nullopt}, TIntegerCase{"+-1", std::nullopt}, TIntegerCase{"1 ", std::nullopt},
                    TIntegerCase{"\t1", std::nullopt}, TIntegerCase{"1.0", std::nullopt}, TIntegerCase{"- 1", std::nullopt},
                    TIntegerCase{"1e3", std::nullopt}, TIntegerCase{"0b1", std::nullopt}, TIntegerCase{"12abc", std::nullopt}));

TEST(IntegerText, WritesPlainDecimal) {
  EXPECT_EQ(IntegerText(3), "3");
  EXPECT_EQ(IntegerText(0), "0");
  EXPECT_EQ(IntegerText(-2), "-2");
  EXPECT_EQ(IntegerText(INT32_MIN), "-2147483648");
  EXPECT_EQ(IntegerText(INT32_MAX), "2147483647");
}

}  // namespace

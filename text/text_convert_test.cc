#include "text/text_convert.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace q836 {
namespace {

TEST(StripBlanks, RemovesBlanksEverywhereAndKeepsTwoByteCharacters) {
  EXPECT_EQ(StripBlanks(" a\x81\x40"
                        "b\tc "),
            "abc");
  EXPECT_EQ(StripBlanks("\x81\x40\x81\x40"), "");
  EXPECT_EQ(StripBlanks("\x83\x40"), "\x83\x40");  // second byte 0x40 is not a blank
  EXPECT_EQ(StripBlanks("a\x82"), "a\x82");        // a lone lead byte at the end stays
  EXPECT_EQ(StripBlanks("\x7f\xa0\xfe\xff"), "\x7f\xa0\xfe\xff");
  EXPECT_EQ(StripBlanks("\x82\x20"), "\x82\x20");  // a blank as trail byte stays
}

TEST(TextToBool, AcceptsExactlyTheTrueList) {
  struct Case {
    const char* text;
    bool expected;
  } cases[] = {
      {"true", true},
      {" t ", true},
      {"On", true},
      {"\x82\x50", true},
      {"\x81\x9b", true},
      {"\x90\x5e", true},
      {"\x90\xb3", true},
      {"TRU", true},
      {"1", true},
      {"TRUEX", false},
      {"yes", false},
      {"Y", false},
      {"2", false},
      {"", false},
      {"0", false},
      {"F", false},
      {"OFF", false},
      {"\x82\x73\x82\x71\x82\x74\x82\x64", false},  // TRUE in full-width letters
      {"\x82\x70", false},  // full-width Q: its trail byte 0x70 is no letter 'p'
  };
  for (const Case& c : cases) EXPECT_EQ(TextToBool(c.text), c.expected) << c.text;
  EXPECT_EQ(BoolToText(true), "1");
  EXPECT_EQ(BoolToText(false), "0");
}

TEST(TextToInt, ReadsDecimalAndHexadecimalForms) {
  struct Case {
    const char* text;
    int32_t expected;
  } cases[] = {
      {"  42", 42},
      {"42 ", 0},
      {"-17", -17},
      {"$1F", 31},
      {"x1f", 31},
      {"0X1F", 31},
      {"-$10", 16},
      {"$FFFFFFFF", -1},
      {"$100000000", 0},
      {"2147483648", 0},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
      {"2147483647", 2147483647},
      {"+", 0},
      {"$", 0},
      {"007", 7},
      {"1.0", 0},
      {"", 0},
      {"\t5", 0},
      {"+5", 5},
      {"00000000001", 1},
      {"99999999999999999999", 0},
      {"0x", 0},
      {"--1", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(TextToInt(c.text), c.expected) << c.text;
}

TEST(TextToFloat, FollowsTheStrictGrammarAndTellsNumbersFromOtherText) {
  struct Case {
    const char* text;
    double expected;
    bool number;  // read as a number, not taken for 0.0 as none
  } cases[] = {
      {"  3.5", 3.5, true},
      {"3.5 ", 0.0, false},
      {"-.5", -0.5, true},
      {"5.", 5.0, true},
      {"1E3", 1000.0, true},
      {"1e+3", 1000.0, true},
      {"1E", 0.0, false},
      {".", 0.0, false},
      {"1,5", 0.0, false},
      {"1e-400", 0.0, true},
      {"12abc", 0.0, false},
      {"0x10", 0.0, false},
      {"", 0.0, false},
      {"+2.25", 2.25, true},
      {"inf", 0.0, false},
      {"nan", 0.0, false},
      {"1e-3", 0.001, true},
      {"-0", 0.0, true},
      {"-0.000", 0.0, true},
      {"+.", 0.0, false},
      {"1.2.3", 0.0, false},
      {"0000000000000001.5", 1.5, true},  // beyond 15 digits, still exact
      {"999999999999999", 999999999999999.0, true},
      {"e5", 0.0, false},
      {"1.5e", 0.0, false},
      {"0e99999999999999999999", 0.0, true},
      {"1.7976931348623158e308", std::numeric_limits<double>::max(), true},
      {"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min(), true},
      {"072869817e19", 7.2869817e26, true},  // one multiplication, rounded once
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToFloat(c.text), c.expected) << c.text;
    EXPECT_FALSE(std::signbit(TextToFloat(c.text)) && c.expected == 0) << "a negative zero";
    EXPECT_EQ(IsDecimalText(c.text), c.number) << c.text;
  }
  EXPECT_FALSE(IsDecimalText("０．５"));  // full-width digits are no number
}

TEST(TextToFloat, FailsOnlyBeyondTheLargestDouble) {
  for (const char* text : {"1e400", "-1e400", "1.7976931348623159e308", "1e99999999999999999999",
                           "100000000000000000000000000000000000000000000000000000000000000000"
                           "000000000000000000000000000000000000000000000000000000000000000000"
                           "000000000000000000000000000000000000000000000000000000000000000000"
                           "000000000000000000000000000000000000000000000000000000000000000000"
                           "000000000000000000000000000000000000000000000000000000000000000000"}) {
    EXPECT_THROW(TextToFloat(text), FloatOverflowError) << text;
  }
  try {
    TextToFloat("1e400");
  } catch (const FloatOverflowError& e) {
    EXPECT_STREQ(e.what(), "浮動小数点数のオーバーフロー");
  }
  EXPECT_EQ(TextToFloat("0.0000000000000000000000000000001e-300"), 0.0);
}

TEST(PointDistance, IsEuclidean) {
  EXPECT_EQ(PointDistance(0, 0, 3, 4), 5.0);
  EXPECT_EQ(PointDistance(1, 1, 1, 1), 0.0);
  // No overflow in between: the extended value holds distances beyond a double.
  EXPECT_TRUE(std::isinf(PointDistance(-1e308, 0, 1e308, 0)));
  EXPECT_FALSE(std::isinf(PointDistanceExtended(-1e308, 0, 1e308, 0)));
}

// Lines whose extended-precision length lies close to a midpoint between two
// doubles, where rounding it twice gives the wrong neighbour; and lengths at
// the ends of the range. Each result is the correctly rounded exact length.
TEST(PointDistance, IsTheExactLengthCorrectlyRounded) {
  const struct {
    double x1, y1, x2, y2, length;
  } cases[] = {
      {-5.0121206700107255, -81.5026439556763, 882.5284985025708, -2.512080780926077,
       891.048741513007},
      {0.0012613300132281614, -6959939.583388002, -1972763.2290582086, 0.008864115574624102,
       7234124.265638472},
      {-8298785.028051341, 1334760245.860014, 4311317362.419289, 1509813.0813738697,
       4520690254.573104},
      {-0.00022277640220475382, 332065.8636947182, -958701.0091257595, 0.000530762483588314,
       1014581.3727594354},
      {0, 0, 4.9406564584124654e-324, 0, 4.9406564584124654e-324},  // subnormal
      {0, 0, 3e-324, 4e-324, 4.9406564584124654e-324},
      {1, 0, 1, 1e-300, 1e-300},
      {0, 0, 1.7976931348623157e308, 0, 1.7976931348623157e308},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PointDistance(c.x1, c.y1, c.x2, c.y2), c.length) << c.x2;
  }
}

TEST(TextToFloat, FastPathIsCorrectlyRounded) {
  std::mt19937_64 random(22);
  std::uniform_int_distribution<int> length(1, 20), exponent(-30, 30), point(0, 21);
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    const int n = length(random);
    for (int k = 0; k < n; ++k) text += static_cast<char>('0' + random() % 10);
    const int at = point(random);
    if (at < n) text.insert(static_cast<size_t>(at), ".");
    if (random() % 2) text += "e" + std::to_string(exponent(random));
    // The reference reads the same number with 20 more zero digits: too many
    // for any library's floating-point shortcut, which on a 32-bit x87
    // runtime rounds twice (72869817e19 came out one unit low there).
    const size_t e = text.find('e');
    std::string padded = text.substr(0, e);
    if (padded.find('.') == std::string::npos) padded += '.';
    padded += "00000000000000000000";
    if (e != std::string::npos) padded += text.substr(e);
    double expected = 0;
    std::from_chars(padded.data(), padded.data() + padded.size(), expected);
    ASSERT_EQ(TextToFloat(text), expected) << text;
    ASSERT_EQ(TextToFloat("-" + text), -expected) << text;
  }
}

}  // namespace
}  // namespace q836

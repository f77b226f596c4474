#include "text/sjis.h"

#include <gtest/gtest.h>

#include <string>

namespace q836 {
namespace {

TEST(WholeCharPrefix, CutsBeforeALeadByteThatWouldEndThePrefix) {
  const std::string ascii(300, 'a');
  EXPECT_EQ(WholeCharPrefix(ascii, 255), 255u);
  // 254 ASCII bytes, then a two-byte character across the limit.
  const std::string across = std::string(254, 'a') + "\x82\xa0" + "bbb";
  EXPECT_EQ(WholeCharPrefix(across, 255), 254u);
  // Two-byte characters only: 127 pairs fit in 254 bytes, the 128th would not.
  std::string pairs;
  for (int i = 0; i < 150; ++i) pairs += "\x82\xa0";
  EXPECT_EQ(WholeCharPrefix(pairs, 255), 254u);
  // A trail byte in the lead-byte range is never taken for a lead byte:
  // 0x83 0x81 pairs put a 0x81 (lead range) at odd positions.
  std::string trails = "a";
  for (int i = 0; i < 150; ++i) trails += "\x83\x81";
  EXPECT_EQ(WholeCharPrefix(trails, 255), 255u);
  EXPECT_EQ(WholeCharPrefix("short", 255), 5u);
}

TEST(FindOnCharBoundary, SkipsMatchesInsideTwoByteCharacters) {
  // 0x82 'h' 'p' : the "hp" after the lead byte 0x82 starts on its trail byte.
  EXPECT_EQ(FindOnCharBoundary("\x82hpx", "hp"), std::string_view::npos);
  EXPECT_EQ(FindOnCharBoundary("\x82hphp", "hp"), 3u);
  EXPECT_EQ(FindOnCharBoundary("ab-cd-", "-"), 2u);
  EXPECT_EQ(FindOnCharBoundary("abc", "abcd"), std::string_view::npos);
}

}  // namespace
}  // namespace q836

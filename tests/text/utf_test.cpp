#include "platform/text/utf.h"

#include <gtest/gtest.h>

namespace velmora::text {
namespace {

TEST(Utf, RoundTripsTextOutsideTheBasicPlane) {
  const std::string s = "Søren \xF0\x9F\x98\x80 O'Neil";  // includes U+1F600
  const std::u16string wide = Utf8ToUtf16(s);
  EXPECT_EQ(wide.size(), 15u);
  EXPECT_EQ(wide[6], 0xD83D);
  EXPECT_EQ(wide[7], 0xDE00);
  EXPECT_EQ(Utf16ToUtf8(wide), s);
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\uFFFD");             // truncated sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");     // overlong slash
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Utf, PrefixesNeverSplitACharacter) {
  EXPECT_EQ(Utf8PrefixAtBoundary("abc", 5), 3u);
  EXPECT_EQ(Utf8PrefixAtBoundary("a\xC3\xB8", 2), 1u);
  EXPECT_EQ(Utf8PrefixAtBoundary("a\xC3\xB8", 3), 3u);
  const std::u16string pair = u"x\U0001F600";
  EXPECT_EQ(Utf16PrefixAtBoundary(pair, 2), 1u);
  EXPECT_EQ(Utf16PrefixAtBoundary(pair, 3), 3u);
}

}  // namespace
}  // namespace velmora::text

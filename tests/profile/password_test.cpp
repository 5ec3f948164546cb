#include "profile/password.h"

#include <gtest/gtest.h>

namespace velmora::profile {
namespace {

TEST(Password, ScramblesEachLetterByItsPosition) {
  struct Case {
    const char* plain;
    const char* scrambled;
  };
  const Case cases[] = {
      {"", ""},
      {"aaa", "bcd"},
      {"AAA", "BCD"},
      {"zZ", "aB"},  // wraps within its case
      {"xyz", "yac"},
      {"a1-b", "b1-f"},  // digits and punctuation keep their place in the count
      {"QRT482", "RTW482"},
      {"p@ss w0rd", "q@vw c0zm"},
      // k = (i + 1) mod 27: position 25 moves 26 places (unchanged), position 26 not at all,
      // position 27 one place again.
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
       "bcdefghijklmnopqrstuvwxyzaab"
       "c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScramblePassword(c.plain), c.scrambled) << c.plain;
    EXPECT_EQ(UnscramblePassword(c.scrambled), c.plain) << c.scrambled;
  }
}

TEST(Password, PositionFiftyThreeIsUnchangedToo) {
  const std::string plain(60, 'm');
  const std::string scrambled = ScramblePassword(plain);
  EXPECT_EQ(scrambled[25], 'm');
  EXPECT_EQ(scrambled[26], 'm');
  EXPECT_EQ(scrambled[52], 'm');
  EXPECT_EQ(scrambled[53], 'm');
  EXPECT_EQ(scrambled[54], 'n');
  EXPECT_EQ(UnscramblePassword(scrambled), plain);
}

TEST(Password, CharactersBeyondLatinOneSurviveTheRoundTrip) {
  // Letters outside a–z, A–Z are never shifted, and count as one position each.
  EXPECT_EQ(ScramblePassword("éa"), "éc");
  EXPECT_EQ(ScramblePassword("Łódź"), "Łógź");  // only d is a–z
  EXPECT_EQ(ScramblePassword("€a"), "€c");
  EXPECT_EQ(UnscramblePassword(ScramblePassword("Łódź7Q€")), "Łódź7Q€");
}

}  // namespace
}  // namespace velmora::profile

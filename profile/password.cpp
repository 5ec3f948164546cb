#include "profile/password.h"

#include "platform/text/utf.h"

namespace velmora::profile {
namespace {

char16_t ShiftWithin(char16_t c, char16_t first, int shift) {
  return static_cast<char16_t>(first + (c - first + shift + 26) % 26);
}

// Shifts each letter by +k (or -k) for its position. Characters above U+00FF are kept whole:
// reducing them to their low byte would turn a character such as U+0141 into a letter and
// store a password that can never be given back.
std::string Shift(std::string_view text, int direction) {
  std::u16string units = text::Utf8ToUtf16(text);
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t c = units[i];
    const int shift = direction * static_cast<int>((i + 1) % 27);
    if (c >= u'a' && c <= u'z') {
      units[i] = ShiftWithin(c, u'a', shift);
    } else if (c >= u'A' && c <= u'Z') {
      units[i] = ShiftWithin(c, u'A', shift);
    }
  }
  return text::Utf16ToUtf8(units);
}

}  // namespace

std::string ScramblePassword(std::string_view plain) {
  return Shift(plain, +1);
}
std::string UnscramblePassword(std::string_view scrambled) {
  return Shift(scrambled, -1);
}

}  // namespace velmora::profile

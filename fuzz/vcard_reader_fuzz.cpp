// Fuzz target: any bytes as vCard text; whatever reads must write and read back to the same
// cards, and write the same text again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "handheld/vcard/vcard_reader.h"
#include "handheld/vcard/vcard_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace vcard = velmora::handheld::vcard;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string why;
  const auto cards = vcard::ReadCards(bytes, &why);
  if (!cards) {
    if (why.empty()) std::abort();
    return 0;
  }
  const std::string text = vcard::WriteCards(*cards);
  const auto again = vcard::ReadCards(text, &why);
  if (!again || *again != *cards || vcard::WriteCards(*again) != text) std::abort();
  return 0;
}

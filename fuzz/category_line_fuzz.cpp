// Fuzz target: any bytes as a category list file; whatever parses must encode and parse again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "transfer/category_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace transfer = velmora::transfer;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::optional<transfer::CategoryLine> line = transfer::ParseCategoryLine(bytes);
  if (!line) return 0;
  std::optional<transfer::CategoryLine> again =
      transfer::ParseCategoryLine(transfer::EncodeCategoryLine(*line));
  if (!again || again->number != line->number) std::abort();
  return 0;
}

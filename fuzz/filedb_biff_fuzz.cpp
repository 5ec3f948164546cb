// Feeds arbitrary bytes to the reader of numeric worksheet cells as an .xls file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/filedb/biff_numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velmora::filedb::ReadSheetNumbersFromBytes(
      std::string_view(reinterpret_cast<const char*>(data), size), "Sheet1");
  return 0;
}

// Feeds arbitrary bytes to the reader of numeric worksheet cells as an .xls file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/filedb/biff_numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // "Contacts" is a sheet of the seed workbook; "Sheet1" is the name a new workbook gets.
  for (const char* sheet : {"Contacts", "Sheet1"}) {
    velmora::filedb::ReadSheetNumbersFromBytes(bytes, sheet);
  }
  return 0;
}

// Feeds arbitrary bytes to the dBase reader as the content of one .dbf file; the first byte
// chooses whether a .cpg file declaring UTF-8 comes with it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/filedb/dbf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string problem;
  velmora::filedb::ReadDbf(bytes, (data[0] & 1) ? "UTF-8" : "", "fuzz", &problem);
  return 0;
}

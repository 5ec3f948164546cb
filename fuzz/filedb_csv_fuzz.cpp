// Feeds arbitrary bytes to the CSV reader as the content of one .csv file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/filedb/csv_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string problem;
  velmora::filedb::ParseCsv(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.csv",
                            &problem);
  return 0;
}

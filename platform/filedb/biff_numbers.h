// The numeric cells (NUMBER, RK, MULRK and numeric FORMULA results) of one worksheet of an
// Excel 97-2003 file, read straight from its compound-file container. Used by the workbook
// reader only to recover the serial numbers of date cells; every read is bounds-checked, and
// a file it cannot follow yields no numbers rather than wrong ones.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::filedb {

struct BiffNumber {
  unsigned int row = 0;
  unsigned short column = 0;
  double value = 0;
};

// The sheet is found by its name (UTF-8) among the workbook's sheets.
std::vector<BiffNumber> ReadSheetNumbers(const std::filesystem::path& file,
                                         const std::string& sheet_name);

std::vector<BiffNumber> ReadSheetNumbersFromBytes(std::string_view file_bytes,
                                                  const std::string& sheet_name);

}  // namespace velmora::filedb

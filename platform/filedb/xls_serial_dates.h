// Date cells of a workbook from their serial day numbers. FreeXL turns a date cell into text
// but gives 1900-01-01 for every date before 1900 (which spreadsheet programs store as
// serials below 1); this reads the serials of one sheet so such dates come out right.
// Used by the workbook reader only; when the serials cannot be read FreeXL's text is kept.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <utility>

namespace velmora::filedb {

class SerialDates {
 public:
  static SerialDates ForSheet(const std::filesystem::path& file, const std::string& sheet_name,
                              bool mode_1904);

  // "YYYY-MM-DD" / "YYYY-MM-DD HH:MM:SS" of the cell; `freexl_text` when its serial is unknown.
  std::string DateText(unsigned int row, unsigned short column, const char* freexl_text) const;
  std::string DateTimeText(unsigned int row, unsigned short column, const char* freexl_text) const;

  // The civil date and time of a serial day number (fractions are the time of day). In the
  // 1900 system serial 1 is 1900-01-01 and serial 60 the 29 February 1900 that never was;
  // from 61 on and below 1 serials count from 1899-12-30. In the 1904 system 0 is 1904-01-01.
  static std::string SerialText(double serial, bool mode_1904, bool with_time);

  void Set(unsigned int row, unsigned short column, double serial) {
    serials_[{row, column}] = serial;
  }

 private:
  std::map<std::pair<unsigned int, unsigned short>, double> serials_;
  bool mode_1904_ = false;
};

}  // namespace velmora::filedb

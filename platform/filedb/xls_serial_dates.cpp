#include "platform/filedb/xls_serial_dates.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "platform/filedb/biff_numbers.h"

namespace velmora::filedb {
namespace {

constexpr double kSecondsPerDay = 86400.0;

std::chrono::sys_days Epoch(bool mode_1904, long days) {
  using namespace std::chrono;
  if (mode_1904) return sys_days(year{1904} / January / 1);
  // Serials 1 to 59 count from 1899-12-31 (the 1900 system's phantom 29 February sits at 60).
  if (days >= 1 && days < 60) return sys_days(year{1899} / December / 31);
  return sys_days(year{1899} / December / 30);
}

}  // namespace

SerialDates SerialDates::ForSheet(const std::filesystem::path& file, const std::string& sheet_name,
                                  bool mode_1904) {
  SerialDates dates;
  dates.mode_1904_ = mode_1904;
  for (const BiffNumber& number : ReadSheetNumbers(file, sheet_name)) {
    dates.Set(number.row, number.column, number.value);
  }
  return dates;
}

std::string SerialDates::SerialText(double serial, bool mode_1904, bool with_time) {
  using namespace std::chrono;
  long days = static_cast<long>(std::floor(serial));
  long seconds = std::lround((serial - static_cast<double>(days)) * kSecondsPerDay);
  if (seconds >= 86400) ++days, seconds -= 86400;
  if (!mode_1904 && days == 60) days = 59;  // the day that never was shows as 28 February
  const year_month_day date{Epoch(mode_1904, days) + std::chrono::days{days}};
  char text[64];
  if (with_time) {
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld:%02ld", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", int(date.year()), unsigned(date.month()),
                  unsigned(date.day()));
  }
  return text;
}

std::string SerialDates::DateText(unsigned int row, unsigned short column,
                                  const char* freexl_text) const {
  const auto found = serials_.find({row, column});
  if (found == serials_.end()) return freexl_text ? freexl_text : "";
  return SerialText(found->second, mode_1904_, false);
}

std::string SerialDates::DateTimeText(unsigned int row, unsigned short column,
                                      const char* freexl_text) const {
  const auto found = serials_.find({row, column});
  if (found == serials_.end()) return freexl_text ? freexl_text : "";
  return SerialText(found->second, mode_1904_, true);
}

}  // namespace velmora::filedb

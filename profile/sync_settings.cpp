#include "profile/sync_settings.h"

#include <array>
#include <charconv>

namespace velmora::profile {
namespace {

constexpr std::array<std::string_view, 6> kSyncTypeTexts = {
    "Desktop Database Adds Pocket PC Contacts",
    "Desktop Database Overwrites Pocket PC Contacts",
    "Pocket PC Contacts Adds Desktop Database",
    "Pocket PC Contacts Overwrites Desktop Database",
    "Do Nothing",
    "Import Pocket PC Contacts data to Desktop as a CSV file",
};

// The summary lines of the desktop log keep their own wording, typos included.
constexpr std::array<std::string_view, 6> kSyncTypeLogTexts = {
    "Synchronization Type::Desktop Databse Adds Pocket PC Contacts",
    "Synchronization Type::Desktop Database Overwrite Pocket PC Contacts",
    "Synchronization Type::Pocket PC Contacts Adds Desktop Database",
    "Synchronization Type::Pocket PC Contacts Overwrites Desktop Database",
    "Synchronization Type::Do Nothing",
    "Synchronization Type::Import Pocket PC data to Desktop as a CSV File",
};

constexpr std::array<std::string_view, 5> kSyncOnTexts = {
    "Every Time", "Once Every Day", "Once Weekly", "Once Monthly", "Only Once",
};

constexpr std::array<std::string_view, 7> kWeekDayTexts = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday",
};

template <std::size_t N>
std::string_view TextAt(const std::array<std::string_view, N>& texts, int value) {
  if (value < 0 || value >= static_cast<int>(N)) return {};
  return texts[value];
}

// Reads a run of decimal digits at `pos`, advancing it; nullopt when there is none.
std::optional<int> ReadNumber(std::string_view text, std::size_t& pos) {
  int value = 0;
  const char* begin = text.data() + pos;
  const char* end = text.data() + text.size();
  const auto [next, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || next == begin || *begin == '-' || *begin == '+') return std::nullopt;
  pos += static_cast<std::size_t>(next - begin);
  return value;
}

}  // namespace

std::string_view SyncTypeText(int sync_type) {
  return TextAt(kSyncTypeTexts, sync_type);
}
std::string_view SyncTypeLogText(int sync_type) {
  return TextAt(kSyncTypeLogTexts, sync_type);
}
std::string_view SyncOnText(int sync_on) {
  return TextAt(kSyncOnTexts, sync_on);
}
std::string_view WeekDayText(int week_day) {
  return TextAt(kWeekDayTexts, week_day);
}

std::string_view DatabaseTypeDriver(int database_type) {
  switch (database_type) {
    case kAccessDatabase:
      return "Microsoft Access Driver (*.mdb)";
    case kExcelDatabase:
      return "Microsoft Excel Driver (*.xls)";
    case kDBaseDatabase:
      return "Microsoft dBase Driver (*.dbf)";
    case kCsvDatabase:
      return "Microsoft Text Driver (*.txt; *.csv)";
    default:
      return {};
  }
}

bool IsDesktopToDevice(int sync_type) {
  return sync_type == kDesktopAddsDevice || sync_type == kDesktopOverwritesDevice;
}

bool IsDeviceToDesktop(int sync_type) {
  return sync_type == kDeviceAddsDesktop || sync_type == kDeviceOverwritesDesktop;
}

int StatusAfterEdit(int prof_status) {
  return prof_status == kStatusNew ? kStatusNew : kStatusModified;
}

std::string SyncTimeText(int hour, int minute) {
  return std::to_string(hour) + ":" + std::to_string(minute);
}

std::optional<TimeOfDay> ParseSyncTime(std::string_view text) {
  std::size_t pos = 0;
  const std::optional<int> hour = ReadNumber(text, pos);
  if (!hour || pos >= text.size() || text[pos] != ':') return std::nullopt;
  ++pos;
  const std::optional<int> minute = ReadNumber(text, pos);
  if (!minute) return std::nullopt;
  if (pos < text.size()) {
    if (text[pos] != ':') return std::nullopt;
    ++pos;
    const std::optional<int> second = ReadNumber(text, pos);
    if (!second || *second > 59 || pos != text.size()) return std::nullopt;
  }
  if (*hour > 23 || *minute > 59) return std::nullopt;
  return TimeOfDay{*hour, *minute};
}

}  // namespace velmora::profile

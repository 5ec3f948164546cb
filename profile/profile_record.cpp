#include "profile/profile_record.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace velmora::profile {
namespace {

// Splits `text` at any of the separators; every piece must be a non-empty run of digits.
std::optional<std::vector<int>> Numbers(std::string_view text, std::string_view separators) {
  std::vector<int> numbers;
  std::size_t pos = 0;
  while (true) {
    const std::size_t end = std::min(text.find_first_of(separators, pos), text.size());
    const std::string_view piece = text.substr(pos, end - pos);
    int value = 0;
    const auto [next, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
    if (piece.empty() || error != std::errc() || next != piece.data() + piece.size() ||
        piece.front() == '-') {
      return std::nullopt;
    }
    numbers.push_back(value);
    if (end == text.size()) return numbers;
    pos = end + 1;
  }
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValid(const ProfileDateTime& t) {
  return t.year >= 1 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= DaysInMonth(t.year, t.month) && t.hour <= 23 && t.minute <= 59 && t.second <= 59;
}

// "H:M" or "H:M:S", with an optional fraction of a second after a dot.
bool ReadTimeOfDay(std::string_view text, ProfileDateTime& t) {
  const std::size_t dot = text.find('.');
  if (dot != std::string_view::npos) {
    if (!Numbers(text.substr(dot + 1), "")) return false;
    text = text.substr(0, dot);
  }
  const auto parts = Numbers(text, ":");
  if (!parts || parts->size() < 2 || parts->size() > 3) return false;
  t.hour = (*parts)[0];
  t.minute = (*parts)[1];
  t.second = parts->size() == 3 ? (*parts)[2] : 0;
  return true;
}

bool ReadDate(std::string_view text, ProfileDateTime& t) {
  const bool iso = text.find('-') != std::string_view::npos;
  const auto parts = Numbers(text, iso ? "-" : "/");
  if (!parts || parts->size() != 3) return false;
  t.year = iso ? (*parts)[0] : (*parts)[2];
  t.month = iso ? (*parts)[1] : (*parts)[0];
  t.day = iso ? (*parts)[2] : (*parts)[1];
  return true;
}

}  // namespace

ProfileDateTime TimeOfDayOnDayZero(int hour, int minute, int second) {
  ProfileDateTime t;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  return t;
}

std::optional<ProfileDateTime> ParseStoredDateTime(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  ProfileDateTime t;
  const std::size_t gap = text.find_first_of(" T");
  const std::string_view first = text.substr(0, gap);
  bool ok = false;
  if (first.find(':') != std::string_view::npos) {
    ok = gap == std::string_view::npos && ReadTimeOfDay(first, t);
  } else {
    t = ProfileDateTime{};
    t.hour = t.minute = t.second = 0;
    ok = ReadDate(first, t);
    if (ok && gap != std::string_view::npos) ok = ReadTimeOfDay(text.substr(gap + 1), t);
  }
  if (!ok || !IsValid(t)) return std::nullopt;
  return t;
}

}  // namespace velmora::profile

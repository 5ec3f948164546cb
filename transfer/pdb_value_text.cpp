#include "transfer/pdb_value_text.h"

#include <cinttypes>
#include <cstdio>

#include "platform/text/utf.h"
#include "transfer/byte_io.h"
#include "transfer/pdb_format.h"

namespace velmora::transfer {
namespace {

constexpr std::size_t kDisplayTextUnits = 256;

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool IsCalendarDate(int year, int month, int day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  int days = kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
  return day <= days;
}

std::optional<std::uint64_t> Be(std::string_view raw, int size) {
  return bytes::GetBe(raw, 0, size);
}

std::string Printf(const char* format, double v) {
  int size = std::snprintf(nullptr, 0, format, v);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, format, v);
  return out;
}

std::optional<db::Date> UnpackDate(std::string_view raw) {
  std::optional<std::uint64_t> packed = Be(raw, 2);
  if (!packed) return std::nullopt;
  return db::Date{1904 + static_cast<int>(*packed >> 9), static_cast<int>((*packed >> 5) & 0xF),
                  static_cast<int>(*packed & 0x1F)};
}

std::optional<db::Timestamp> UnpackTimestamp(std::string_view raw) {
  if (raw.size() < 16) return std::nullopt;
  auto be16 = [&](std::size_t at) { return static_cast<int>(*bytes::GetBe(raw, at, 2)); };
  db::Timestamp ts{be16(0),
                   be16(2),
                   be16(4),
                   be16(6),
                   be16(8),
                   static_cast<int>(*bytes::GetLe(raw, 10, 2)),
                   static_cast<std::uint32_t>(*bytes::GetBe(raw, 12, 4))};
  return ts;
}

std::u16string StoredText(std::string_view raw, std::size_t max_units) {
  std::u16string units = bytes::GetUtf16LeUntilZero(raw, 0, max_units + 1);
  if (units.size() > max_units) units.resize(text::Utf16PrefixAtBoundary(units, max_units));
  return units;
}

std::string TextValue(std::string_view raw, TextForm form) {
  bool display = form == TextForm::kDisplay;
  std::u16string units = StoredText(raw, display ? kDisplayTextUnits : std::u16string::npos - 1);
  if (units.find(u'\n') == std::u16string::npos) return text::Utf16ToUtf8(units);
  std::u16string shown;
  shown.reserve(units.size());
  for (char16_t unit : units) {
    if (unit == u'\n') {
      shown.append(display ? u"  " : u"\r\n");
    } else {
      shown.push_back(unit);
    }
  }
  return text::Utf16ToUtf8(shown);
}

}  // namespace

std::string PdbDateText(const db::Date& d) {
  if (!IsCalendarDate(d.year, d.month, d.day)) return std::string();
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buffer;
}

std::string PdbTimestampText(const db::Timestamp& ts) {
  if (!IsCalendarDate(ts.year, ts.month, ts.day) || ts.hour > 23 || ts.minute > 59 ||
      ts.second > 59) {
    return std::string();
  }
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", ts.year, ts.month, ts.day,
                ts.hour, ts.minute, ts.second);
  return buffer;
}

bool PdbValueFits(int code, std::string_view raw) {
  if (code == kPdbText || code == kPdbNumericText) {
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
      if (raw[i] == 0 && raw[i + 1] == 0) return true;
    }
    return false;
  }
  std::size_t width = PdbFixedWidth(code);
  return width == 0 || raw.size() >= width;
}

std::string PdbValueText(int code, std::string_view raw, TextForm form) {
  if (code == kPdbText) return TextValue(raw, form);
  if (code == kPdbNumericText) return text::Utf16ToUtf8(StoredText(raw, std::u16string::npos - 1));
  std::optional<db::Value> value = PdbTypedValue(code, raw);
  if (!value) return std::string();
  char buffer[64];
  switch (code) {
    case kPdbDouble: {
      double d = std::get<double>(*value);
      return Printf(form == TextForm::kDisplay && d >= 9999999.0 ? "%e" : "%f", d);
    }
    case kPdbReal:
      return Printf("%f", std::get<double>(*value));
    case kPdbTimestamp:
      return db::IsNull(*value) ? std::string() : PdbTimestampText(std::get<db::Timestamp>(*value));
    case kPdbDate:
      return db::IsNull(*value) ? std::string() : PdbDateText(std::get<db::Date>(*value));
    case kPdbTime: {
      const db::Time& t = std::get<db::Time>(*value);
      std::snprintf(buffer, sizeof buffer, "%d:%d", t.hour, t.minute);
      return buffer;
    }
    case kPdbBit:
      return std::get<std::int64_t>(*value) != 0 ? "TRUE" : "FALSE";
    default:
      std::snprintf(buffer, sizeof buffer, "%" PRId64, std::get<std::int64_t>(*value));
      return buffer;
  }
}

std::optional<db::Value> PdbTypedValue(int code, std::string_view raw) {
  auto as_int = [](std::int64_t v) { return std::optional<db::Value>(v); };
  // Built in place: moving a temporary Null value into the optional leaves GCC unsure the
  // variant's storage was ever written.
  auto null_value = [] { return std::optional<db::Value>(std::in_place, db::Null{}); };
  switch (code) {
    case kPdbText:
    case kPdbNumericText:
      if (raw.size() < 2) return std::nullopt;
      return db::Value(text::Utf16ToUtf8(StoredText(raw, std::u16string::npos - 1)));
    case kPdbDouble:
      if (auto v = Be(raw, 8)) return db::Value(bytes::DoubleFromBits(*v));
      return std::nullopt;
    case kPdbReal:
      if (auto v = Be(raw, 4)) {
        return db::Value(static_cast<double>(bytes::FloatFromBits(static_cast<std::uint32_t>(*v))));
      }
      return std::nullopt;
    case kPdbInt32:
      if (auto v = Be(raw, 4)) return as_int(static_cast<std::int32_t>(*v));
      return std::nullopt;
    case kPdbInt16:
      if (auto v = Be(raw, 2)) return as_int(static_cast<std::int16_t>(*v));
      return std::nullopt;
    case kPdbInt8:
      if (auto v = Be(raw, 1)) return as_int(static_cast<std::int8_t>(*v));
      return std::nullopt;
    case kPdbUInt32:
    case kPdbUInt16:
    case kPdbTinyInt:
      if (auto v = Be(raw, static_cast<int>(PdbFixedWidth(code)))) {
        return as_int(static_cast<std::int64_t>(*v));
      }
      return std::nullopt;
    case kPdbBit:
      if (auto v = Be(raw, 1)) return as_int(*v != 0 ? 1 : 0);
      return std::nullopt;
    case kPdbTime:
      if (raw.size() < 2) return std::nullopt;
      return db::Value(db::Time{bytes::Byte(raw, 0), bytes::Byte(raw, 1), 0});
    case kPdbDate:
      if (auto d = UnpackDate(raw)) {
        if (!IsCalendarDate(d->year, d->month, d->day)) return null_value();
        return db::Value(*d);
      }
      return std::nullopt;
    case kPdbTimestamp:
      if (auto ts = UnpackTimestamp(raw)) {
        if (PdbTimestampText(*ts).empty()) return null_value();
        return db::Value(*ts);
      }
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace velmora::transfer

#include "transfer/pdb_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numeric>

#include "platform/text/utf.h"
#include "transfer/byte_io.h"
#include "transfer/pdb_format.h"

namespace velmora::transfer {
namespace {

using bytes::PutBe16;
using bytes::PutBe32;
using bytes::PutBe64;
using bytes::PutLe16;

bool IsTextCode(int code) {
  return code == kPdbText || code == kPdbNumericText;
}

std::int64_t ValueAsInteger(const db::Value& value) {
  if (auto* i = std::get_if<std::int64_t>(&value)) return *i;
  if (auto* d = std::get_if<double>(&value)) {
    if (!std::isfinite(*d)) return 0;
    double clamped = std::clamp(*d, -9.2e18, 9.2e18);
    return static_cast<std::int64_t>(std::llround(clamped));
  }
  if (auto* s = std::get_if<std::string>(&value)) return std::strtoll(s->c_str(), nullptr, 10);
  return 0;
}

double ValueAsDouble(const db::Value& value) {
  if (auto* d = std::get_if<double>(&value)) return *d;
  if (auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
  if (auto* s = std::get_if<std::string>(&value)) return std::strtod(s->c_str(), nullptr);
  return 0.0;
}

db::Timestamp ValueAsTimestamp(const db::Value& value) {
  if (auto* ts = std::get_if<db::Timestamp>(&value)) return *ts;
  db::Timestamp ts;
  if (auto* d = std::get_if<db::Date>(&value)) {
    ts.year = d->year;
    ts.month = d->month;
    ts.day = d->day;
  } else if (auto* t = std::get_if<db::Time>(&value)) {
    ts.hour = t->hour;
    ts.minute = t->minute;
    ts.second = t->second;
  }
  return ts;
}

std::uint16_t PackDate(int year, int month, int day) {
  int years = ((year - 1904) % 128 + 128) % 128;
  return static_cast<std::uint16_t>((years << 9) | ((month & 0xF) << 5) | (day & 0x1F));
}

void AppendFixedValue(std::string& out, int code, const db::Value& value) {
  bool null = db::IsNull(value);
  switch (code) {
    case kPdbInt32:
      PutBe32(out, static_cast<std::uint32_t>(null ? 0 : ValueAsInteger(value)));
      return;
    case kPdbInt16:
      PutBe16(out, static_cast<std::uint16_t>(null ? 0 : ValueAsInteger(value)));
      return;
    case kPdbReal:
      PutBe32(out, null ? 0 : bytes::BitsFromFloat(static_cast<float>(ValueAsDouble(value))));
      return;
    case kPdbDouble:
      PutBe64(out, null ? 0 : bytes::BitsFromDouble(ValueAsDouble(value)));
      return;
    case kPdbDate: {
      db::Timestamp ts = ValueAsTimestamp(value);
      PutBe16(out, null ? 0 : PackDate(ts.year, ts.month, ts.day));
      return;
    }
    case kPdbTime: {
      db::Timestamp ts = ValueAsTimestamp(value);
      out.push_back(static_cast<char>(null ? 0 : ts.hour));
      out.push_back(static_cast<char>(null ? 0 : ts.minute));
      return;
    }
    case kPdbTimestamp: {
      db::Timestamp ts = null ? db::Timestamp{} : ValueAsTimestamp(value);
      PutBe16(out, static_cast<std::uint16_t>(ts.year));
      PutBe16(out, static_cast<std::uint16_t>(ts.month));
      PutBe16(out, static_cast<std::uint16_t>(ts.day));
      PutBe16(out, static_cast<std::uint16_t>(ts.hour));
      PutBe16(out, static_cast<std::uint16_t>(ts.minute));
      PutLe16(out, static_cast<std::uint16_t>(ts.second));  // the one little-endian field
      PutBe32(out, ts.fraction);
      return;
    }
    case kPdbBit:
      out.push_back(static_cast<char>(!null && ValueAsInteger(value) != 0 ? 1 : 0));
      return;
    default:  // one-byte integers
      out.push_back(static_cast<char>(null ? 0 : ValueAsInteger(value)));
      return;
  }
}

}  // namespace

std::u16string CleanPdbText(std::string_view utf8, std::size_t* full_units) {
  std::u16string raw = text::Utf8ToUtf16(utf8);
  if (raw.find_first_of(u"\r\t") == std::u16string::npos) {
    // Nothing to drop or widen: the text itself, cut.
    if (full_units) *full_units = raw.size();
    raw.resize(text::Utf16PrefixAtBoundary(raw, kPdbMaxTextUnits));
    return raw;
  }
  if (full_units) {
    *full_units = raw.size() - static_cast<std::size_t>(std::count(raw.begin(), raw.end(), u'\r')) +
                  4 * static_cast<std::size_t>(std::count(raw.begin(), raw.end(), u'\t'));
  }
  std::u16string clean;
  clean.reserve(raw.size());
  for (char16_t unit : raw) {
    if (unit == u'\r') continue;
    if (unit == u'\t') {
      clean.append(5, u' ');
    } else {
      clean.push_back(unit);
    }
    if (clean.size() > kPdbMaxTextUnits + 5) break;  // enough to make the cut below
  }
  clean.resize(text::Utf16PrefixAtBoundary(clean, kPdbMaxTextUnits));
  return clean;
}

std::string ValueAsText(const db::Value& value) {
  char buffer[128];
  if (auto* s = std::get_if<std::string>(&value)) return *s;
  if (auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
  if (auto* d = std::get_if<double>(&value)) {
    auto result = std::to_chars(buffer, buffer + sizeof buffer, *d);
    return std::string(buffer, result.ptr);
  }
  if (auto* date = std::get_if<db::Date>(&value)) {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", date->year, date->month, date->day);
    return buffer;
  }
  if (auto* t = std::get_if<db::Time>(&value)) {
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", t->hour, t->minute, t->second);
    return buffer;
  }
  if (auto* ts = std::get_if<db::Timestamp>(&value)) {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", ts->year, ts->month,
                  ts->day, ts->hour, ts->minute, ts->second);
    return buffer;
  }
  return std::string();
}

std::size_t TextCapForBudget(const std::vector<std::size_t>& lengths, std::size_t budget_bytes) {
  std::size_t budget_units = budget_bytes / 2;
  auto units_with_cap = [&](std::size_t cap) {
    std::size_t total = 0;
    for (std::size_t len : lengths) total += std::min(len, cap);
    return total;
  };
  if (units_with_cap(std::numeric_limits<std::size_t>::max()) <= budget_units) {
    return std::numeric_limits<std::size_t>::max();
  }
  std::size_t low = 0;                                                   // always fits
  std::size_t high = *std::max_element(lengths.begin(), lengths.end());  // never fits
  while (high - low > 1) {
    std::size_t mid = low + (high - low) / 2;
    (units_with_cap(mid) <= budget_units ? low : high) = mid;
  }
  return low;
}

std::size_t MinimumPdbRecordSize(const std::vector<int>& codes, int slot_count) {
  std::size_t slots =
      std::max<std::size_t>(static_cast<std::size_t>(std::max(slot_count, 0)), codes.size());
  std::size_t size = 2 * slots;
  for (int code : codes) size += IsTextCode(code) ? 2 : PdbFixedWidth(code);
  return size;
}

std::optional<std::string> EncodePdbRecord(const std::vector<PdbCell>& cells, int slot_count,
                                           std::vector<PdbCut>* cuts) {
  std::vector<int> codes;
  std::vector<std::u16string> texts(cells.size());
  std::vector<std::size_t> full(cells.size(), 0);
  std::vector<std::size_t> lengths;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    codes.push_back(cells[i].code);
    if (IsTextCode(cells[i].code)) {
      const auto* stored = std::get_if<std::string>(&cells[i].value);
      texts[i] = stored ? CleanPdbText(*stored, &full[i])
                        : CleanPdbText(ValueAsText(cells[i].value), &full[i]);
      lengths.push_back(texts[i].size());
    }
  }
  std::size_t fixed = MinimumPdbRecordSize(codes, slot_count);
  if (fixed > kPdbMaxOffset) return std::nullopt;
  std::size_t cap = lengths.empty() ? 0 : TextCapForBudget(lengths, kPdbMaxOffset - fixed);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    std::u16string& t = texts[i];
    if (t.size() > cap) t.resize(text::Utf16PrefixAtBoundary(t, cap));
    if (cuts && IsTextCode(cells[i].code) && t.size() < full[i])
      cuts->push_back({i, full[i], t.size()});
  }

  std::size_t slots =
      std::max<std::size_t>(static_cast<std::size_t>(std::max(slot_count, 0)), cells.size());
  std::string record(2 * slots, '\0');
  record.reserve(2 * slots + 16 * cells.size() +
                 2 * std::accumulate(lengths.begin(), lengths.end(), std::size_t{0}));
  for (std::size_t i = 0; i < cells.size(); ++i) {
    bytes::SetBe16(record, 2 * i, static_cast<std::uint16_t>(record.size()));
    if (IsTextCode(cells[i].code)) {
      bytes::PutUtf16Le(record, texts[i]);
      PutLe16(record, 0);
    } else {
      AppendFixedValue(record, cells[i].code, cells[i].value);
    }
  }
  return record;
}

}  // namespace velmora::transfer

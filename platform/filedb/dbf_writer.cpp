#include "platform/filedb/dbf_writer.h"

#include <shapefil.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "platform/filedb/text_encoding.h"

namespace velmora::filedb {
namespace {

constexpr int kWidestField = 255;

struct DbfCloser {
  void operator()(DBFInfo* dbf) const { DBFClose(dbf); }
};
using DbfOwner = std::unique_ptr<DBFInfo, DbfCloser>;

std::string Trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

std::string Fixed(double value, int decimals) {
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string();
}

std::string PlainText(const Cell& cell) {
  if (const auto* s = std::get_if<std::string>(&cell)) return *s;
  if (const auto* i = std::get_if<std::int64_t>(&cell)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&cell)) return Fixed(*d, 6);
  return {};
}

std::optional<double> AsNumber(const Cell& cell) {
  if (const auto* i = std::get_if<std::int64_t>(&cell)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&cell)) return *d;
  const std::string text = Trimmed(std::get<std::string>(cell));
  double value = 0;
  const char* begin = text.data() + (!text.empty() && text[0] == '+');
  const auto [ptr, ec] = std::from_chars(begin, text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::string> NumberField(const DbfField& field, const Cell& cell) {
  if (const auto* i = std::get_if<std::int64_t>(&cell); i && field.decimals == 0) {
    return std::to_string(*i);
  }
  const std::optional<double> value = AsNumber(cell);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return Fixed(*value, field.decimals);
}

bool ValidDate(int year, int month, int day) {
  using namespace std::chrono;
  return year >= 1 && year <= 9999 &&
         year_month_day{std::chrono::year{year}, std::chrono::month(unsigned(month)),
                        std::chrono::day(unsigned(day))}
             .ok();
}

// "YYYY-MM-DD" (optionally followed by a time), "YYYYMMDD" or the month/day/year text that a
// device-to-desktop run writes into date columns.
std::optional<std::string> DateField(const Cell& cell) {
  const auto* text = std::get_if<std::string>(&cell);
  if (!text) return std::nullopt;
  int year = 0, month = 0, day = 0;
  char tail = 0;
  const std::string s = Trimmed(*text);
  if (std::sscanf(s.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &tail) >= 3 &&
      (tail == 0 || tail == ' ' || tail == 'T')) {
  } else if (std::sscanf(s.c_str(), "%d/%d/%4d%c", &month, &day, &year, &tail) == 3) {
  } else if (s.size() == 8 && s.find_first_not_of("0123456789") == std::string::npos) {
    year = std::stoi(s.substr(0, 4)), month = std::stoi(s.substr(4, 2)),
    day = std::stoi(s.substr(6));
  } else {
    return std::nullopt;
  }
  if (!ValidDate(year, month, day)) return std::nullopt;
  char field[16];
  std::snprintf(field, sizeof field, "%04d%02d%02d", year, month, day);
  return std::string(field);
}

std::optional<std::string> LogicalField(const Cell& cell) {
  if (const auto number = AsNumber(cell)) return std::string(*number != 0 ? "T" : "F");
  const std::string text = Trimmed(std::get<std::string>(cell));
  if (text.size() == 1 && std::strchr("TtYy", text[0])) return std::string("T");
  if (text.size() == 1 && std::strchr("FfNn", text[0])) return std::string("F");
  if (strcasecmp(text.c_str(), "true") == 0) return std::string("T");
  if (strcasecmp(text.c_str(), "false") == 0) return std::string("F");
  return std::nullopt;
}

std::optional<std::string> Encoded(const std::string& utf8, DbfEncoding encoding) {
  if (encoding == DbfEncoding::kUtf8) return utf8;
  return Utf8ToLatin1(utf8);
}

// The field's bytes before padding; nothing when the value has no form in this field.
std::optional<std::string> FieldText(const DbfField& field, DbfEncoding encoding,
                                     const Cell& cell) {
  if (std::holds_alternative<std::monostate>(cell))
    return std::string(field.type == 'L' ? "?" : "");
  switch (field.type) {
    case 'N':
    case 'F':
      return NumberField(field, cell);
    case 'D':
      return DateField(cell);
    case 'L':
      return LogicalField(cell);
    default:
      return Encoded(PlainText(cell), encoding);
  }
}

std::string Describe(const Cell& cell) {
  std::string text = PlainText(cell);
  if (text.size() > 40) text = text.substr(0, 40) + "...";
  return "\"" + text + "\"";
}

int Today(int* month, int* day) {
  using namespace std::chrono;
  const year_month_day today{floor<days>(system_clock::now())};
  *month = static_cast<int>(unsigned(today.month()));
  *day = static_cast<int>(unsigned(today.day()));
  return int(today.year()) - 1900;
}

bool PatchHeader(const std::filesystem::path& file, const StagedTable& layout,
                 std::string* problem) {
  std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
  const bool plain_dbase = layout.dbf_version == 0x03 || layout.dbf_version == 0x83;
  if (out && plain_dbase) out.seekp(0).put(static_cast<char>(layout.dbf_version));
  if (out) out.seekp(29).put(static_cast<char>(layout.dbf_language_driver));
  out.flush();
  if (!out) *problem = "the new file's header cannot be completed";
  return static_cast<bool>(out);
}

}  // namespace

std::optional<std::string> FormatDbfRecord(const std::vector<DbfField>& fields,
                                           DbfEncoding encoding, const std::vector<Cell>& row,
                                           std::string* problem) {
  std::string record = " ";
  for (std::size_t f = 0; f < fields.size(); ++f) {
    const DbfField& field = fields[f];
    const std::optional<std::string> text = FieldText(field, encoding, row[f]);
    if (!text) {
      *problem = "field " + field.name + " cannot hold " + Describe(row[f]);
      return std::nullopt;
    }
    if (text->size() > static_cast<std::size_t>(field.width)) {
      *problem = "field " + field.name + " is " + std::to_string(field.width) +
                 " bytes wide, too narrow for " + Describe(row[f]);
      return std::nullopt;
    }
    const std::string padding(field.width - text->size(), ' ');
    const bool right_aligned = field.type == 'N' || field.type == 'F';
    record += right_aligned ? padding + *text : *text + padding;
  }
  return record;
}

bool WriteDbfFile(const std::filesystem::path& file, const StagedTable& layout,
                  const std::vector<std::vector<Cell>>& rows, std::string* problem) {
  std::vector<std::string> records;
  records.reserve(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::optional<std::string> record =
        FormatDbfRecord(layout.dbf_fields, layout.dbf_encoding, rows[r], problem);
    if (!record) {
      *problem = "row " + std::to_string(r + 1) + ": " + *problem;
      return false;
    }
    records.push_back(std::move(*record));
  }
  {
    DbfOwner dbf(DBFCreate(file.c_str()));
    if (!dbf) {
      *problem = "a new file cannot be created next to it";
      return false;
    }
    for (const DbfField& field : layout.dbf_fields) {
      if (field.width > kWidestField ||
          DBFAddNativeFieldType(dbf.get(), field.raw_name.c_str(), field.type, field.width,
                                field.decimals) < 0) {
        *problem = "field " + field.name + " cannot be defined in the new file";
        return false;
      }
    }
    for (std::size_t r = 0; r < records.size(); ++r) {
      if (!DBFWriteTuple(dbf.get(), static_cast<int>(r), records[r].data())) {
        *problem = "record " + std::to_string(r + 1) + " cannot be written";
        return false;
      }
    }
    int month = 0, day = 0;
    const int year = Today(&month, &day);
    DBFSetLastModifiedDate(dbf.get(), year, month, day);
  }
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  const std::uintmax_t header = 32 + 32 * layout.dbf_fields.size() + 1;
  const std::uintmax_t record_length = records.empty() ? 0 : records[0].size();
  if (ec || size < header + records.size() * record_length) {
    *problem = "the new file was not written completely";
    return false;
  }
  return PatchHeader(file, layout, problem);
}

}  // namespace velmora::filedb

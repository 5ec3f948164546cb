#include "platform/filedb/dbf_reader.h"

#include <shapefil.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/filedb/sqlite_stage.h"
#include "platform/filedb/text_encoding.h"
#include "platform/text/utf.h"

namespace velmora::filedb {
namespace {

constexpr std::size_t kHeaderSize = 32;
constexpr int kWidestInteger = 9;  // N fields of up to 9 digits fit a 32-bit SQL_INTEGER

// shapelib reads through these hooks from the bytes in memory; they are set for the duration of
// one DBFOpenLL call on this thread only.
struct MemorySource {
  std::string_view dbf;
  std::string_view cpg;
  bool has_cpg = false;
  std::string library_message;
};
thread_local MemorySource* current_source = nullptr;

struct MemoryFile {
  std::string_view bytes;
  SAOffset position = 0;
};

bool EndsWithNoCase(const char* name, const char* suffix) {
  const std::size_t n = std::strlen(name);
  const std::size_t s = std::strlen(suffix);
  return n >= s && strcasecmp(name + n - s, suffix) == 0;
}

SAFile MemoryOpen(const char* name, const char* access) {
  if (current_source == nullptr || std::strpbrk(access, "wa+") != nullptr) return nullptr;
  std::string_view bytes;
  if (EndsWithNoCase(name, ".dbf")) {
    bytes = current_source->dbf;
  } else if (EndsWithNoCase(name, ".cpg") && current_source->has_cpg) {
    bytes = current_source->cpg;
  } else {
    return nullptr;
  }
  return reinterpret_cast<SAFile>(new MemoryFile{bytes, 0});
}

SAOffset MemoryRead(void* buffer, SAOffset size, SAOffset count, SAFile handle) {
  auto* file = reinterpret_cast<MemoryFile*>(handle);
  if (size == 0 || file->position >= file->bytes.size()) return 0;
  const SAOffset items = std::min<SAOffset>(count, (file->bytes.size() - file->position) / size);
  std::memcpy(buffer, file->bytes.data() + file->position, items * size);
  file->position += items * size;
  return items;
}

SAOffset MemoryWrite(void*, SAOffset, SAOffset, SAFile) {
  return 0;
}

SAOffset MemorySeek(SAFile handle, SAOffset offset, int whence) {
  auto* file = reinterpret_cast<MemoryFile*>(handle);
  SAOffset base = 0;
  if (whence == SEEK_CUR) base = file->position;
  if (whence == SEEK_END) base = file->bytes.size();
  file->position = base + offset;
  return 0;
}

SAOffset MemoryTell(SAFile handle) {
  return reinterpret_cast<MemoryFile*>(handle)->position;
}
int MemoryFlush(SAFile) {
  return 0;
}
int MemoryClose(SAFile handle) {
  delete reinterpret_cast<MemoryFile*>(handle);
  return 0;
}
int MemoryRemove(const char*) {
  return -1;
}
void MemoryError(const char* message) {
  if (current_source && current_source->library_message.empty()) {
    current_source->library_message = message;
  }
}
double MemoryAtof(const char* text) {
  return std::strtod(text, nullptr);
}

SAHooks MemoryHooks() {
  SAHooks hooks{};
  hooks.FOpen = MemoryOpen;
  hooks.FRead = MemoryRead;
  hooks.FWrite = MemoryWrite;
  hooks.FSeek = MemorySeek;
  hooks.FTell = MemoryTell;
  hooks.FFlush = MemoryFlush;
  hooks.FClose = MemoryClose;
  hooks.Remove = MemoryRemove;
  hooks.Error = MemoryError;
  hooks.Atof = MemoryAtof;
  return hooks;
}

struct DbfCloser {
  void operator()(DBFInfo* dbf) const { DBFClose(dbf); }
};
using DbfOwner = std::unique_ptr<DBFInfo, DbfCloser>;

std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

bool KnownVersion(unsigned char version) {
  static constexpr unsigned char kVersions[] = {0x02, 0x03, 0x04, 0x05, 0x30, 0x31, 0x32, 0x43,
                                                0x63, 0x7B, 0x83, 0x8B, 0x8E, 0xCB, 0xF5, 0xFB};
  return std::find(std::begin(kVersions), std::end(kVersions), version) != std::end(kVersions);
}

// The fields' widths (byte 16 of each descriptor; character fields may use byte 17 as the high
// byte) must fit the record length that the header states.
bool CheckFieldWidths(std::string_view bytes, std::uint32_t header_length,
                      std::uint32_t record_length, std::string* problem) {
  std::uint32_t used = 1;  // the deletion flag
  for (std::size_t at = kHeaderSize; at + kHeaderSize <= header_length && bytes[at] != '\x0D';
       at += kHeaderSize) {
    const std::string_view descriptor = bytes.substr(at, kHeaderSize);
    const bool character = descriptor[11] == 'C';
    used += static_cast<unsigned char>(descriptor[16]) +
            (character ? 256u * static_cast<unsigned char>(descriptor[17]) : 0u);
    if (used > record_length) {
      const std::string_view name =
          descriptor.substr(0, descriptor.find('\0') < 11 ? descriptor.find('\0') : 11);
      *problem = "field " + Latin1ToUtf8(name) +
                 " is longer than the record length in the header (" +
                 std::to_string(record_length) + " bytes)";
      return false;
    }
  }
  return true;
}

// The checks shapelib does not make: a header that is not dBase, or a file shorter than the
// records its header promises.
bool CheckHeader(std::string_view bytes, std::string* problem) {
  if (bytes.size() < kHeaderSize + 1) {
    *problem = "too short for a dBase header (truncated)";
    return false;
  }
  const auto version = static_cast<unsigned char>(bytes[0]);
  if (!KnownVersion(version)) {
    char text[64];
    std::snprintf(text, sizeof text, "wrong header: not a dBase file (version byte 0x%02X)",
                  version);
    *problem = text;
    return false;
  }
  const std::uint32_t records = LittleEndian(bytes, 4, 4);
  const std::uint32_t header_length = LittleEndian(bytes, 8, 2);
  const std::uint32_t record_length = LittleEndian(bytes, 10, 2);
  if (header_length < kHeaderSize + 1 || record_length < 1) {
    *problem = "wrong header: header length " + std::to_string(header_length) + ", record length " +
               std::to_string(record_length);
    return false;
  }
  if (header_length > bytes.size() || bytes.find('\x0D', kHeaderSize) == std::string_view::npos ||
      bytes.find('\x0D', kHeaderSize) >= header_length) {
    *problem = "wrong header: the field descriptors are incomplete (truncated?)";
    return false;
  }
  if (!CheckFieldWidths(bytes, header_length, record_length, problem)) return false;
  const std::uint64_t needed = header_length + std::uint64_t{records} * record_length;
  if (needed > bytes.size()) {
    *problem = "truncated: the header promises " + std::to_string(records) + " records of " +
               std::to_string(record_length) + " bytes, the file holds " +
               std::to_string((bytes.size() - header_length) / record_length);
    return false;
  }
  return true;
}

bool CheckLayout(const DBFInfo& dbf, const std::vector<DbfField>& fields, std::string* problem) {
  if (dbf.nFields < 1) {
    *problem = "wrong header: the file has no fields";
    return false;
  }
  for (int i = 0; i < dbf.nFields; ++i) {
    if (dbf.panFieldSize[i] < 1 || dbf.panFieldOffset[i] < 1 ||
        dbf.panFieldOffset[i] + dbf.panFieldSize[i] > dbf.nRecordLength) {
      *problem = "field " + fields[i].name + " is longer than the record length in the header (" +
                 std::to_string(dbf.nRecordLength) + " bytes)";
      return false;
    }
  }
  return true;
}

std::string UpperTrimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  return text::AsciiUpper(s);
}

enum class Declared { kUtf8, kLatin1, kNone };

Declared CodePageOf(std::string_view cpg_text, bool has_cpg) {
  if (!has_cpg) return Declared::kNone;
  const std::string page = UpperTrimmed(cpg_text);
  if (page == "UTF-8" || page == "UTF8" || page == "65001") return Declared::kUtf8;
  return Declared::kLatin1;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  s = TrimRight(s);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

bool IsTextField(char type) {
  return type != 'N' && type != 'F' && type != 'D' && type != 'L';
}

std::string Decode(std::string_view raw, DbfEncoding encoding) {
  return encoding == DbfEncoding::kUtf8 ? std::string(raw) : Latin1ToUtf8(raw);
}

bool ParseNumber(std::string_view text, const DbfField& field, Cell* cell) {
  if (text.empty() || text.find_first_not_of('*') == std::string_view::npos) {
    *cell = std::monostate{};
    return true;
  }
  const char* end = text.data() + text.size();
  if (field.type == 'N' && field.decimals == 0) {
    std::int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(text.data() + (text[0] == '+'), end, value);
    if (ec == std::errc() && ptr == end) {
      *cell = value;
      return true;
    }
  }
  double value = 0;
  const auto [ptr, ec] = std::from_chars(text.data() + (text[0] == '+'), end, value);
  if (ec != std::errc() || ptr != end) return false;
  *cell = value;
  return true;
}

bool ParseDate(std::string_view text, Cell* cell) {
  if (text.empty() || text == "00000000") {
    *cell = std::monostate{};
    return true;
  }
  if (text.size() != 8 || text.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  const int month = std::stoi(std::string(text.substr(4, 2)));
  const int day = std::stoi(std::string(text.substr(6, 2)));
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  *cell = std::string(text.substr(0, 4)) + "-" + std::string(text.substr(4, 2)) + "-" +
          std::string(text.substr(6, 2));
  return true;
}

bool ParseLogical(std::string_view text, Cell* cell) {
  if (text.empty() || text == "?") {
    *cell = std::monostate{};
  } else if (text.size() == 1 && std::strchr("TtYy", text[0]) != nullptr) {
    *cell = std::int64_t{1};
  } else if (text.size() == 1 && std::strchr("FfNn", text[0]) != nullptr) {
    *cell = std::int64_t{0};
  } else {
    return false;
  }
  return true;
}

bool ParseField(std::string_view raw, const DbfField& field, DbfEncoding encoding, Cell* cell) {
  if (IsTextField(field.type)) {
    const std::string_view text = TrimRight(raw);
    *cell = text.empty() ? Cell{} : Cell{Decode(text, encoding)};
    return true;
  }
  const std::string_view text = Trim(raw);
  switch (field.type) {
    case 'D':
      return ParseDate(text, cell);
    case 'L':
      return ParseLogical(text, cell);
    default:
      return ParseNumber(text, field, cell);
  }
}

std::vector<DbfField> FieldsOf(DBFInfo* dbf) {
  std::vector<DbfField> fields;
  for (int i = 0; i < dbf->nFields; ++i) {
    char name[XBASE_FLDNAME_LEN_READ + 1] = {};
    int width = 0;
    int decimals = 0;
    DBFGetFieldInfo(dbf, i, name, &width, &decimals);
    DbfField field;
    field.raw_name = name;
    field.name = text::IsValidUtf8(field.raw_name) ? field.raw_name : Latin1ToUtf8(field.raw_name);
    field.type = DBFGetNativeFieldType(dbf, i);
    field.width = dbf->panFieldSize[i];
    field.decimals = dbf->panFieldDecimals[i];
    fields.push_back(field);
  }
  return fields;
}

// Raw live records, each a list of raw field bytes, then the record's number in the file.
struct RawRecord {
  std::vector<std::string_view> values;
  int number = 0;
  const std::string_view& operator[](std::size_t field) const { return values[field]; }
};

std::vector<RawRecord> LiveRecords(DBFInfo* dbf, std::string_view bytes) {
  std::vector<RawRecord> records;
  records.reserve(static_cast<std::size_t>(dbf->nRecords));
  for (int r = 0; r < dbf->nRecords; ++r) {
    const std::size_t start =
        static_cast<std::size_t>(dbf->nHeaderLength) + std::size_t(r) * dbf->nRecordLength;
    const std::string_view record = bytes.substr(start, dbf->nRecordLength);
    if (record[0] == '*') continue;
    std::vector<std::string_view> values;
    for (int f = 0; f < dbf->nFields; ++f) {
      values.push_back(record.substr(dbf->panFieldOffset[f], dbf->panFieldSize[f]));
    }
    records.push_back({std::move(values), r + 1});
  }
  return records;
}

DbfEncoding ChooseEncoding(Declared declared, const std::vector<DbfField>& fields,
                           const std::vector<RawRecord>& records) {
  if (declared == Declared::kLatin1) return DbfEncoding::kLatin1;
  for (const auto& record : records) {
    for (std::size_t f = 0; f < fields.size(); ++f) {
      if (IsTextField(fields[f].type) && !text::IsValidUtf8(record[f])) return DbfEncoding::kLatin1;
    }
  }
  return DbfEncoding::kUtf8;
}

std::string LengthCheck(const DbfField& field, const std::string& column, DbfEncoding encoding) {
  const std::string quoted = QuoteIdentifier(column);
  const std::string length = encoding == DbfEncoding::kUtf8 ? "length(CAST(" + quoted + " AS BLOB))"
                                                            : "length(" + quoted + ")";
  return length + " <= " + std::to_string(field.width);
}

}  // namespace

std::string DeclaredType(const DbfField& field) {
  const std::string width = std::to_string(field.width);
  switch (field.type) {
    case 'C':
      return "CHAR(" + width + ")";
    case 'N':
      if (field.decimals == 0 && field.width <= kWidestInteger) return "INTEGER";
      return "NUMERIC(" + width + "," + std::to_string(field.decimals) + ")";
    case 'F':
      return "DOUBLE";
    case 'D':
      return "DATE";
    case 'L':
      return "BIT";
    default:
      return "VARCHAR(" + width + ")";
  }
}

std::optional<DbfContent> ReadDbf(std::string_view dbf_bytes, std::string_view cpg_text,
                                  const std::string& table_name, std::string* problem) {
  std::string local_problem;
  std::string& out = problem ? *problem : local_problem;
  if (!CheckHeader(dbf_bytes, &out)) return std::nullopt;
  MemorySource source{dbf_bytes, cpg_text, !cpg_text.empty(), {}};
  SAHooks hooks = MemoryHooks();
  current_source = &source;
  DbfOwner dbf(DBFOpenLL("staged.dbf", "rb", &hooks));
  current_source = nullptr;
  if (!dbf) {
    out =
        "wrong header: " + (source.library_message.empty() ? std::string("shapelib cannot read it")
                                                           : source.library_message);
    return std::nullopt;
  }
  DbfContent content;
  content.fields = FieldsOf(dbf.get());
  if (!CheckLayout(*dbf, content.fields, &out)) return std::nullopt;
  content.version = static_cast<unsigned char>(dbf_bytes[0]);
  content.language_driver = static_cast<unsigned char>(dbf_bytes[29]);
  const auto records = LiveRecords(dbf.get(), dbf_bytes);
  content.encoding = ChooseEncoding(CodePageOf(cpg_text, source.has_cpg), content.fields, records);

  std::vector<std::string> raw_names;
  for (const DbfField& field : content.fields) raw_names.push_back(field.name);
  const std::vector<std::string> names = UniqueColumnNames(raw_names);
  content.table.name = table_name;
  for (std::size_t f = 0; f < content.fields.size(); ++f) {
    const DbfField& field = content.fields[f];
    content.table.columns.push_back(
        {names[f], DeclaredType(field),
         field.type == 'C' ? LengthCheck(field, names[f], content.encoding) : ""});
  }
  content.table.rows.reserve(records.size());
  for (std::size_t r = 0; r < records.size(); ++r) {
    std::vector<Cell> row(content.fields.size());
    for (std::size_t f = 0; f < content.fields.size(); ++f) {
      if (!ParseField(records[r][f], content.fields[f], content.encoding, &row[f])) {
        out = "field " + content.fields[f].name + " of record " +
              std::to_string(records[r].number) + " holds \"" +
              Decode(Trim(records[r][f]), DbfEncoding::kLatin1) + "\", which is not a valid " +
              DeclaredType(content.fields[f]) + " value";
        return std::nullopt;
      }
    }
    content.table.rows.push_back(std::move(row));
  }
  return content;
}

}  // namespace velmora::filedb

#include "transfer/pdb_reader.h"

#include <fstream>

#include "platform/text/utf.h"
#include "transfer/byte_io.h"
#include "transfer/pdb_format.h"
#include "transfer/pdb_value_text.h"

namespace velmora::transfer {
namespace {

// Column names written by this system are at most 129 characters; longer runs without a 0 are
// damage, and bounding them keeps a hostile column list from costing time per column.
constexpr std::size_t kMaxColumnNameUnits = 1024;

std::uint32_t Be32(std::string_view data, std::size_t at) {
  return static_cast<std::uint32_t>(bytes::GetBe(data, at, 4).value_or(0));
}
std::uint16_t Be16(std::string_view data, std::size_t at) {
  return static_cast<std::uint16_t>(bytes::GetBe(data, at, 2).value_or(0));
}

}  // namespace

bool PdbReader::Open(const std::filesystem::path& path) {
  Close();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  // Read in large pieces into one buffer, not byte by byte.
  std::string data;
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (!ec) data.reserve(static_cast<std::size_t>(size));
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    data.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) return false;
  return OpenBytes(std::move(data));
}

bool PdbReader::OpenBytes(std::string data) {
  Close();
  if (data.size() < kPdbHeaderSize) return false;
  bytes_ = std::move(data);
  open_ = true;
  LoadHeader();
  if (IsContactFile() && header_.column_list_offset != 0) LoadColumns();
  return true;
}

void PdbReader::Close() {
  open_ = false;
  bytes_.clear();
  header_ = PdbHeader();
  stored_column_count_ = 0;
  columns_.clear();
}

void PdbReader::LoadHeader() {
  std::string_view data = bytes_;
  header_.name = text::Utf16ToUtf8(bytes::GetUtf16LeUntilZero(data.substr(0, kPdbNameBytes), 0));
  header_.attributes = Be16(data, 64);
  header_.version = Be16(data, 66);
  header_.creation_time = Be32(data, 68);
  header_.modification_time = Be32(data, 72);
  header_.backup_time = Be32(data, 76);
  header_.modification_number = Be32(data, 80);
  header_.column_list_offset = Be32(data, kPdbColumnListAt);
  header_.sort_info_offset = Be32(data, kPdbSortInfoAt);
  header_.type = std::string(data.substr(kPdbTypeAt, 4));
  header_.creator = std::string(data.substr(kPdbCreatorAt, 4));
  header_.unique_id_seed = Be32(data, 100);
  header_.next_record_list = Be32(data, 104);
  header_.record_count = Be16(data, kPdbRecordCountAt);
}

void PdbReader::LoadColumns() {
  std::string_view data = bytes_;
  std::uint64_t base = header_.column_list_offset;
  std::optional<std::uint64_t> count = bytes::GetBe(data, base, 2);
  if (!count) return;
  stored_column_count_ = static_cast<int>(*count);
  for (std::uint64_t j = 0; j < *count; ++j) {
    std::optional<std::uint64_t> slot = bytes::GetBe(data, base + 2 + 2 * j, 2);
    if (!slot) return;
    std::uint64_t at = base + *slot;
    if (!bytes::Fits(data, at, 6)) return;
    PdbColumn column;
    column.type_code = Be16(data, at);
    column.size = Be16(data, at + 2);
    column.digits = Be16(data, at + 4);
    column.name = text::Utf16ToUtf8(bytes::GetUtf16LeUntilZero(data, at + 6, kMaxColumnNameUnits));
    columns_.push_back(std::move(column));
  }
}

bool PdbReader::IsContactFile() const {
  return open_ && header_.type == "KOBA" && header_.creator == "DBPL";
}

PdbColumn PdbReader::Column(int column) const {
  if (column < 0 || column >= ColumnCount()) return PdbColumn();
  return columns_[static_cast<std::size_t>(column)];
}

long PdbReader::RecordCount() const {
  if (!open_) return 0;
  std::size_t fitting = (bytes_.size() - kPdbHeaderSize) / kPdbRecordEntrySize;
  return static_cast<long>(std::min<std::size_t>(header_.record_count, fitting));
}

std::optional<std::uint32_t> PdbReader::RecordOffset(long record) const {
  if (record < 0 || record >= RecordCount()) return std::nullopt;
  return Be32(bytes_, kPdbHeaderSize + kPdbRecordEntrySize * static_cast<std::size_t>(record));
}

std::string_view PdbReader::RawValue(long record, int column) const {
  std::optional<std::uint32_t> start = RecordOffset(record);
  if (!start || column < 0 || column >= ColumnCount()) return std::string_view();
  std::string_view data = bytes_;
  std::optional<std::uint64_t> slot =
      bytes::GetBe(data, static_cast<std::uint64_t>(*start) + 2 * static_cast<unsigned>(column), 2);
  if (!slot) return std::string_view();
  std::uint64_t at = static_cast<std::uint64_t>(*start) + *slot;
  if (at >= data.size()) return std::string_view();
  return data.substr(static_cast<std::size_t>(at));
}

std::string PdbReader::ValueText(long record, int column, TextForm form) const {
  return PdbValueText(ColumnType(column), RawValue(record, column), form);
}

std::optional<db::Value> PdbReader::TypedValue(long record, int column) const {
  return PdbTypedValue(ColumnType(column), RawValue(record, column));
}

std::optional<std::string> FindPdbDamage(const PdbReader& reader) {
  if (!reader.IsOpen()) return "the file could not be read or is shorter than its 112-byte header";
  if (!reader.IsContactFile()) return "bytes 92-99 are not \"KOBA\" \"DBPL\"";
  const PdbHeader& h = reader.Header();
  if (reader.RecordCount() < h.record_count) return "the record list runs past the end of the file";
  if (h.column_list_offset == 0 || h.column_list_offset >= reader.FileSize()) {
    return "the column list offset points outside the file";
  }
  if (reader.ColumnCount() < reader.StoredColumnCount()) {
    return "the column list runs past the end of the file";
  }
  for (long r = 0; r < reader.RecordCount(); ++r) {
    std::uint32_t offset = *reader.RecordOffset(r);
    if (offset > reader.FileSize()) {
      return "record " + std::to_string(r) + " starts past the end of the file";
    }
    for (int j = 0; j < reader.ColumnCount(); ++j) {
      if (!PdbValueFits(reader.ColumnType(j), reader.RawValue(r, j)) &&
          offset < reader.FileSize()) {
        return "value " + std::to_string(j) + " of record " + std::to_string(r) +
               " lies outside the file";
      }
    }
  }
  return std::nullopt;
}

}  // namespace velmora::transfer

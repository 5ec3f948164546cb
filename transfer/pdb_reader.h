// Reader of contact PDB files: header, column list, record offsets and values as text in
// display or full form, or as typed values. Used by the desktop manager's restore and views,
// the inspector and the handheld's agent stand-in. Works on the file's bytes in memory, opens
// files read-only, and never reads outside the bytes it holds whatever they contain.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/value.h"

namespace velmora::transfer {

enum class TextForm {
  kDisplay,  // short form for grids: texts cut at 256 units, line feeds as two blanks
  kFull,     // everything: line feeds as carriage return + line feed
};

struct PdbHeader {
  std::string name;  // UTF-8
  std::uint16_t attributes = 0;
  std::uint16_t version = 0;
  std::uint32_t creation_time = 0;  // seconds since 1970-01-01 00:00:00 UTC
  std::uint32_t modification_time = 0;
  std::uint32_t backup_time = 0;
  std::uint32_t modification_number = 0;
  std::uint32_t column_list_offset = 0;
  std::uint32_t sort_info_offset = 0;
  std::string type;     // 4 bytes, "KOBA" in a contact file
  std::string creator;  // 4 bytes, "DBPL" in a contact file
  std::uint32_t unique_id_seed = 0;
  std::uint32_t next_record_list = 0;
  std::uint16_t record_count = 0;  // as stored
};

struct PdbColumn {
  int type_code = -1;
  int size = 0;
  int digits = 0;
  std::string name = "field";
};

class PdbReader {
 public:
  // Reads the whole file; false when it cannot be read or is shorter than a header. Opening
  // another file closes the first.
  bool Open(const std::filesystem::path& path);
  // The same over bytes already in memory.
  bool OpenBytes(std::string bytes);
  void Close();
  bool IsOpen() const { return open_; }

  // True when bytes 92-99 are "KOBA" "DBPL": only then are columns loaded.
  bool IsContactFile() const;
  const PdbHeader& Header() const { return header_; }
  std::size_t FileSize() const { return bytes_.size(); }

  // Columns whose descriptors lie inside the file, in order; may be fewer than the stored
  // count when the column list is damaged.
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  int StoredColumnCount() const { return stored_column_count_; }
  // Type code -1, size and digits 0 and the name "field" outside 0 … ColumnCount() - 1.
  PdbColumn Column(int column) const;
  // Without copying the descriptor: asked once per value.
  int ColumnType(int column) const {
    return column < 0 || column >= ColumnCount()
               ? -1
               : columns_[static_cast<std::size_t>(column)].type_code;
  }
  std::string ColumnName(int column) const { return Column(column).name; }

  // The stored record count, lowered to the number of record list entries inside the file.
  long RecordCount() const;
  std::optional<std::uint32_t> RecordOffset(long record) const;

  // Value of `column` in `record` as text; empty when it cannot be located or decoded.
  std::string ValueText(long record, int column, TextForm form) const;
  // Typed value: text codes give UTF-8 text, numbers int64 or double, dates Date/Time/Timestamp;
  // none when the value cannot be located or its code is unknown. An invalid stored date
  // gives Null.
  std::optional<db::Value> TypedValue(long record, int column) const;

  // The bytes of `column`'s value in `record` up to the end of the file (for callers that
  // decode themselves); empty when it cannot be located.
  std::string_view RawValue(long record, int column) const;

 private:
  void LoadHeader();
  void LoadColumns();

  bool open_ = false;
  std::string bytes_;
  PdbHeader header_;
  int stored_column_count_ = 0;
  std::vector<PdbColumn> columns_;
};

// Why a contact PDB file cannot be trusted (column list outside the file or cut short, record
// offsets or value slots pointing outside it); none when it looks whole. Used by the inspector.
std::optional<std::string> FindPdbDamage(const PdbReader& reader);

}  // namespace velmora::transfer

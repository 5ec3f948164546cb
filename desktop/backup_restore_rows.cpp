#include "desktop/backup_restore_rows.h"

#include "db/type_codes.h"
#include "transfer/pdb_format.h"

namespace velmora::desktop {
namespace {

int NormalisedType(int pdb_code) {
  switch (pdb_code) {
    case transfer::kPdbText:
      return db::kTypeChar;
    case transfer::kPdbNumericText:
      return db::kTypeNumeric;
    case transfer::kPdbDouble:
      return db::kTypeDouble;
    case transfer::kPdbReal:
      return db::kTypeReal;
    case transfer::kPdbInt32:
      return db::kTypeInteger;
    case transfer::kPdbInt16:
      return db::kTypeSmallInt;
    case transfer::kPdbUInt16:
      return db::kTypeUShort;
    case transfer::kPdbUInt32:
      return db::kTypeULong;
    case transfer::kPdbTimestamp:
      return db::kTypeTimestamp;
    case transfer::kPdbTime:
      return db::kTypeTime;
    case transfer::kPdbDate:
      return db::kTypeDate;
    case transfer::kPdbInt8:
      return db::kTypeSTinyInt;
    case transfer::kPdbBit:
      return db::kTypeBit;
    case transfer::kPdbTinyInt:
      return db::kTypeTinyInt;
    default:
      return db::kTypeUnknown;
  }
}

}  // namespace

bool BackupRows::Open(const std::filesystem::path& file) {
  current_ = -1;
  if (!reader_.Open(file) || !reader_.IsContactFile()) {
    reader_.Close();
    return false;
  }
  return true;
}

int BackupRows::ColumnCount() const {
  return reader_.IsOpen() ? reader_.ColumnCount() : 0;
}

long BackupRows::RowCount() const {
  return reader_.IsOpen() ? reader_.RecordCount() : 0;
}

std::string BackupRows::ColumnName(int column) const {
  return reader_.ColumnName(column);
}

int BackupRows::ColumnType(int column) const {
  return NormalisedType(reader_.ColumnType(column));
}

int BackupRows::ColumnSize(int column) const {
  return reader_.Column(column).size;
}

int BackupRows::DecimalDigits(int column) const {
  return reader_.Column(column).digits;
}

bool BackupRows::MoveToRow(long row) {
  if (row < 0 || row >= RowCount()) return false;
  current_ = row;
  return true;
}

std::string BackupRows::ValueText(long /*row*/, int column) {
  if (current_ < 0) return {};
  return reader_.ValueText(current_, column, transfer::TextForm::kDisplay);
}

db::Value BackupRows::GetValue(int column) {
  if (current_ < 0) return db::Null{};
  return reader_.TypedValue(current_, column).value_or(db::Null{});
}

}  // namespace velmora::desktop

// The rows of a table backup file as a result set, so that the Backup Restore dialog's right
// grid shows them like any query. Used by that dialog; Qt-free. Reads the file once into
// memory and never writes it.
#pragma once

#include <filesystem>
#include <string>

#include "db/result_set.h"
#include "transfer/pdb_reader.h"

namespace velmora::desktop {

class BackupRows : public db::ResultSet {
 public:
  // False (nothing open) when the file cannot be read or is not a contact PDB file.
  bool Open(const std::filesystem::path& file);
  bool IsOpen() const { return reader_.IsOpen(); }
  const transfer::PdbReader& reader() const { return reader_; }

  int ColumnCount() const override;
  long RowCount() const override;
  std::string ColumnName(int column) const override;
  int ColumnType(int column) const override;
  int ColumnSize(int column) const override;
  int DecimalDigits(int column) const override;
  bool MoveToRow(long row) override;
  std::string ValueText(long row, int column) override;
  db::Value GetValue(int column) override;

 private:
  transfer::PdbReader reader_;
  long current_ = -1;
};

}  // namespace velmora::desktop

// Writers of contact PDB files from a result set: the profile transfer file (only the columns
// the profile maps, under their device field names) and the table backup (every column the
// format can carry, under its desktop name). Used by the conduit; never logs or shows anything
// itself: the caller learns of each step through TransferProgress and writes its own log.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "db/result_set.h"

namespace velmora::transfer {

// One result column that the transfer file carries, and the name its descriptor gets.
struct PdbColumnChoice {
  int result_column = 0;  // counts from 0
  std::string name;       // UTF-8; the device field name for a transfer file
};

// Notified as the file is built; every method has an empty default.
class TransferProgress {
 public:
  virtual ~TransferProgress() = default;
  // Number of rows that will be written (at most 65535).
  virtual void RowCount(long /*rows*/) {}
  // A column that made it into the file, in file order, with its column type code.
  virtual void ColumnWritten(const PdbColumnChoice& /*column*/, int /*type_code*/) {}
  // Before row `row` (counting from 0) of `rows` is fetched.
  virtual void RowStarted(long /*row*/, long /*rows*/) {}
  // Row `row` could not be fetched; it becomes a record of size 0.
  virtual void RowFetchFailed(long /*row*/) {}
  // A text of row `row` in `column` had `units` code units and only `kept` fit the format.
  virtual void ValueCut(long /*row*/, const PdbColumnChoice& /*column*/, std::size_t /*units*/,
                        std::size_t /*kept*/) {}
  // A column whose type the format cannot carry; it is not in the file.
  virtual void ColumnLeftOut(const PdbColumnChoice& /*column*/) {}
};

// Writes `rows` into a contact PDB file at `target`, carrying the chosen columns whose types
// the format can carry, in the order given. `slot_count` is the number of value slots every
// record reserves (the profile's mapping count); it is raised to the number of written columns
// when it is smaller. The target is replaced only when the whole file was written. Returns
// false when the file cannot be written or the column list cannot be expressed.
bool WriteTransferPdb(db::ResultSet& rows, const std::filesystem::path& target,
                      std::string_view database_name, int slot_count,
                      const std::vector<PdbColumnChoice>& columns,
                      TransferProgress* progress = nullptr);

// The same layout with every column whose type has a code, named by the result set; the slot
// count is the number of such columns.
bool WriteTablePdb(db::ResultSet& rows, const std::filesystem::path& target,
                   std::string_view database_name, TransferProgress* progress = nullptr);

}  // namespace velmora::transfer

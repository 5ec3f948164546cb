// The log lines that say what a transfer file could not carry: a text cut at the format's
// limit (16382 UTF-16 units, less when a record's texts together pass 65535 bytes) and a column
// whose type or name the file cannot hold. Used by every writer of a transfer or backup file
// in the conduit, so that a user can see in the log what did not travel.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "conduit/run_context.h"
#include "transfer/pdb_writer.h"

namespace velmora::conduit {

// "\r\n\tValue cut: record R, column "C", K of N characters kept" (R counts from 1).
std::string ValueCutLine(long record, std::string_view column, std::size_t units, std::size_t kept);
// "\r\n\tColumn left out: "C" (why)".
std::string ColumnLeftOutLine(std::string_view column, std::string_view why);

// Logs every cut and every column left out while a PDB file is written, and remembers rows
// that could not be read, which make the file incomplete.
class CutLog : public transfer::TransferProgress {
 public:
  explicit CutLog(RunContext& context) : context_(context) {}
  void RowFetchFailed(long row) override;
  void ValueCut(long row, const transfer::PdbColumnChoice& column, std::size_t units,
                std::size_t kept) override;
  void ColumnLeftOut(const transfer::PdbColumnChoice& column) override;
  // True when a row or a column is missing from the file.
  bool Incomplete() const { return incomplete_; }

 private:
  RunContext& context_;
  bool incomplete_ = false;
};

}  // namespace velmora::conduit

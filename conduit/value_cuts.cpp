#include "conduit/value_cuts.h"

namespace velmora::conduit {

std::string ValueCutLine(long record, std::string_view column, std::size_t units,
                         std::size_t kept) {
  return "\r\n\tValue cut: record " + std::to_string(record) + ", column \"" + std::string(column) +
         "\", " + std::to_string(kept) + " of " + std::to_string(units) + " characters kept";
}

std::string ColumnLeftOutLine(std::string_view column, std::string_view why) {
  return "\r\n\tColumn left out: \"" + std::string(column) + "\" (" + std::string(why) + ")";
}

void CutLog::RowFetchFailed(long row) {
  incomplete_ = true;
  context_.Log("\r\n\tRow " + std::to_string(row + 1) + " could not be read");
}

void CutLog::ValueCut(long row, const transfer::PdbColumnChoice& column, std::size_t units,
                      std::size_t kept) {
  context_.Log(ValueCutLine(row + 1, column.name, units, kept));
}

void CutLog::ColumnLeftOut(const transfer::PdbColumnChoice& column) {
  incomplete_ = true;
  context_.Log(ColumnLeftOutLine(column.name, "its type cannot be stored in the file"));
}

}  // namespace velmora::conduit

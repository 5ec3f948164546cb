#include "transfer/pdb_writer.h"

#include <algorithm>

#include "db/type_codes.h"
#include "transfer/atomic_file.h"
#include "transfer/byte_io.h"
#include "transfer/pdb_format.h"
#include "transfer/pdb_layout.h"
#include "transfer/pdb_values.h"

namespace velmora::transfer {
namespace {

struct WrittenColumn {
  PdbColumnChoice choice;
  PdbDescriptor descriptor;
};

std::vector<WrittenColumn> CodedColumns(db::ResultSet& rows,
                                        const std::vector<PdbColumnChoice>& columns,
                                        TransferProgress* progress) {
  std::vector<WrittenColumn> written;
  for (const PdbColumnChoice& choice : columns) {
    if (choice.result_column < 0 || choice.result_column >= rows.ColumnCount()) continue;
    std::optional<int> code = PdbCodeForColumnType(rows.ColumnType(choice.result_column));
    if (!code) {
      if (progress) progress->ColumnLeftOut(choice);
      continue;
    }
    PdbDescriptor d{*code, db::CapColumnSize(rows.ColumnSize(choice.result_column)),
                    rows.DecimalDigits(choice.result_column), choice.name};
    written.push_back({choice, d});
  }
  return written;
}

long RowsToWrite(db::ResultSet& rows) {
  return std::clamp(rows.RowCount(), 0L, kPdbMaxRecords);
}

std::string RecordForRow(db::ResultSet& rows, long row, const std::vector<WrittenColumn>& columns,
                         int slot_count, TransferProgress* progress) {
  if (!rows.MoveToRow(row)) {
    if (progress) progress->RowFetchFailed(row);
    return std::string();
  }
  std::vector<PdbCell> cells;
  cells.reserve(columns.size());
  for (const WrittenColumn& c : columns) {
    cells.push_back({c.descriptor.code, rows.GetValue(c.choice.result_column)});
  }
  // The column set was checked to fit with empty texts, so encoding cannot fail here.
  std::vector<PdbCut> cuts;
  std::string record = EncodePdbRecord(cells, slot_count, &cuts).value_or(std::string());
  if (progress) {
    for (const PdbCut& cut : cuts) {
      progress->ValueCut(row, columns[cut.cell].choice, cut.units, cut.kept);
    }
  }
  return record;
}

bool WritePdb(db::ResultSet& rows, const std::filesystem::path& target,
              std::string_view database_name, int slot_count,
              const std::vector<WrittenColumn>& columns, TransferProgress* progress) {
  slot_count = std::max(slot_count, static_cast<int>(columns.size()));
  std::vector<PdbDescriptor> descriptors;
  std::vector<int> codes;
  for (const WrittenColumn& c : columns) {
    descriptors.push_back(c.descriptor);
    codes.push_back(c.descriptor.code);
  }
  std::optional<std::string> column_list = EncodePdbColumnList(descriptors, slot_count);
  if (!column_list || MinimumPdbRecordSize(codes, slot_count) > kPdbMaxOffset) return false;

  long n = RowsToWrite(rows);
  if (progress) {
    progress->RowCount(n);
    for (const WrittenColumn& c : columns) progress->ColumnWritten(c.choice, c.descriptor.code);
  }

  AtomicFile file(target);
  if (!file.ok()) return false;
  file.Write(EncodePdbHeader(database_name, static_cast<std::uint16_t>(n), PdbNow()));
  file.Write(std::string(kPdbRecordEntrySize * static_cast<std::size_t>(n), '\0'));
  file.Write(*column_list);

  std::string entries;
  entries.reserve(kPdbRecordEntrySize * static_cast<std::size_t>(n));
  for (long r = 0; r < n; ++r) {
    if (progress) progress->RowStarted(r, n);
    std::uint64_t offset = file.Size();
    if (offset > 0xFFFFFFFFu) return false;  // record offsets are 32-bit
    bytes::PutBe32(entries, static_cast<std::uint32_t>(offset));
    bytes::PutBe32(entries, 0);
    file.Write(RecordForRow(rows, r, columns, slot_count, progress));
  }
  if (n > 0) file.WriteAt(kPdbHeaderSize, entries);
  return file.Commit();
}

}  // namespace

bool WriteTransferPdb(db::ResultSet& rows, const std::filesystem::path& target,
                      std::string_view database_name, int slot_count,
                      const std::vector<PdbColumnChoice>& columns, TransferProgress* progress) {
  return WritePdb(rows, target, database_name, slot_count, CodedColumns(rows, columns, progress),
                  progress);
}

bool WriteTablePdb(db::ResultSet& rows, const std::filesystem::path& target,
                   std::string_view database_name, TransferProgress* progress) {
  std::vector<PdbColumnChoice> every;
  for (int c = 0; c < rows.ColumnCount(); ++c) every.push_back({c, rows.ColumnName(c)});
  std::vector<WrittenColumn> columns = CodedColumns(rows, every, progress);
  return WritePdb(rows, target, database_name, static_cast<int>(columns.size()), columns, progress);
}

}  // namespace velmora::transfer

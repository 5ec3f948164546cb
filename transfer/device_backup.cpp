#include "transfer/device_backup.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "transfer/atomic_file.h"
#include "transfer/byte_io.h"
#include "transfer/pdb_format.h"
#include "transfer/pdb_layout.h"
#include "transfer/pdb_values.h"

namespace velmora::transfer {
namespace {

// An append succeeds while the file holds at most kPdbAppendLimit records, so a file built by
// appends ends with at most one more.
constexpr std::size_t kBackupMaxRecords = kPdbAppendLimit + 1;

std::optional<std::string> BackupColumnList(const std::vector<std::string>& field_names) {
  if (field_names.size() != kDeviceBackupColumns) return std::nullopt;
  std::vector<PdbDescriptor> descriptors;
  for (const std::string& name : field_names) {
    descriptors.push_back({kPdbText, kDeviceBackupColumnSize, 0, name});
  }
  return EncodePdbColumnList(descriptors, kDeviceBackupColumns);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return data;
}

// The file with one more record, or none when the append must be refused.
std::optional<std::string> WithAppendedRecord(std::string_view old, std::string_view record) {
  if (old.size() < kPdbHeaderSize || old.substr(kPdbTypeAt, 8) != "KOBADBPL") return std::nullopt;
  std::uint64_t n = *bytes::GetBe(old, kPdbRecordCountAt, 2);
  std::uint64_t column_list = *bytes::GetBe(old, kPdbColumnListAt, 4);
  if (n > static_cast<std::uint64_t>(kPdbAppendLimit)) return std::nullopt;
  if (column_list != kPdbHeaderSize + kPdbRecordEntrySize * n || column_list > old.size()) {
    return std::nullopt;
  }
  if (old.size() + kPdbRecordEntrySize > 0xFFFFFFFFu) return std::nullopt;

  std::string out(old.substr(0, kPdbHeaderSize));
  bytes::SetBe16(out, kPdbRecordCountAt, static_cast<std::uint16_t>(n + 1));
  bytes::SetBe32(out, kPdbColumnListAt,
                 static_cast<std::uint32_t>(kPdbHeaderSize + kPdbRecordEntrySize * (n + 1)));
  bytes::SetBe32(out, kPdbSortInfoAt, 0);
  out.reserve(old.size() + kPdbRecordEntrySize + record.size());
  for (std::uint64_t r = 0; r < n; ++r) {
    std::size_t at = kPdbHeaderSize + kPdbRecordEntrySize * r;
    std::uint64_t offset = *bytes::GetBe(old, at, 4) + kPdbRecordEntrySize;
    bytes::PutBe32(out, static_cast<std::uint32_t>(offset));
    out.append(old.substr(at + 4, 4));
  }
  bytes::PutBe32(out, static_cast<std::uint32_t>(old.size() + kPdbRecordEntrySize));
  bytes::PutBe32(out, 0);
  out.append(old.substr(column_list));
  out.append(record);
  return out;
}

}  // namespace

std::string BuildTextRecord(const std::vector<std::string>& values, int slot_count,
                            std::vector<PdbCut>* cuts) {
  std::vector<PdbCell> cells;
  cells.reserve(values.size());
  for (const std::string& v : values) cells.push_back({kPdbText, v});
  // Text cells with at most 32766 slots always fit once their texts are cut.
  return EncodePdbRecord(cells, slot_count, cuts).value_or(std::string());
}

bool CreateDeviceBackupPdb(const std::filesystem::path& path,
                           const std::vector<std::string>& field_names) {
  return WriteDeviceBackupPdb(path, field_names, {});
}

bool WriteDeviceBackupPdb(const std::filesystem::path& path,
                          const std::vector<std::string>& field_names,
                          const std::vector<std::vector<std::string>>& records,
                          std::vector<std::pair<std::size_t, PdbCut>>* cuts) {
  std::optional<std::string> column_list = BackupColumnList(field_names);
  if (!column_list) return false;
  std::size_t n = std::min(records.size(), kBackupMaxRecords);

  AtomicFile file(path);
  if (!file.ok()) return false;
  file.Write(EncodePdbHeader(kDeviceBackupName, static_cast<std::uint16_t>(n), PdbNow()));
  std::uint64_t offset = kPdbHeaderSize + kPdbRecordEntrySize * n + column_list->size();
  std::vector<std::string> encoded;
  encoded.reserve(n);
  std::string entries;
  for (std::size_t r = 0; r < n; ++r) {
    std::vector<PdbCut> record_cuts;
    encoded.push_back(BuildTextRecord(records[r], kDeviceBackupColumns, &record_cuts));
    if (cuts) {
      for (const PdbCut& cut : record_cuts) cuts->emplace_back(r, cut);
    }
    if (offset > 0xFFFFFFFFu) return false;
    bytes::PutBe32(entries, static_cast<std::uint32_t>(offset));
    bytes::PutBe32(entries, 0);
    offset += encoded.back().size();
  }
  file.Write(entries);
  file.Write(*column_list);
  for (const std::string& record : encoded) file.Write(record);
  return file.Commit();
}

bool AppendPdbRecord(const std::filesystem::path& path, std::string_view record) {
  std::optional<std::string> old = ReadWholeFile(path);
  if (!old) return false;
  std::optional<std::string> appended = WithAppendedRecord(*old, record);
  return appended && WriteFileAtomically(path, *appended);
}

}  // namespace velmora::transfer

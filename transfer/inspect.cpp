#include "transfer/inspect.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <optional>
#include <ostream>

#include "db/type_codes.h"
#include "platform/files/unique_fd.h"
#include "transfer/byte_io.h"
#include "transfer/csv_text.h"
#include "transfer/pdb_format.h"
#include "transfer/pdb_reader.h"
#include "transfer/pim_reader.h"

namespace velmora::transfer {
namespace {

constexpr std::string_view kUsage =
    "Usage: velmora-inspect [--csv] FILE\n"
    "Prints a contact PDB file (transfer file or backup) or a PIM export file.\n"
    "  --csv   print RFC 4180 CSV in UTF-8: a header of column names, then one line per\n"
    "          record with values in full form\n"
    "  --help  print this text\n"
    "Exit status: 0 printed, 1 unreadable, unknown or damaged file, 2 wrong arguments.\n";

std::string_view CodeName(int code) {
  switch (code) {
    case kPdbText:
      return "text";
    case kPdbDouble:
      return "double";
    case kPdbReal:
      return "real";
    case kPdbInt32:
      return "32-bit signed";
    case kPdbInt16:
      return "16-bit signed";
    case kPdbTimestamp:
      return "timestamp";
    case kPdbTime:
      return "time";
    case kPdbDate:
      return "date";
    case kPdbInt8:
      return "8-bit signed";
    case kPdbBit:
      return "bit";
    case kPdbNumericText:
      return "number as text";
    case kPdbUInt32:
      return "32-bit unsigned";
    case kPdbUInt16:
      return "16-bit unsigned";
    case kPdbTinyInt:
      return "tiny integer";
    default:
      return "unknown";
  }
}

std::string UtcText(std::uint32_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buffer[40];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S UTC", &tm);
  return buffer;
}

// The slot count a writer reserved, seen from the first descriptor's offset.
std::optional<std::uint64_t> SlotCount(const PdbReader& reader, std::string_view data) {
  if (reader.StoredColumnCount() == 0) return std::nullopt;
  std::optional<std::uint64_t> first =
      bytes::GetBe(data, reader.Header().column_list_offset + 2, 2);
  if (!first || *first < 2) return std::nullopt;
  return (*first - 2) / 2;
}

void PrintPdb(const PdbReader& reader, std::string_view data, const std::string& path,
              std::ostream& out) {
  const PdbHeader& h = reader.Header();
  out << "Contact PDB file " << path << " (" << data.size() << " bytes)\n"
      << "Header\n"
      << "  Database name:           " << h.name << "\n"
      << "  Attributes:              " << h.attributes << "\n"
      << "  Version:                 " << h.version << "\n"
      << "  Created:                 " << UtcText(h.creation_time) << " (" << h.creation_time
      << ")\n"
      << "  Modified:                " << UtcText(h.modification_time) << " ("
      << h.modification_time << ")\n"
      << "  Last backup:             " << h.backup_time << "\n"
      << "  Modification number:     " << h.modification_number << "\n"
      << "  Column list offset:      " << h.column_list_offset << "\n"
      << "  Sort information offset: " << h.sort_info_offset << "\n"
      << "  Type and creator:        " << h.type << " " << h.creator << "\n"
      << "  Unique-id seed:          " << h.unique_id_seed << "\n"
      << "  Next record list:        " << h.next_record_list << "\n"
      << "  Records:                 " << reader.RecordCount() << "\n";
  out << "Columns: " << reader.ColumnCount();
  if (std::optional<std::uint64_t> slots = SlotCount(reader, data)) {
    out << " (" << *slots << " slots per record)";
  }
  out << "\n";
  for (int j = 0; j < reader.ColumnCount(); ++j) {
    PdbColumn c = reader.Column(j);
    out << "  " << j << ". " << c.name << "  type " << c.type_code << " (" << CodeName(c.type_code)
        << "), size " << c.size << ", digits " << c.digits << "\n";
  }
  for (long r = 0; r < reader.RecordCount(); ++r) {
    out << "Record " << r << " at offset " << *reader.RecordOffset(r) << "\n";
    for (int j = 0; j < reader.ColumnCount(); ++j) {
      out << "  " << reader.ColumnName(j) << ": " << reader.ValueText(r, j, TextForm::kDisplay)
          << "\n";
    }
  }
}

void PrintPdbCsv(const PdbReader& reader, std::ostream& out) {
  std::vector<std::string> fields;
  for (int j = 0; j < reader.ColumnCount(); ++j) fields.push_back(reader.ColumnName(j));
  out << CsvLine(fields);
  for (long r = 0; r < reader.RecordCount(); ++r) {
    fields.clear();
    for (int j = 0; j < reader.ColumnCount(); ++j) {
      fields.push_back(reader.ValueText(r, j, TextForm::kFull));
    }
    out << CsvLine(fields);
  }
}

void PrintPim(std::string_view data, const std::string& path, std::ostream& out) {
  long count = PimRecordCount(data);
  out << "PIM export file " << path << " (" << data.size() << " bytes)\n"
      << "Records: " << count << "\n";
  for (long r = 1; r <= count; ++r) {
    std::size_t at = kPimIndexEntrySize * static_cast<std::size_t>(r) - 4;
    std::vector<PimFieldText> fields =
        PimRecordFields(data, r).value_or(std::vector<PimFieldText>());
    out << "Record " << r << " at offset " << *bytes::GetLe(data, at, 4) << ", "
        << *bytes::GetLe(data, at + 4, 2) << " bytes, " << fields.size() << " fields\n";
    for (const PimFieldText& f : fields) {
      out << "  " << f.code << ". " << PimFieldName(f.code) << ": " << f.value << "\n";
    }
  }
}

void PrintPimCsv(std::string_view data, std::ostream& out) {
  out << CsvLine(std::vector<std::string>(kPimFieldNames.begin(), kPimFieldNames.end()));
  long count = PimRecordCount(data);
  for (long r = 1; r <= count; ++r) {
    PimPositionSlots slots;
    PimRecordByPosition(data, r, slots);
    out << CsvLine(std::vector<std::string>(slots.begin(), slots.end()));
  }
}

// No transfer file comes near this; a larger one is not read into memory.
constexpr std::uint64_t kLargestFile = 256u << 20;

// The bytes of a regular file of at most kLargestFile bytes; none with `why` otherwise (a
// folder, a device such as /dev/zero or a pipe is never read).
std::optional<std::string> ReadFile(const std::string& path, std::string* why) {
  *why = "cannot be read";
  // Non-blocking, so that opening a pipe with no writer does not wait.
  const files::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) return std::nullopt;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return std::nullopt;
  if (!S_ISREG(info.st_mode)) {
    *why = "not a regular file";
    return std::nullopt;
  }
  if (static_cast<std::uint64_t>(info.st_size) > kLargestFile) {
    *why = "larger than 256 MiB, too large for a transfer file";
    return std::nullopt;
  }
  std::string data(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t got = 0;
  while (got < data.size()) {
    const ssize_t n = ::read(fd.get(), data.data() + got, data.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;  // shrank meanwhile
    got += static_cast<std::size_t>(n);
  }
  data.resize(got);
  return data;
}

}  // namespace

FileKind DetectFileKind(std::string_view data) {
  if (data.size() >= kPdbHeaderSize && data.substr(kPdbTypeAt, 8) == "KOBADBPL") {
    return FileKind::kContactPdb;
  }
  if (!FindPimDamage(data)) return FileKind::kPimExport;
  return FileKind::kUnknown;
}

int RunInspect(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  bool csv = false;
  std::optional<std::string> path;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      out << kUsage;
      return 0;
    }
    if (arg == "--csv") {
      csv = true;
    } else if (!path && (arg.empty() || arg[0] != '-' || arg == "-")) {
      path = arg;
    } else {
      err << "velmora-inspect: unexpected argument '" << arg << "'\n" << kUsage;
      return 2;
    }
  }
  if (!path) {
    err << "velmora-inspect: no file given\n" << kUsage;
    return 2;
  }
  std::string why;
  std::optional<std::string> data = ReadFile(*path, &why);
  if (!data) {
    err << "velmora-inspect: " << *path << ": " << why << "\n";
    return 1;
  }
  switch (DetectFileKind(*data)) {
    case FileKind::kContactPdb: {
      PdbReader reader;
      reader.OpenBytes(*data);
      if (std::optional<std::string> damage = FindPdbDamage(reader)) {
        err << "velmora-inspect: " << *path << ": damaged contact PDB file: " << *damage << "\n";
        return 1;
      }
      csv ? PrintPdbCsv(reader, out) : PrintPdb(reader, *data, *path, out);
      return 0;
    }
    case FileKind::kPimExport:
      csv ? PrintPimCsv(*data, out) : PrintPim(*data, *path, out);
      return 0;
    case FileKind::kUnknown:
      break;
  }
  err << "velmora-inspect: " << *path
      << ": neither a contact PDB file (no \"KOBA\" \"DBPL\" at bytes 92-99) nor a PIM export";
  if (std::optional<std::string> damage = FindPimDamage(*data))
    err << " (as a PIM export: " << *damage << ")";
  err << "\n";
  return 1;
}

}  // namespace velmora::transfer

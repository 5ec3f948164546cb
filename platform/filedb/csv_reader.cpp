#include "platform/filedb/csv_reader.h"

#include <csv.h>

#include <algorithm>

#include "platform/filedb/text_encoding.h"

namespace velmora::filedb {
namespace {

// Collects fields and rows from libcsv's callbacks and stops at the first ragged row.
struct CsvCollector {
  std::vector<std::string> header;
  std::vector<Cell> row;
  std::vector<std::vector<Cell>> rows;
  bool have_header = false;
  std::string problem;

  std::size_t RowNumber() const { return rows.size() + (have_header ? 2 : 1); }

  void Field(const char* data, std::size_t size) {
    if (!problem.empty()) return;
    if (!have_header) {
      header.emplace_back(data ? data : "", data ? size : 0);
    } else if (data == nullptr) {
      row.emplace_back(std::monostate{});
    } else {
      row.emplace_back(std::string(data, size));
    }
  }

  void EndRow() {
    if (!problem.empty()) return;
    if (!have_header) {
      have_header = true;
      return;
    }
    if (row.size() != header.size()) {
      problem = "row " + std::to_string(RowNumber()) + " has " + std::to_string(row.size()) +
                " fields, the header has " + std::to_string(header.size());
    } else {
      rows.push_back(std::move(row));
    }
    row.clear();
  }
};

void OnField(void* data, std::size_t size, void* collector) {
  static_cast<CsvCollector*>(collector)->Field(static_cast<const char*>(data), size);
}

void OnRowEnd(int, void* collector) {
  static_cast<CsvCollector*>(collector)->EndRow();
}

// Spaces around unquoted fields belong to the field (RFC 4180); libcsv would trim them.
int NoSpaces(unsigned char) {
  return 0;
}

struct ParserOwner {
  csv_parser parser{};
  bool ready = false;
  ~ParserOwner() {
    if (ready) csv_free(&parser);
  }
};

std::size_t LineAt(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
}

bool RunParser(std::string_view text, CsvCollector& collector, std::string* problem) {
  ParserOwner owner;
  if (csv_init(&owner.parser, CSV_STRICT | CSV_STRICT_FINI | CSV_EMPTY_IS_NULL) != 0) {
    *problem = "out of memory";
    return false;
  }
  owner.ready = true;
  csv_set_space_func(&owner.parser, NoSpaces);
  const std::size_t parsed =
      csv_parse(&owner.parser, text.data(), text.size(), OnField, OnRowEnd, &collector);
  if (parsed != text.size()) {
    *problem = "malformed quoting on line " + std::to_string(LineAt(text, parsed)) + " (" +
               csv_strerror(csv_error(&owner.parser)) + ")";
    return false;
  }
  if (csv_fini(&owner.parser, OnField, OnRowEnd, &collector) != 0) {
    *problem = "the file ends inside a quoted field (truncated?)";
    return false;
  }
  return true;
}

}  // namespace

std::optional<TableData> ParseCsv(std::string_view bytes, const std::string& table_name,
                                  std::string* problem) {
  std::string local_problem;
  std::string& out = problem ? *problem : local_problem;
  const std::optional<std::string> text = DecodeTextFile(bytes, &out);
  if (!text) return std::nullopt;
  CsvCollector collector;
  if (!RunParser(*text, collector, &out)) return std::nullopt;
  if (!collector.problem.empty()) {
    out = collector.problem;
    return std::nullopt;
  }
  if (!collector.have_header) {
    out = "the file has no header row";
    return std::nullopt;
  }
  TableData table;
  table.name = table_name;
  const std::vector<std::string> names = UniqueColumnNames(collector.header);
  table.rows = std::move(collector.rows);
  for (std::size_t i = 0; i < names.size(); ++i) {
    table.columns.push_back({names[i], TextColumnType(table.rows, i), ""});
  }
  return table;
}

}  // namespace velmora::filedb

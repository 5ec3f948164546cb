#include "platform/filedb/xls_reader.h"

#include <freexl.h>

#include <charconv>
#include <memory>

#include "platform/filedb/xls_serial_dates.h"

namespace velmora::filedb {
namespace {

enum class CellKind { kEmpty, kInteger, kDouble, kDate, kDateTime, kTime, kText };

struct SheetCell {
  CellKind kind = CellKind::kEmpty;
  Cell value;
};

struct WorkbookCloser {
  void operator()(const void* handle) const { freexl_close(handle); }
};
using WorkbookOwner = std::unique_ptr<const void, WorkbookCloser>;

std::string FreeXlProblem(int code) {
  switch (code) {
    case FREEXL_FILE_NOT_FOUND:
      return "cannot be opened";
    case FREEXL_INSUFFICIENT_MEMORY:
      return "out of memory";
    default:
      return "is damaged or not an Excel 97-2003 workbook (FreeXL error " + std::to_string(code) +
             ")";
  }
}

std::string NumberText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

SheetCell ReadCell(const void* workbook, unsigned int row, unsigned short column,
                   const SerialDates& serials) {
  FreeXL_CellValue value{};
  if (freexl_get_cell_value(workbook, row, column, &value) != FREEXL_OK) return {};
  switch (value.type) {
    case FREEXL_CELL_INT:
      return {CellKind::kInteger, static_cast<std::int64_t>(value.value.int_value)};
    case FREEXL_CELL_DOUBLE:
      return {CellKind::kDouble, value.value.double_value};
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
      return {CellKind::kText, std::string(value.value.text_value ? value.value.text_value : "")};
    case FREEXL_CELL_DATE:
      return {CellKind::kDate, serials.DateText(row, column, value.value.text_value)};
    case FREEXL_CELL_DATETIME:
      return {CellKind::kDateTime, serials.DateTimeText(row, column, value.value.text_value)};
    case FREEXL_CELL_TIME:
      return {CellKind::kTime, std::string(value.value.text_value ? value.value.text_value : "")};
    default:
      return {};
  }
}

CellKind ColumnKind(const std::vector<std::vector<SheetCell>>& cells, std::size_t column) {
  CellKind kind = CellKind::kEmpty;
  for (const auto& row : cells) {
    const CellKind cell = row[column].kind;
    if (cell == CellKind::kEmpty || cell == kind) continue;
    if (kind == CellKind::kEmpty) {
      kind = cell;
    } else if ((kind == CellKind::kInteger && cell == CellKind::kDouble) ||
               (kind == CellKind::kDouble && cell == CellKind::kInteger)) {
      kind = CellKind::kDouble;
    } else if ((kind == CellKind::kDate && cell == CellKind::kDateTime) ||
               (kind == CellKind::kDateTime && cell == CellKind::kDate)) {
      kind = CellKind::kDateTime;
    } else {
      return CellKind::kText;
    }
  }
  return kind == CellKind::kEmpty ? CellKind::kText : kind;
}

Cell AsText(const SheetCell& cell) {
  if (const auto* i = std::get_if<std::int64_t>(&cell.value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&cell.value)) return NumberText(*d);
  return cell.value;
}

// A cell converted to its column's kind (only widening conversions occur).
Cell Converted(const SheetCell& cell, CellKind column_kind) {
  if (cell.kind == CellKind::kEmpty) return std::monostate{};
  switch (column_kind) {
    case CellKind::kDouble:
      if (const auto* i = std::get_if<std::int64_t>(&cell.value)) return static_cast<double>(*i);
      return cell.value;
    case CellKind::kDateTime:
      if (cell.kind == CellKind::kDate) return std::get<std::string>(cell.value) + " 00:00:00";
      return cell.value;
    case CellKind::kText:
      return AsText(cell);
    default:
      return cell.value;
  }
}

std::string DeclaredType(CellKind kind, const std::vector<std::vector<Cell>>& rows,
                         std::size_t column) {
  switch (kind) {
    case CellKind::kInteger:
      return "INTEGER";
    case CellKind::kDouble:
      return "DOUBLE";
    case CellKind::kDate:
      return "DATE";
    case CellKind::kDateTime:
      return "TIMESTAMP";
    case CellKind::kTime:
      return "TIME";
    default:
      return TextColumnType(rows, column);
  }
}

std::string HeaderName(const SheetCell& cell) {
  const Cell text = AsText(cell);
  const auto* name = std::get_if<std::string>(&text);
  return name ? *name : std::string();
}

TableData SheetTable(const void* workbook, const std::string& sheet_name,
                     const SerialDates& serials) {
  unsigned int row_count = 0;
  unsigned short column_count = 0;
  freexl_worksheet_dimensions(workbook, &row_count, &column_count);
  TableData table;
  table.name = sheet_name + "$";
  if (row_count == 0 || column_count == 0) {
    table.columns.push_back({"F1", "VARCHAR(255)", ""});
    return table;
  }
  std::vector<std::vector<SheetCell>> cells;
  std::vector<std::string> header;
  for (unsigned short c = 0; c < column_count; ++c) {
    header.push_back(HeaderName(ReadCell(workbook, 0, c, serials)));
  }
  for (unsigned int r = 1; r < row_count; ++r) {
    std::vector<SheetCell> row;
    for (unsigned short c = 0; c < column_count; ++c)
      row.push_back(ReadCell(workbook, r, c, serials));
    cells.push_back(std::move(row));
  }
  std::vector<CellKind> kinds;
  for (unsigned short c = 0; c < column_count; ++c) kinds.push_back(ColumnKind(cells, c));
  for (const auto& row : cells) {
    std::vector<Cell> values;
    for (unsigned short c = 0; c < column_count; ++c) values.push_back(Converted(row[c], kinds[c]));
    table.rows.push_back(std::move(values));
  }
  const std::vector<std::string> names = UniqueColumnNames(header);
  for (unsigned short c = 0; c < column_count; ++c) {
    table.columns.push_back({names[c], DeclaredType(kinds[c], table.rows, c), ""});
  }
  return table;
}

}  // namespace

std::optional<std::vector<TableData>> ReadWorkbook(const std::filesystem::path& file,
                                                   std::string* problem) {
  std::string local_problem;
  std::string& out = problem ? *problem : local_problem;
  const void* handle = nullptr;
  const int opened = freexl_open(file.c_str(), &handle);
  WorkbookOwner workbook(handle);
  if (opened != FREEXL_OK) {
    out = FreeXlProblem(opened);
    return std::nullopt;
  }
  unsigned int info = 0;
  if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
      info == FREEXL_BIFF_OBFUSCATED) {
    out = "the workbook is password-protected";
    return std::nullopt;
  }
  unsigned int sheet_count = 0;
  freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheet_count);
  unsigned int date_mode = FREEXL_BIFF_DATEMODE_1900;
  freexl_get_info(handle, FREEXL_BIFF_DATEMODE, &date_mode);
  std::vector<TableData> tables;
  for (unsigned short s = 0; s < sheet_count; ++s) {
    const char* name = nullptr;
    if (freexl_get_worksheet_name(handle, s, &name) != FREEXL_OK ||
        freexl_select_active_worksheet(handle, s) != FREEXL_OK) {
      out = "damaged workbook: worksheet " + std::to_string(s + 1) + " cannot be read";
      return std::nullopt;
    }
    const std::string sheet_name = name ? name : "Sheet" + std::to_string(s + 1);
    const SerialDates serials =
        SerialDates::ForSheet(file, sheet_name, date_mode == FREEXL_BIFF_DATEMODE_1904);
    tables.push_back(SheetTable(handle, sheet_name, serials));
  }
  return tables;
}

}  // namespace velmora::filedb

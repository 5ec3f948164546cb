#include "handheld/velmora-device/contacts_csv.h"

#include <csv.h>

namespace velmora::device_tool {
namespace {

std::string Quoted(const std::string& value) {
  const bool needs_quotes = value.find_first_of(",\"\r\n") != std::string::npos ||
                            (!value.empty() && (value.front() == ' ' || value.back() == ' '));
  if (!needs_quotes) return value;
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  return out + "\"";
}

void AppendRow(std::string& out, const std::vector<std::string>& cells) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i) out.push_back(',');
    out += Quoted(cells[i]);
  }
  out += "\r\n";
}

struct Rows {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> current;
};

void OnField(void* data, std::size_t size, void* rows) {
  static_cast<Rows*>(rows)->current.emplace_back(static_cast<const char*>(data), size);
}

void OnRowEnd(int, void* rows) {
  auto* r = static_cast<Rows*>(rows);
  r->rows.push_back(std::move(r->current));
  r->current.clear();
}

int NoSpaces(unsigned char) {
  return 0;
}

std::optional<std::vector<std::vector<std::string>>> ParseCsv(std::string_view csv,
                                                              std::string* error) {
  csv_parser parser;
  if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
    *error = "cannot start the CSV parser";
    return std::nullopt;
  }
  csv_set_space_func(&parser, NoSpaces);
  Rows rows;
  const bool parsed =
      csv_parse(&parser, csv.data(), csv.size(), OnField, OnRowEnd, &rows) == csv.size();
  const bool finished = parsed && csv_fini(&parser, OnField, OnRowEnd, &rows) == 0;
  if (!finished) *error = std::string("malformed CSV: ") + csv_strerror(csv_error(&parser));
  csv_free(&parser);
  if (!finished) return std::nullopt;
  return rows.rows;
}

}  // namespace

std::string ContactsToCsv(const std::vector<handheld::Contact>& contacts) {
  std::string out;
  const auto& names = handheld::ContactFieldNames();
  AppendRow(out, std::vector<std::string>(names.begin(), names.end()));
  for (const auto& contact : contacts) {
    AppendRow(out, std::vector<std::string>(contact.fields.begin(), contact.fields.end()));
  }
  return out;
}

std::optional<std::vector<handheld::Contact>> ContactsFromCsv(std::string_view csv,
                                                              std::string* error) {
  if (csv.substr(0, 3) == "\xEF\xBB\xBF") csv.remove_prefix(3);
  auto rows = ParseCsv(csv, error);
  if (!rows) return std::nullopt;
  if (rows->empty()) {
    *error = "the CSV text has no header row";
    return std::nullopt;
  }
  std::vector<int> fields;
  for (const auto& cell : rows->front()) {
    const auto field = handheld::ContactFieldByName(cell);
    if (!field) {
      *error = "the header cell \"" + cell + "\" names no contact field";
      return std::nullopt;
    }
    for (int seen : fields) {
      if (seen == *field) {
        *error = "the header names \"" + cell + "\" twice";
        return std::nullopt;
      }
    }
    fields.push_back(*field);
  }
  std::vector<handheld::Contact> contacts;
  for (std::size_t r = 1; r < rows->size(); ++r) {
    const auto& row = (*rows)[r];
    if (row.size() > fields.size()) {
      *error = "row " + std::to_string(r + 1) + " has more cells than the header";
      return std::nullopt;
    }
    handheld::Contact contact;
    for (std::size_t c = 0; c < row.size(); ++c) {
      std::string value = row[c];
      if ((fields[c] == 45 || fields[c] == 46) && !value.empty()) {
        const auto date = handheld::ParseContactDate(value);
        if (!date) {
          *error = "row " + std::to_string(r + 1) + ": \"" + value + "\" is not a date";
          return std::nullopt;
        }
        value = handheld::FormatContactDate(*date);
      }
      contact.fields[static_cast<std::size_t>(fields[c] - 1)] = std::move(value);
    }
    contacts.push_back(std::move(contact));
  }
  return contacts;
}

}  // namespace velmora::device_tool

#include "handheld/sorrelin/contact_files.h"

#include <cstdio>

#include "platform/text/utf.h"
#include "transfer/automation_date.h"
#include "transfer/pdb_reader.h"
#include "transfer/pim_writer.h"

namespace velmora::sorrelin {
namespace {

using handheld::Contact;

bool IsDateField(int field) {
  return field == 45 || field == 46;
}

// A stored value as the handheld keeps it: dates as "YYYY-MM-DD", everything else as text.
std::string ContactValue(const transfer::PdbReader& pdb, long record, int column, int field) {
  const auto typed = pdb.TypedValue(record, column);
  if (typed) {
    if (const auto* date = std::get_if<db::Date>(&*typed)) {
      return handheld::FormatContactDate(*date);
    }
    if (const auto* stamp = std::get_if<db::Timestamp>(&*typed)) {
      const db::Date date{stamp->year, stamp->month, stamp->day};
      return handheld::FormatContactDate(date);
    }
  }
  std::string text = pdb.ValueText(record, column, transfer::TextForm::kFull);
  if (IsDateField(field)) {
    const auto date = handheld::ParseContactDate(text);
    return date ? handheld::FormatContactDate(*date) : std::string();
  }
  return text;
}

std::optional<transfer::PdbReader> OpenWhole(const std::filesystem::path& file,
                                             std::string* problem) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    *problem = "test.pdb is missing";
    return std::nullopt;
  }
  transfer::PdbReader pdb;
  if (!pdb.Open(file) || !pdb.IsContactFile()) {
    *problem = "test.pdb is not a contact record file";
    return std::nullopt;
  }
  if (const auto damage = transfer::FindPdbDamage(pdb)) {
    *problem = "test.pdb is damaged: " + *damage;
    return std::nullopt;
  }
  if (pdb.RecordCount() != pdb.Header().record_count) {
    *problem = "test.pdb is damaged: its record list is cut short";
    return std::nullopt;
  }
  return pdb;
}

}  // namespace

std::optional<std::vector<Contact>> ReadTransferContacts(const std::filesystem::path& file,
                                                         std::string* problem, std::string* note) {
  auto pdb = OpenWhole(file, problem);
  if (!pdb) return std::nullopt;
  std::vector<std::pair<int, int>> columns;  // column → field
  for (int column = 0; column < pdb->ColumnCount(); ++column) {
    const auto field = handheld::ContactFieldByName(pdb->ColumnName(column));
    if (field) {
      columns.emplace_back(column, *field);
    } else if (note) {
      *note += (note->empty() ? "" : ", ") + ("\"" + pdb->ColumnName(column) + "\"");
    }
  }
  std::vector<Contact> contacts;
  for (long record = 0; record < pdb->RecordCount(); ++record) {
    Contact contact;
    for (const auto& [column, field] : columns) {
      contact.fields[static_cast<std::size_t>(field - 1)] =
          ContactValue(*pdb, record, column, field);
    }
    contacts.push_back(std::move(contact));
  }
  return contacts;
}

std::optional<std::vector<Contact>> ReadBackupContacts(const std::filesystem::path& file,
                                                       std::string* problem) {
  auto pdb = OpenWhole(file, problem);
  if (!pdb) return std::nullopt;
  if (pdb->ColumnCount() != handheld::kContactFields) {
    *problem = "test.pdb is not a contacts backup: it has " + std::to_string(pdb->ColumnCount()) +
               " columns, not 46";
    return std::nullopt;
  }
  std::vector<Contact> contacts;
  for (long record = 0; record < pdb->RecordCount(); ++record) {
    Contact contact;
    for (int column = 0; column < handheld::kContactFields; ++column) {
      contact.fields[static_cast<std::size_t>(column)] =
          ContactValue(*pdb, record, column, column + 1);
    }
    contacts.push_back(std::move(contact));
  }
  return contacts;
}

bool WriteExport(const std::filesystem::path& file, const std::vector<Contact>& contacts,
                 std::string* problem) {
  std::vector<transfer::PimContact> records;
  records.reserve(contacts.size());
  for (const auto& contact : contacts) {
    transfer::PimContact record;
    for (std::size_t i = 0; i < record.texts.size(); ++i) record.texts[i] = contact.fields[i];
    if (const auto date = handheld::ParseContactDate(contact.fields[44])) {
      record.birthday = transfer::DateToAutomationDate(*date);
    }
    if (const auto date = handheld::ParseContactDate(contact.fields[45])) {
      record.anniversary = transfer::DateToAutomationDate(*date);
    }
    records.push_back(std::move(record));
  }
  if (records.size() > static_cast<std::size_t>(transfer::kPimMaxRecords)) {
    *problem =
        "the export holds at most 5461 contacts, the store has " + std::to_string(records.size());
    return false;
  }
  if (!transfer::WritePimFile(file, records)) {
    *problem = "cannot write " + file.string();
    return false;
  }
  return true;
}

std::vector<std::string> ExportCuts(const std::vector<Contact>& contacts) {
  std::vector<std::string> cuts;
  for (std::size_t r = 0; r < contacts.size(); ++r) {
    for (std::size_t i = 0; i < transfer::PimContact{}.texts.size(); ++i) {
      const std::size_t units = text::Utf8ToUtf16(contacts[r].fields[i]).size();
      if (units <= transfer::kPimMaxTextUnits) continue;
      cuts.push_back("record " + std::to_string(r + 1) + ", field " + std::to_string(i + 1) + ": " +
                     std::to_string(transfer::kPimMaxTextUnits) + " of " + std::to_string(units) +
                     " characters kept");
    }
  }
  return cuts;
}

}  // namespace velmora::sorrelin

#include "handheld/sorrelin/contact_files.h"

#include <cstdio>

#include "platform/text/utf.h"
#include "transfer/automation_date.h"
#include "transfer/pdb_format.h"
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
  // Only date and timestamp columns decode to a date; every other column is read once, as text.
  const int code = pdb.ColumnType(column);
  const auto typed = code == transfer::kPdbDate || code == transfer::kPdbTimestamp
                         ? pdb.TypedValue(record, column)
                         : std::nullopt;
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

// Opens `file` into `pdb` when it is a whole contact record file; false with `problem` if not.
bool OpenWhole(const std::filesystem::path& file, std::string* problem, transfer::PdbReader* pdb) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    *problem = "test.pdb is missing";
    return false;
  }
  if (!pdb->Open(file) || !pdb->IsContactFile()) {
    *problem = "test.pdb is not a contact record file";
    return false;
  }
  if (const auto damage = transfer::FindPdbDamage(*pdb)) {
    *problem = "test.pdb is damaged: " + *damage;
    return false;
  }
  if (pdb->RecordCount() != pdb->Header().record_count) {
    *problem = "test.pdb is damaged: its record list is cut short";
    return false;
  }
  return true;
}

}  // namespace

std::optional<ContactRecords> ContactRecords::OpenTransfer(const std::filesystem::path& file,
                                                           std::string* problem,
                                                           std::string* note) {
  ContactRecords records;
  if (!OpenWhole(file, problem, &records.pdb_)) return std::nullopt;
  const transfer::PdbReader& pdb = records.pdb_;
  for (int column = 0; column < pdb.ColumnCount(); ++column) {
    const auto field = handheld::ContactFieldByName(pdb.ColumnName(column));
    if (field) {
      records.columns_.emplace_back(column, *field);
    } else if (note) {
      *note += (note->empty() ? "" : ", ") + ("\"" + pdb.ColumnName(column) + "\"");
    }
  }
  return records;
}

std::optional<ContactRecords> ContactRecords::OpenBackup(const std::filesystem::path& file,
                                                         std::string* problem) {
  ContactRecords records;
  if (!OpenWhole(file, problem, &records.pdb_)) return std::nullopt;
  if (records.pdb_.ColumnCount() != handheld::kContactFields) {
    *problem = "test.pdb is not a contacts backup: it has " +
               std::to_string(records.pdb_.ColumnCount()) + " columns, not 46";
    return std::nullopt;
  }
  for (int column = 0; column < handheld::kContactFields; ++column) {
    records.columns_.emplace_back(column, column + 1);
  }
  return records;
}

Contact ContactRecords::ContactAt(long record) const {
  handheld::Contact contact;
  for (const auto& [column, field] : columns_) {
    contact.fields[static_cast<std::size_t>(field - 1)] = ContactValue(pdb_, record, column, field);
  }
  return contact;
}

namespace {

std::vector<Contact> AllOf(const ContactRecords& records) {
  std::vector<Contact> contacts;
  contacts.reserve(static_cast<std::size_t>(records.Count()));
  for (long record = 0; record < records.Count(); ++record) {
    contacts.push_back(records.ContactAt(record));
  }
  return contacts;
}

}  // namespace

std::optional<std::vector<Contact>> ReadTransferContacts(const std::filesystem::path& file,
                                                         std::string* problem, std::string* note) {
  const auto records = ContactRecords::OpenTransfer(file, problem, note);
  if (!records) return std::nullopt;
  return AllOf(*records);
}

std::optional<std::vector<Contact>> ReadBackupContacts(const std::filesystem::path& file,
                                                       std::string* problem) {
  const auto records = ContactRecords::OpenBackup(file, problem);
  if (!records) return std::nullopt;
  return AllOf(*records);
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
      // A UTF-8 text never has more UTF-16 units than bytes: short ones need no decoding.
      if (contacts[r].fields[i].size() <= transfer::kPimMaxTextUnits) continue;
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

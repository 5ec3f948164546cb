#include "handheld/store/contact_store.h"

#include <cstdio>

#include "handheld/store/handheld_layout.h"
#include "handheld/store/sqlite_db.h"
#include "profile/field_catalogue.h"

namespace velmora::handheld {
namespace {

std::string ColumnList() {
  std::string out;
  for (int n = 1; n <= kContactFields; ++n) {
    if (n > 1) out += ", ";
    out += "f" + std::to_string(n);
  }
  return out;
}

std::string Schema() {
  std::string sql = "CREATE TABLE IF NOT EXISTS contact(id INTEGER PRIMARY KEY AUTOINCREMENT";
  for (int n = 1; n <= kContactFields; ++n) {
    sql += ", f" + std::to_string(n) + " TEXT NOT NULL DEFAULT ''";
  }
  return sql + ");";
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string InsertSql() {
  std::string sql = "INSERT INTO contact(" + ColumnList() + ") VALUES(";
  for (int n = 0; n < kContactFields; ++n) sql += n ? ", ?" : "?";
  return sql + ")";
}

// One statement for every contact of a change: SQL is parsed once, each contact only binds
// its fields and steps.
class ContactInserter {
 public:
  explicit ContactInserter(SqliteDb& db) : insert_(db.Raw(), InsertSql()) {}

  bool Insert(const Contact& contact) {
    for (int n = 0; n < kContactFields; ++n) {
      if (!insert_.BindText(n + 1, contact.fields[static_cast<std::size_t>(n)])) return false;
    }
    bool done = false;
    while (insert_.Step(&done)) {
    }
    insert_.Reset();
    return done;
  }

 private:
  SqliteStatement insert_;
};

bool RemoveCategory(SqliteDb& db, const std::string& category) {
  std::vector<std::int64_t> doomed;
  {
    SqliteStatement stmt(db.Raw(), "SELECT id, f40 FROM contact");
    bool done = false;
    while (stmt.Step(&done)) {
      if (HasCategory(stmt.Text(1), category)) doomed.push_back(stmt.Int(0));
    }
    if (!done) return false;
  }
  if (doomed.empty()) return true;
  SqliteStatement remove(db.Raw(), "DELETE FROM contact WHERE id = ?");
  for (std::int64_t id : doomed) {
    bool done = false;
    if (!remove.BindInt(1, id)) return false;
    while (remove.Step(&done)) {
    }
    remove.Reset();
    if (!done) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<ContactStore> ContactStore::Open(const std::filesystem::path& handheld,
                                                 bool create) {
  auto db = SqliteDb::Open(ContactsFile(handheld), create, Schema());
  if (!db) return nullptr;
  return std::unique_ptr<ContactStore>(new ContactStore(std::move(db)));
}

ContactStore::ContactStore(std::unique_ptr<SqliteDb> db) : db_(std::move(db)) {}
ContactStore::~ContactStore() = default;

std::optional<std::vector<Contact>> ContactStore::All() {
  SqliteStatement stmt(db_->Raw(), "SELECT " + ColumnList() + " FROM contact ORDER BY id");
  std::vector<Contact> contacts;
  bool done = false;
  while (stmt.Step(&done)) {
    Contact contact;
    for (int n = 0; n < kContactFields; ++n) {
      contact.fields[static_cast<std::size_t>(n)] = stmt.Text(n);
    }
    contacts.push_back(std::move(contact));
  }
  if (!done) return std::nullopt;
  return contacts;
}

std::optional<std::int64_t> ContactStore::Count() {
  return db_->QueryInt("SELECT count(*) FROM contact");
}

bool ContactStore::Apply(const ContactChange& change) {
  return Apply(change, [](Contact*) { return false; });
}

bool ContactStore::Apply(const ContactChange& change, const ContactFeed& more) {
  return db_->Transaction([&] {
    if (change.remove_all && !db_->Exec("DELETE FROM contact")) return false;
    if (!change.remove_all && change.remove_category &&
        !RemoveCategory(*db_, *change.remove_category)) {
      return false;
    }
    ContactInserter inserter(*db_);
    for (const auto& contact : change.add) {
      if (!inserter.Insert(contact)) return false;
    }
    Contact next;
    while (more(&next)) {
      if (!inserter.Insert(next)) return false;
    }
    return true;
  });
}

bool HasCategory(std::string_view categories, std::string_view category) {
  const std::string_view wanted = Trim(category);
  while (true) {
    const std::size_t comma = categories.find(',');
    if (EqualIgnoringCase(Trim(categories.substr(0, comma)), wanted)) return true;
    if (comma == std::string_view::npos) return false;
    categories.remove_prefix(comma + 1);
  }
}

std::string AddCategory(std::string_view categories, std::string_view category) {
  const std::string_view name = Trim(category);
  if (name.empty() || HasCategory(categories, name)) return std::string(categories);
  if (Trim(categories).empty()) return std::string(name);
  return std::string(categories) + ", " + std::string(name);
}

const std::array<std::string, kContactFields>& ContactFieldNames() {
  static const auto names = [] {
    std::array<std::string, kContactFields> out;
    for (const auto& field : profile::ContactFields()) {
      out[static_cast<std::size_t>(field.number - 1)] = std::string(field.export_header);
    }
    return out;
  }();
  return names;
}

std::optional<int> ContactFieldByName(std::string_view name) {
  const std::string_view wanted = Trim(name);
  const auto& names = ContactFieldNames();
  for (int n = 0; n < kContactFields; ++n) {
    if (EqualIgnoringCase(names[static_cast<std::size_t>(n)], wanted)) return n + 1;
  }
  return std::nullopt;
}

std::optional<db::Date> ParseContactDate(std::string_view text) {
  text = Trim(text);
  int parts[3] = {0, 0, 0};
  int count = 0;
  char separator = 0;
  std::size_t digits = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      if (++digits > 4) return std::nullopt;
      parts[count] = parts[count] * 10 + (c - '0');
    } else if ((c == '-' || c == '/') && (separator == 0 || separator == c) && count < 2 &&
               digits > 0) {
      separator = c;
      ++count;
      digits = 0;
    } else {
      return std::nullopt;
    }
  }
  if (count != 2 || digits == 0) return std::nullopt;
  db::Date date = separator == '-' ? db::Date{parts[0], parts[1], parts[2]}
                                   : db::Date{parts[2], parts[0], parts[1]};
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (date.year < 100 || date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > kDays[date.month - 1]) {
    return std::nullopt;
  }
  const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
  if (date.month == 2 && date.day == 29 && !leap) return std::nullopt;
  return date;
}

std::string FormatContactDate(const db::Date& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

}  // namespace velmora::handheld

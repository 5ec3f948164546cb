// The contacts store of an emulated handheld: an SQLite file in its folder holding one row per
// contact with the 46 fields, in insertion order. Used by the agent and velmora-device. Every
// change is one transaction: it happens whole or not at all. Never throws.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/value.h"

namespace velmora::handheld {

inline constexpr int kContactFields = 46;

// fields[n - 1] is field n of the catalogue, UTF-8. Birthday and Anniversary hold a date as
// "YYYY-MM-DD" or nothing.
struct Contact {
  std::array<std::string, kContactFields> fields;
  friend bool operator==(const Contact&, const Contact&) = default;
};

// What one change does, in this order: remove every contact, or those in `remove_category`;
// then add `add` at the end.
struct ContactChange {
  bool remove_all = false;
  std::optional<std::string> remove_category;
  std::vector<Contact> add;
};

class SqliteDb;

// Hands over the next contact to add: true with `*contact` filled, false when there is none.
using ContactFeed = std::function<bool(Contact* contact)>;

class ContactStore {
 public:
  static std::unique_ptr<ContactStore> Open(const std::filesystem::path& handheld, bool create);
  ~ContactStore();

  std::optional<std::vector<Contact>> All();
  std::optional<std::int64_t> Count();
  bool Apply(const ContactChange& change);
  // As Apply, then adds the contacts `more` hands over, in one transaction with the rest: a
  // large change need not be held in memory whole.
  bool Apply(const ContactChange& change, const ContactFeed& more);

 private:
  explicit ContactStore(std::unique_ptr<SqliteDb> db);
  std::unique_ptr<SqliteDb> db_;
};

// True when the Categories text (names separated by commas) holds `category`, compared without
// regard to ASCII case and surrounding blanks.
bool HasCategory(std::string_view categories, std::string_view category);
// `categories` with `category` added unless it already holds it.
std::string AddCategory(std::string_view categories, std::string_view category);

// The 46 field names in code order ("Title", "First", …, "Anniversary").
const std::array<std::string, kContactFields>& ContactFieldNames();
// The field number (1 … 46) of a field name, compared without regard to ASCII case and
// surrounding blanks; none when it names no field.
std::optional<int> ContactFieldByName(std::string_view name);

// A contact date from "YYYY-MM-DD" or "M/D/YYYY" (surrounding blanks ignored); none for an
// empty or malformed text or an impossible date.
std::optional<db::Date> ParseContactDate(std::string_view text);
// "YYYY-MM-DD".
std::string FormatContactDate(const db::Date& date);

}  // namespace velmora::handheld

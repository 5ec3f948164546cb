// The rules of the Categories dialog and its name dialog over the profile database's
// CategoryMaster table: listing, New, Rename and Delete, each stored at once. Used by
// CategoriesDialog, CategoryNameDialog and the tests; Qt-free. Refusals and failures are
// shown through the prompt seam; names are compared exactly (case and blanks count).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "profile/profile_store.h"

namespace velmora::desktop {

inline constexpr std::string_view kEnterValidCategory = "Please enter valid category";
inline constexpr std::string_view kCategoryExists = "category already exists";
inline constexpr std::string_view kCouldNotSaveCategory = "Could not Save Category";

// What the name dialog does after OK: stay open for another try, or close.
enum class NameOutcome { kStored, kRefused, kFailed };

class CategoriesModel {
 public:
  explicit CategoriesModel(profile::ProfileStore& store) : store_(store) {}

  // The names in table order (what the list shows).
  std::vector<std::string> Names();
  // ID of the first category named exactly `name`; 0 when none.
  long IdOf(std::string_view name);

  // The name dialog's OK in New mode: refused (dialog stays) for an empty or existing name;
  // kFailed ("Could not Save Category", dialog closes) when the insert fails.
  NameOutcome Create(std::string_view name);
  // The name dialog's OK in Rename mode, with the same refusals as Create. Renaming to the
  // old name itself is a no-op that counts as stored.
  NameOutcome Rename(std::string_view old_name, std::string_view new_name);
  // Deletes the category of that name (the statement runs with ID 0 when there is none).
  void Delete(std::string_view name);

  // The name the last Create or Rename stored; empty when nothing was stored.
  const std::string& stored_name() const { return stored_name_; }

 private:
  bool Refused(std::string_view name);

  profile::ProfileStore& store_;
  std::string stored_name_;
};

}  // namespace velmora::desktop

#include "desktop/categories_model.h"

#include "desktop/messages.h"
#include "platform/prompt/prompt.h"

namespace velmora::desktop {
namespace {

void Warn(std::string_view text) {
  prompt::ShowMessage(text, kCaption, prompt::Icon::kExclamation);
}

}  // namespace

std::vector<std::string> CategoriesModel::Names() {
  std::vector<std::string> names;
  for (const profile::Category& category : store_.Categories()) names.push_back(category.name);
  return names;
}

long CategoriesModel::IdOf(std::string_view name) {
  for (const profile::Category& category : store_.Categories()) {
    if (category.name == name) return category.id;
  }
  return 0;
}

bool CategoriesModel::Refused(std::string_view name) {
  if (name.empty()) {
    Warn(kEnterValidCategory);
    return true;
  }
  if (IdOf(name) != 0) {
    Warn(kCategoryExists);
    return true;
  }
  return false;
}

NameOutcome CategoriesModel::Create(std::string_view name) {
  stored_name_.clear();
  if (Refused(name)) return NameOutcome::kRefused;
  const long id = store_.NextCategoryId();
  if (id <= 0 || !store_.InsertCategory(id, name)) {
    Warn(kCouldNotSaveCategory);
    return NameOutcome::kFailed;
  }
  stored_name_ = std::string(name);
  return NameOutcome::kStored;
}

NameOutcome CategoriesModel::Rename(std::string_view old_name, std::string_view new_name) {
  stored_name_.clear();
  if (!new_name.empty() && new_name == old_name) {
    stored_name_ = std::string(new_name);
    return NameOutcome::kStored;
  }
  if (Refused(new_name)) return NameOutcome::kRefused;
  const long id = IdOf(old_name);
  if (id == 0 || !store_.UpdateCategory(id, id, new_name)) {
    Warn(kCouldNotSaveCategory);
    return NameOutcome::kFailed;
  }
  stored_name_ = std::string(new_name);
  return NameOutcome::kStored;
}

void CategoriesModel::Delete(std::string_view name) {
  store_.DeleteCategory(IdOf(name));
}

}  // namespace velmora::desktop

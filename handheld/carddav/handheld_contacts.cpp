#include "handheld/carddav/handheld_contacts.h"

#include "handheld/carddav/binding.h"
#include "handheld/carddav/carddav_store.h"
#include "handheld/store/handheld_layout.h"

namespace velmora::carddav {

std::unique_ptr<handheld::ContactBook> OpenHandheldContacts(const std::filesystem::path& handheld,
                                                            std::string* why) {
  if (IsBound(handheld)) {
    const auto binding = ReadBinding(handheld, why);
    if (!binding) return nullptr;
    std::string problem;
    auto store = CardDavStore::Open(*binding, HttpSettings{}, &problem);
    if (!store && why) *why = "the address book " + binding->url + ": " + problem;
    return store;
  }
  auto store = handheld::ContactStore::Open(handheld, false);
  if (!store && why) {
    *why = "cannot open the contacts store " + handheld::ContactsFile(handheld).string();
  }
  return store;
}

}  // namespace velmora::carddav

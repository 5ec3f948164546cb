// The contacts of a handheld, wherever they are kept: the address book it is bound to, or the
// SQLite store in its folder. Used by the agent and velmora-device; never throws.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "handheld/store/contact_store.h"

namespace velmora::carddav {

// None, with the reason in `why`, when the store cannot be opened or the address book cannot
// be reached or read.
std::unique_ptr<handheld::ContactBook> OpenHandheldContacts(const std::filesystem::path& handheld,
                                                            std::string* why);

}  // namespace velmora::carddav

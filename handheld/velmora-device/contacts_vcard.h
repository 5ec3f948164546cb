// Contacts as a vCard file: the cards velmora-device exports (vCard 3.0, one card a contact)
// and the files it imports (vCard 2.1, 3.0 or 4.0, any number of cards). Used by
// velmora-device. Never throws.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "handheld/store/contact_store.h"

namespace velmora::device_tool {

std::string ContactsToVcard(const std::vector<handheld::Contact>& contacts);

// The contacts of the cards of `text`. Nothing, with `error`, for text that is not vCard or a
// card whose birthday or anniversary the store cannot hold as a date. Properties no contact
// field maps are not kept: the store holds the 46 fields only.
std::optional<std::vector<handheld::Contact>> ContactsFromVcard(std::string_view text,
                                                                std::string* error);

}  // namespace velmora::device_tool

// One contact as a vCard: the 46 fields Velmora keeps, the card's UID and the properties it
// does not map, so that a card Velmora rewrites loses nothing of what another client put there.
#pragma once

#include <string>
#include <vector>

#include "handheld/store/contact_store.h"

namespace velmora::handheld::vcard {

struct Card {
  handheld::Contact contact;
  // The UID property's value, empty when the card has none.
  std::string uid;
  // Properties no field maps (PHOTO, REV, other X- properties, a fourth e-mail address …), as
  // unfolded content lines without their line end, written back unchanged.
  std::vector<std::string> kept;
  friend bool operator==(const Card&, const Card&) = default;
};

}  // namespace velmora::handheld::vcard

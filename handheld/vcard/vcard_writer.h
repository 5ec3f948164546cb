// Writes cards as vCard 3.0 (RFC 2426): CRLF line ends, lines folded at 75 octets and never
// inside a UTF-8 sequence. What ReadCards reads back from it is the same card.
#pragma once

#include <string>
#include <vector>

#include "handheld/vcard/card.h"

namespace velmora::handheld::vcard {

std::string WriteCard(const Card& card);
std::string WriteCards(const std::vector<Card>& cards);

}  // namespace velmora::handheld::vcard

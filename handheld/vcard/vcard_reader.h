// Reads vCard text (RFC 6350 4.0, RFC 2426 3.0 and the 2.1 format of older phones) into cards.
// The input is outside bytes: every malformation ends the read with a reason. Never throws.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "handheld/vcard/card.h"

namespace velmora::handheld::vcard {

// The cards of `text`, one or many, in order. Blank lines may stand between cards; anything
// else outside a card, a card without its end, a content line without a value, an unknown
// VERSION, or text that is not UTF-8 (after a 2.1 CHARSET conversion) gives none, with the line
// and the reason in `why`. A text without any card gives none too.
std::optional<std::vector<Card>> ReadCards(std::string_view text, std::string* why);

}  // namespace velmora::handheld::vcard

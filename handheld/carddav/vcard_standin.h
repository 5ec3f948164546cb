#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/handheld/contact_store.h"

namespace velmora::handheld::vcard {
struct Card {
  handheld::Contact contact;
  std::string uid;
  std::vector<std::string> kept;
};
std::optional<std::vector<Card>> ReadCards(std::string_view text, std::string* why);
std::string WriteCard(const Card& card);
}  // namespace velmora::handheld::vcard

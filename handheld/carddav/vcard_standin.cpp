#include "handheld/carddav/vcard_standin.h"

#include <sstream>

namespace velmora::handheld::vcard {
std::optional<std::vector<Card>> ReadCards(std::string_view text, std::string* why) {
  std::vector<Card> cards;
  std::istringstream in{std::string(text)};
  std::string line;
  Card* card = nullptr;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "BEGIN:VCARD") {
      cards.emplace_back();
      card = &cards.back();
    } else if (line == "END:VCARD") {
      card = nullptr;
    } else if (card && line.rfind("X-F", 0) == 0) {
      const auto colon = line.find(':');
      card->contact.fields[std::stoul(line.substr(3, colon - 3))] = line.substr(colon + 1);
    } else if (card && line.rfind("UID:", 0) == 0) {
      card->uid = line.substr(4);
    } else if (!card && !line.empty()) {
      if (why) *why = "not a vCard";
      return std::nullopt;
    }
  }
  if (cards.empty()) {
    if (why) *why = "not a vCard";
    return std::nullopt;
  }
  return cards;
}
std::string WriteCard(const Card& card) {
  std::string out = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + card.uid + "\r\nFN:x\r\nN:x;;;;\r\n";
  for (std::size_t i = 0; i < card.contact.fields.size(); ++i) {
    if (!card.contact.fields[i].empty())
      out += "X-F" + std::to_string(i) + ":" + card.contact.fields[i] + "\r\n";
  }
  return out + "END:VCARD\r\n";
}
}  // namespace velmora::handheld::vcard

#include "handheld/velmora-device/contacts_vcard.h"

#include "handheld/vcard/vcard_reader.h"
#include "handheld/vcard/vcard_writer.h"

namespace velmora::device_tool {

std::string ContactsToVcard(const std::vector<handheld::Contact>& contacts) {
  std::vector<handheld::vcard::Card> cards(contacts.size());
  for (std::size_t i = 0; i < contacts.size(); ++i) cards[i].contact = contacts[i];
  return handheld::vcard::WriteCards(cards);
}

std::optional<std::vector<handheld::Contact>> ContactsFromVcard(std::string_view text,
                                                                std::string* error) {
  auto cards = handheld::vcard::ReadCards(text, error);
  if (!cards) return std::nullopt;
  std::vector<handheld::Contact> contacts;
  contacts.reserve(cards->size());
  for (std::size_t i = 0; i < cards->size(); ++i) {
    auto& contact = (*cards)[i].contact;
    for (int field : {45, 46}) {
      const std::string& value = contact.fields[static_cast<std::size_t>(field - 1)];
      if (!value.empty() && !handheld::ParseContactDate(value)) {
        *error = "card " + std::to_string(i + 1) + ": \"" + value + "\" is not a date";
        return std::nullopt;
      }
    }
    contacts.push_back(std::move(contact));
  }
  return contacts;
}

}  // namespace velmora::device_tool

// Which vCard property holds which of the 46 contact fields: the one table that the reader and
// the writer share, so that what one writes the other reads back into the same field.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace velmora::handheld::vcard {

// Field numbers of the catalogue (1 … 46).
enum Field : int {
  kTitle = 1,
  kFirst = 2,
  kMiddle = 3,
  kLast = 4,
  kSuffix = 5,
  kJobTitle = 6,
  kDepartment = 7,
  kCompany = 8,
  kWorkTel = 9,
  kWork2Tel = 10,
  kHomeTel = 11,
  kHome2Tel = 12,
  kMobileTel = 13,
  kPager = 14,
  kCarTel = 15,
  kWorkFax = 16,
  kHomeFax = 17,
  kAssistantTel = 18,
  kRadioTel = 19,
  kEmail = 20,
  kEmail2 = 21,
  kEmail3 = 22,
  kWebPage = 23,
  kBusinessStreet = 24,  // then city, state, zip, country
  kOfficeLoc = 29,
  kHomeStreet = 30,
  kOtherStreet = 35,
  kCategories = 40,
  kAssistant = 41,
  kSpouse = 42,
  kChildren = 43,
  kNotes = 44,
  kBirthday = 45,
  kAnniversary = 46,
};

// A property several fields share (two work phones, three e-mail addresses) marks every slot
// after the first with this parameter ("2", "3"), so that an empty first slot does not move the
// second one up on reading. Cards from elsewhere fill the slots in their order.
inline constexpr std::string_view kSlotParam = "X-VELMORA-SLOT";

// Properties with one text value, written under `name`.
struct TextProperty {
  std::string_view name;
  int field;
};
inline constexpr std::array<TextProperty, 7> kTextProperties = {{
    {"TITLE", kJobTitle},
    {"URL", kWebPage},
    {"X-OFFICE-LOCATION", kOfficeLoc},
    {"X-ASSISTANT", kAssistant},
    {"X-SPOUSE", kSpouse},
    {"X-CHILDREN", kChildren},
    {"NOTE", kNotes},
}};
// Names other writers use for the same fields; read, never written.
inline constexpr std::array<TextProperty, 2> kTextAliases = {{
    {"X-EVOLUTION-ASSISTANT", kAssistant},
    {"X-EVOLUTION-SPOUSE", kSpouse},
}};

// Dates, written "YYYY-MM-DD"; vCard 3.0 has no ANNIVERSARY, 4.0 has.
inline constexpr std::array<TextProperty, 2> kDateProperties = {{
    {"BDAY", kBirthday},
    {"X-ANNIVERSARY", kAnniversary},
}};
inline constexpr std::array<TextProperty, 2> kDateAliases = {{
    {"ANNIVERSARY", kAnniversary},
    {"X-EVOLUTION-ANNIVERSARY", kAnniversary},
}};

// Phone kinds: the TEL types written for them and their slots in order.
struct PhoneKind {
  std::array<std::string_view, 2> types;  // an empty second type is not written
  std::array<int, 2> fields;              // 0: no second slot
};
inline constexpr std::array<PhoneKind, 9> kPhoneKinds = {{
    {{"WORK", "VOICE"}, {kWorkTel, kWork2Tel}},
    {{"HOME", "VOICE"}, {kHomeTel, kHome2Tel}},
    {{"CELL", "VOICE"}, {kMobileTel, 0}},
    {{"PAGER", ""}, {kPager, 0}},
    {{"CAR", "VOICE"}, {kCarTel, 0}},
    {{"WORK", "FAX"}, {kWorkFax, 0}},
    {{"HOME", "FAX"}, {kHomeFax, 0}},
    {{"X-ASSISTANT", ""}, {kAssistantTel, 0}},
    {{"X-RADIO", ""}, {kRadioTel, 0}},
}};

inline constexpr std::array<int, 3> kEmailFields = {kEmail, kEmail2, kEmail3};

// Addresses: the ADR type and the first of five fields (street, city, state, zip, country).
struct AddressKind {
  std::string_view type;
  int street;
};
inline constexpr std::array<AddressKind, 3> kAddressKinds = {{
    {"WORK", kBusinessStreet},
    {"HOME", kHomeStreet},
    {"OTHER", kOtherStreet},
}};

}  // namespace velmora::handheld::vcard

#include "handheld/vcard/vcard_writer.h"

#include "handheld/vcard/content_line.h"
#include "handheld/vcard/field_map.h"

namespace velmora::handheld::vcard {
namespace {

class CardText {
 public:
  explicit CardText(const Card& card) : fields_(card.contact.fields) {}

  const std::string& Field(int number) const {
    return fields_[static_cast<std::size_t>(number - 1)];
  }

  // One property of `components` joined by `separator`, each escaped.
  void Add(std::string_view name, std::vector<Param> params,
           const std::vector<std::string>& components, char separator = ';') {
    const bool crlf = AllLineBreaksCrLf(components);
    if (crlf) params.push_back({std::string(kLineBreakParam), {std::string(kCrLfValue)}});
    ContentLine line{"", std::string(name), std::move(params), ""};
    for (std::size_t i = 0; i < components.size(); ++i) {
      if (i) line.value.push_back(separator);
      line.value += EscapeText(components[i], crlf);
    }
    text_ += Fold(FormatContentLine(line));
  }

  void AddRaw(std::string_view line) { text_ += Fold(line); }
  std::string Take() { return std::move(text_); }

 private:
  const std::array<std::string, handheld::kContactFields>& fields_;
  std::string text_;
};

std::vector<Param> Types(std::initializer_list<std::string_view> types) {
  Param param{"TYPE", {}};
  for (auto type : types) {
    if (!type.empty()) param.values.emplace_back(type);
  }
  return {param};
}

void AddSlot(std::vector<Param>& params, std::size_t slot) {
  if (slot > 0) params.push_back({std::string(kSlotParam), {std::to_string(slot + 1)}});
}

// FN is required in 3.0: the name's parts, else the company, else the first e-mail address.
std::string FormattedName(const CardText& card) {
  std::string name;
  for (int field : {kTitle, kFirst, kMiddle, kLast, kSuffix}) {
    if (card.Field(field).empty()) continue;
    if (!name.empty()) name.push_back(' ');
    name += card.Field(field);
  }
  if (name.empty()) name = card.Field(kCompany);
  if (name.empty()) name = card.Field(kEmail);
  return name;
}

void AddNames(CardText& card) {
  card.Add("FN", {}, {FormattedName(card)});
  card.Add("N", {},
           {card.Field(kLast), card.Field(kFirst), card.Field(kMiddle), card.Field(kTitle),
            card.Field(kSuffix)});
  if (!card.Field(kCompany).empty() || !card.Field(kDepartment).empty()) {
    card.Add("ORG", {}, {card.Field(kCompany), card.Field(kDepartment)});
  }
}

void AddPhonesAndEmails(CardText& card) {
  for (const auto& kind : kPhoneKinds) {
    for (std::size_t slot = 0; slot < kind.fields.size(); ++slot) {
      const int field = kind.fields[slot];
      if (field == 0 || card.Field(field).empty()) continue;
      auto params = Types({kind.types[0], kind.types[1]});
      AddSlot(params, slot);
      card.Add("TEL", std::move(params), {card.Field(field)});
    }
  }
  for (std::size_t slot = 0; slot < kEmailFields.size(); ++slot) {
    if (card.Field(kEmailFields[slot]).empty()) continue;
    auto params = Types({"INTERNET"});
    AddSlot(params, slot);
    card.Add("EMAIL", std::move(params), {card.Field(kEmailFields[slot])});
  }
}

void AddAddresses(CardText& card) {
  for (const auto& kind : kAddressKinds) {
    std::vector<std::string> parts = {"", ""};  // post office box, extended address
    bool any = false;
    for (int field = kind.street; field < kind.street + 5; ++field) {
      parts.push_back(card.Field(field));
      any = any || !card.Field(field).empty();
    }
    if (any) card.Add("ADR", Types({kind.type}), parts);
  }
}

// Each name of the comma-separated Categories text is one item of the CATEGORIES list.
std::vector<std::string> CategoryItems(const std::string& categories) {
  std::vector<std::string> items(1);
  for (char c : categories) {
    if (c == ',') {
      items.emplace_back();
    } else {
      items.back().push_back(c);
    }
  }
  return items;
}

void AddOthers(CardText& card) {
  for (const auto& property : kTextProperties) {
    if (!card.Field(property.field).empty())
      card.Add(property.name, {}, {card.Field(property.field)});
  }
  if (!card.Field(kCategories).empty()) {
    card.Add("CATEGORIES", {}, CategoryItems(card.Field(kCategories)), ',');
  }
  for (const auto& property : kDateProperties) {
    const std::string& value = card.Field(property.field);
    if (value.empty()) continue;
    const auto date = handheld::ParseContactDate(value);
    if (date && handheld::FormatContactDate(*date) == value) {
      card.AddRaw(std::string(property.name) + ":" + value);
    } else {
      // Not a date the store would hold: kept as text rather than lost.
      card.Add(property.name, {{"VALUE", {"text"}}}, {value});
    }
  }
}

}  // namespace

std::string WriteCard(const Card& card) {
  CardText text(card);
  text.AddRaw("BEGIN:VCARD");
  text.AddRaw("VERSION:3.0");
  if (!card.uid.empty()) text.Add("UID", {}, {card.uid});
  AddNames(text);
  AddPhonesAndEmails(text);
  AddAddresses(text);
  AddOthers(text);
  for (const auto& line : card.kept) text.AddRaw(line);
  text.AddRaw("END:VCARD");
  return text.Take();
}

std::string WriteCards(const std::vector<Card>& cards) {
  std::string out;
  for (const auto& card : cards) out += WriteCard(card);
  return out;
}

}  // namespace velmora::handheld::vcard

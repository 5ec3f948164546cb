#include "handheld/vcard/vcard_reader.h"

#include <bitset>
#include <span>

#include "handheld/vcard/content_line.h"
#include "handheld/vcard/field_map.h"
#include "handheld/vcard/value_decoding.h"

namespace velmora::handheld::vcard {
namespace {

enum class Version { k21, k30, k40 };

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return Upper(a) == Upper(b);
}

// The physical lines of `text`, split at LF with a CR before it dropped.
std::vector<std::string_view> PhysicalLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

// The part of a line before its value, upper-cased, to see its encoding before parsing.
std::string Head(std::string_view line) {
  return Upper(line.substr(0, line.find(':')));
}

// A value after a 2.1 file's encodings are undone; a 3.0 or 4.0 value as it stands.
struct Value {
  std::string text;
  bool escaped_21 = false;  // only "\;" and "\\" are escapes in 2.1
  bool crlf = false;
};

std::optional<Value> DecodeValue(const ContentLine& line, Version version, std::string* why) {
  Value value{line.value, version == Version::k21,
              HasParamValue(line, kLineBreakParam, kCrLfValue)};
  if (version != Version::k21) return value;
  if (HasParamValue(line, "ENCODING", "QUOTED-PRINTABLE")) {
    value.text = DecodeQuotedPrintable(value.text);
  }
  const auto charsets = ParamValues(line, "CHARSET");
  if (!charsets.empty() && charsets[0] != "UTF-8" && charsets[0] != "US-ASCII") {
    auto converted = ToUtf8(value.text, charsets[0]);
    if (!converted) {
      *why = "the value is not in its CHARSET " + charsets[0];
      return std::nullopt;
    }
    value.text = std::move(*converted);
  }
  return value;
}

std::string Unescape(const Value& value, std::string_view part) {
  if (!value.escaped_21) return UnescapeText(part, value.crlf);
  std::string out;
  for (std::size_t i = 0; i < part.size(); ++i) {
    if (part[i] == '\\' && i + 1 < part.size() && (part[i + 1] == ';' || part[i + 1] == '\\')) {
      ++i;
    }
    out.push_back(part[i]);
  }
  return out;
}

std::vector<std::string> Components(const Value& value, char separator) {
  std::vector<std::string> parts = SplitUnescaped(value.text, separator);
  for (auto& part : parts) part = Unescape(value, part);
  return parts;
}

std::string Text(const Value& value) {
  return Unescape(value, value.text);
}

// "YYYY-MM-DD" of a date value ("1985-04-15", "19850415", either with a time after "T").
std::optional<std::string> DateText(std::string_view value) {
  value = value.substr(0, value.find_first_of("Tt"));
  std::string text(value);
  if (text.size() == 8 && text.find_first_not_of("0123456789") == std::string::npos) {
    text = text.substr(0, 4) + "-" + text.substr(4, 2) + "-" + text.substr(6, 2);
  }
  if (text.size() != 10 || text[4] != '-') return std::nullopt;
  const auto date = handheld::ParseContactDate(text);
  if (!date) return std::nullopt;
  return handheld::FormatContactDate(*date);
}

// The slots of the phone kind a TEL's types name; empty for a kind no field holds.
std::span<const int> PhoneSlots(const ContentLine& line) {
  const auto types = ParamValues(line, "TYPE");
  auto has = [&](std::string_view type) {
    for (const auto& t : types) {
      if (t == type) return true;
    }
    return false;
  };
  auto slots = [](int first) -> std::span<const int> {
    for (const auto& kind : kPhoneKinds) {
      if (kind.fields[0] == first) return {kind.fields.data(), kind.fields[1] == 0 ? 1u : 2u};
    }
    return {};
  };
  if (has("X-ASSISTANT") || has("X-EVOLUTION-ASSISTANT")) return slots(kAssistantTel);
  if (has("X-RADIO") || has("X-EVOLUTION-RADIO")) return slots(kRadioTel);
  if (has("PAGER")) return slots(kPager);
  if (has("CAR")) return slots(kCarTel);
  if (has("CELL")) return slots(kMobileTel);
  if (has("FAX")) return slots(has("HOME") ? kHomeFax : kWorkFax);
  if (has("WORK")) return slots(kWorkTel);
  if (has("HOME")) return slots(kHomeTel);
  return {};
}

bool AllEmpty(const std::vector<std::string>& parts) {
  for (const auto& part : parts) {
    if (!part.empty()) return false;
  }
  return true;
}

class CardBuilder {
 public:
  explicit CardBuilder(Version version) : version_(version) {}

  void SetVersion(Version version) { version_ = version; }
  Version version() const { return version_; }

  // Maps one property, or keeps it; false with `why` when its value cannot be read.
  bool Take(const ContentLine& line, std::string_view raw, std::string* why) {
    auto value = DecodeValue(line, version_, why);
    if (!value) return false;
    const std::string_view head = raw.substr(0, raw.size() - line.value.size());
    if (value->text.find('\0') != std::string::npos) {
      *why = "a NUL byte";
      return false;
    }
    if (!IsUtf8(value->text) || !IsUtf8(head)) {
      *why = "the value is not UTF-8";
      return false;
    }
    if (!Map(line, *value)) Keep(line, raw, *value);
    return true;
  }

  Card Finish() {
    // A card without N (allowed in 4.0) names its contact by FN alone.
    if (!taken_[kFirst] && !taken_[kLast] && formatted_name_) Set(kFirst, *formatted_name_);
    return std::move(card_);
  }

 private:
  std::string& Field(int number) {
    return card_.contact.fields[static_cast<std::size_t>(number - 1)];
  }
  bool Free(int number) const { return !taken_[static_cast<std::size_t>(number)]; }
  void Set(int number, std::string value) {
    taken_[static_cast<std::size_t>(number)] = true;
    Field(number) = std::move(value);
  }

  // Maps a property to its fields, or drops it when it holds nothing (a property Velmora writes
  // only for a value must not hold a slot that a later property of the same kind would take);
  // false when no field is free for it.
  bool Map(const ContentLine& line, const Value& value) {
    const std::string& name = line.name;
    if (name == "FN" && !formatted_name_) {
      formatted_name_ = Text(value);
      return true;
    }
    if (name == "N") return MapName(value);
    if (name == "ORG") return MapOrganisation(value);
    if (name == "UID" && card_.uid.empty()) {
      card_.uid = Text(value);
      return !card_.uid.empty();
    }
    if (name == "TEL") return MapPhone(line, value);
    if (name == "EMAIL") return value.text.empty() || PlaceInSlot(kEmailFields, line, Text(value));
    if (name == "ADR") return MapAddress(line, value);
    if (name == "CATEGORIES") return MapCategories(value);
    for (const auto& property : kTextProperties) {
      if (name == property.name) return MapText(property.field, value);
    }
    for (const auto& property : kTextAliases) {
      if (name == property.name) return MapText(property.field, value);
    }
    for (const auto& property : kDateProperties) {
      if (name == property.name) return MapDate(property.field, line, value);
    }
    for (const auto& property : kDateAliases) {
      if (name == property.name) return MapDate(property.field, line, value);
    }
    return false;
  }

  bool MapName(const Value& value) {
    auto parts = Components(value, ';');
    // More parts than vCard has: kept whole rather than cut.
    if (!Free(kLast) || !Free(kFirst) || parts.size() > 5) return false;
    parts.resize(5);
    Set(kLast, parts[0]);
    Set(kFirst, parts[1]);
    Set(kMiddle, parts[2]);
    Set(kTitle, parts[3]);
    Set(kSuffix, parts[4]);
    return true;
  }

  bool MapOrganisation(const Value& value) {
    auto parts = Components(value, ';');
    if (AllEmpty(parts)) return true;
    if (!Free(kCompany)) return false;
    std::string units;
    for (std::size_t i = 1; i < parts.size(); ++i) units += (i > 1 ? ";" : "") + parts[i];
    Set(kCompany, parts[0]);
    Set(kDepartment, units);
    return true;
  }

  bool MapText(int field, const Value& value) {
    if (value.text.empty()) return true;
    if (!Free(field)) return false;
    Set(field, Text(value));
    return true;
  }

  bool MapDate(int field, const ContentLine& line, const Value& value) {
    if (value.text.empty()) return true;
    if (!Free(field)) return false;
    if (HasParamValue(line, "VALUE", "TEXT")) {
      Set(field, Text(value));
      return true;
    }
    const auto date = DateText(value.text);
    if (!date) return false;  // a date without a year, or none at all: kept as it is
    Set(field, *date);
    return true;
  }

  bool MapPhone(const ContentLine& line, const Value& value) {
    if (value.text.empty()) return true;
    std::string number = Text(value);
    if (HasParamValue(line, "VALUE", "URI") && EqualsIgnoringCase(number.substr(0, 4), "tel:")) {
      number.erase(0, 4);
    }
    return PlaceInSlot(PhoneSlots(line), line, std::move(number));
  }

  // The slot a kSlotParam names when it is free, else the first free one.
  bool PlaceInSlot(std::span<const int> slots, const ContentLine& line, std::string value) {
    const auto wanted = ParamValues(line, kSlotParam);
    for (std::size_t i = 0; i < slots.size() && !wanted.empty(); ++i) {
      if (wanted[0] == std::to_string(i + 1) && Free(slots[i])) {
        Set(slots[i], std::move(value));
        return true;
      }
    }
    for (int slot : slots) {
      if (Free(slot)) {
        Set(slot, std::move(value));
        return true;
      }
    }
    return false;
  }

  bool MapAddress(const ContentLine& line, const Value& value) {
    const AddressKind* kind = &kAddressKinds[2];
    if (HasParamValue(line, "TYPE", "WORK")) kind = &kAddressKinds[0];
    if (HasParamValue(line, "TYPE", "HOME")) kind = &kAddressKinds[1];
    auto parts = Components(value, ';');
    if (AllEmpty(parts)) return true;
    if (!Free(kind->street) || parts.size() > 7) return false;
    parts.resize(7);
    // The handheld has one street field: a post office box or extended address goes there too.
    std::string street;
    for (std::size_t i = 0; i < 3; ++i) {
      if (parts[i].empty()) continue;
      if (!street.empty()) street += "\n";
      street += parts[i];
    }
    Set(kind->street, street);
    for (int k = 1; k < 5; ++k) Set(kind->street + k, parts[static_cast<std::size_t>(k + 2)]);
    return true;
  }

  bool MapCategories(const Value& value) {
    if (value.text.empty()) return true;
    const auto items = Components(value, ',');
    std::string names;
    for (std::size_t i = 0; i < items.size(); ++i) names += (i ? "," : "") + items[i];
    if (Free(kCategories)) {
      Set(kCategories, names);
    } else {
      Field(kCategories) += "," + names;
    }
    return true;
  }

  // A 2.1 property kept on a 3.0 card loses its encodings: its value is written decoded.
  void Keep(const ContentLine& line, std::string_view raw, const Value& value) {
    const bool encoded =
        version_ == Version::k21 && (HasParamValue(line, "ENCODING", "QUOTED-PRINTABLE") ||
                                     !ParamValues(line, "CHARSET").empty());
    if (!encoded) {
      card_.kept.emplace_back(raw);
      return;
    }
    ContentLine plain = line;
    std::erase_if(plain.params,
                  [](const Param& p) { return p.name == "ENCODING" || p.name == "CHARSET"; });
    plain.value.clear();
    for (std::size_t i = 0; i < value.text.size(); ++i) {
      const char c = value.text[i];
      if (c == '\r' && i + 1 < value.text.size() && value.text[i + 1] == '\n') continue;
      if (c == '\n' || c == '\r') {
        plain.value += "\\n";
      } else {
        plain.value.push_back(c);
      }
    }
    card_.kept.push_back(FormatContentLine(plain));
  }

  Version version_;
  Card card_;
  std::bitset<handheld::kContactFields + 1> taken_;
  std::optional<std::string> formatted_name_;
};

class Reader {
 public:
  Reader(std::string_view text, std::string* why) : lines_(PhysicalLines(text)), why_(why) {}

  std::optional<std::vector<Card>> Read() {
    while (next_ < lines_.size()) {
      const std::size_t number = next_ + 1;
      if (IsBlank(lines_[next_])) {
        ++next_;
        continue;
      }
      const std::string line = LogicalLine();
      if (!Line(line, number)) return std::nullopt;
    }
    if (card_) {
      Fail(card_start_, "the card has no END:VCARD");
      return std::nullopt;
    }
    if (cards_.empty()) {
      Fail(0, "the text holds no vCard");
      return std::nullopt;
    }
    return std::move(cards_);
  }

 private:
  bool Folded21() const { return card_ && card_->version() == Version::k21; }

  // The next content line with its continuations: folded lines (a 2.1 fold keeps the blank it
  // was made at), quoted-printable soft line breaks and unindented 2.1 base64 lines. The
  // encoding is looked up once, so that a long run of continuations stays linear.
  std::string LogicalLine() {
    std::string line(lines_[next_++]);
    const bool v21 = Folded21();
    AppendFolds(line, v21);
    if (!v21) return line;
    const std::string head = Head(line);
    const bool quoted_printable = head.find("QUOTED-PRINTABLE") != std::string::npos;
    const bool base64 = head.find("BASE64") != std::string::npos;
    for (;;) {
      if (next_ >= lines_.size()) return line;
      const std::string_view next = lines_[next_];
      if (quoted_printable && !line.empty() && line.back() == '=') {
        line.pop_back();
      } else if (!(base64 && !IsBlank(next) && next.find(':') == std::string_view::npos)) {
        return line;
      }
      line += next;
      ++next_;
      AppendFolds(line, v21);
    }
  }

  void AppendFolds(std::string& line, bool v21) {
    while (next_ < lines_.size() && !lines_[next_].empty() &&
           (lines_[next_][0] == ' ' || lines_[next_][0] == '\t')) {
      line += v21 ? lines_[next_] : lines_[next_].substr(1);
      ++next_;
    }
  }

  bool Line(const std::string& text, std::size_t number) {
    if (text.find('\0') != std::string::npos) return Fail(number, "a NUL byte");
    if (!IsUtf8(text) && !Folded21()) return Fail(number, "the line is not UTF-8");
    const auto line = ParseContentLine(text);
    if (!line) return Fail(number, "not a vCard content line");
    const bool begin = line->name == "BEGIN" && EqualsIgnoringCase(line->value, "VCARD");
    if (!card_) {
      if (!begin) return Fail(number, "text outside a card");
      card_.emplace(Version::k30);
      card_start_ = number;
      return true;
    }
    if (begin) return Fail(number, "a card inside a card");
    if (line->name == "END" && EqualsIgnoringCase(line->value, "VCARD")) {
      cards_.push_back(card_->Finish());
      card_.reset();
      return true;
    }
    if (line->name == "VERSION") return SetVersion(line->value, number);
    std::string why;
    if (!card_->Take(*line, text, &why)) return Fail(number, why);
    return true;
  }

  bool SetVersion(std::string_view version, std::size_t number) {
    if (version == "2.1") {
      card_->SetVersion(Version::k21);
    } else if (version == "3.0") {
      card_->SetVersion(Version::k30);
    } else if (version == "4.0") {
      card_->SetVersion(Version::k40);
    } else {
      return Fail(number, "VERSION " + std::string(version) + " is not 2.1, 3.0 or 4.0");
    }
    return true;
  }

  bool Fail(std::size_t number, const std::string& reason) {
    if (why_) *why_ = number ? "line " + std::to_string(number) + ": " + reason : reason;
    return false;
  }

  std::vector<std::string_view> lines_;
  std::size_t next_ = 0;
  std::string* why_;
  std::vector<Card> cards_;
  std::optional<CardBuilder> card_;
  std::size_t card_start_ = 0;
};

}  // namespace

std::optional<std::vector<Card>> ReadCards(std::string_view text, std::string* why) {
  return Reader(text, why).Read();
}

}  // namespace velmora::handheld::vcard

#include "handheld/carddav/carddav_store.h"

#include <array>
#include <cstdio>
#include <map>
#include <random>

#include "handheld/vcard/vcard_reader.h"
#include "handheld/vcard/vcard_writer.h"

namespace velmora::carddav {
namespace {

std::string FirstFailure(const std::vector<CardResult>& results) {
  for (const auto& result : results) {
    if (!result.done) return result.why;
  }
  return {};
}

// Leaves out of `doomed` and of `add` each old card whose fields equal a new contact's: that
// card stays as it is, with its UID and the properties Velmora does not map, instead of being
// deleted and made again without them.
void KeepUnchanged(std::vector<StoredCard>& doomed, std::vector<handheld::Contact>& add) {
  std::map<std::array<std::string, handheld::kContactFields>, std::vector<std::size_t>> old;
  for (std::size_t i = 0; i < doomed.size(); ++i) {
    const auto cards = handheld::vcard::ReadCards(doomed[i].text, nullptr);
    if (cards && cards->size() == 1) old[cards->front().contact.fields].push_back(i);
  }
  std::vector<bool> kept(doomed.size(), false);
  std::vector<handheld::Contact> fresh;
  for (auto& contact : add) {
    const auto match = old.find(contact.fields);
    if (match == old.end() || match->second.empty()) {
      fresh.push_back(std::move(contact));
      continue;
    }
    kept[match->second.back()] = true;
    match->second.pop_back();
  }
  std::vector<StoredCard> still;
  for (std::size_t i = 0; i < doomed.size(); ++i) {
    if (!kept[i]) still.push_back(std::move(doomed[i]));
  }
  doomed = std::move(still);
  add = std::move(fresh);
}

std::string Undone(std::size_t left, const char* what) {
  return std::to_string(left) + " " + what +
         " could not be undone, so the address book is mixed until the next overwrite";
}

}  // namespace

std::string NewCardUid() {
  std::random_device random;
  unsigned char bytes[16];
  for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0f) | 0x40);
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3f) | 0x80);
  std::string uid;
  for (int i = 0; i < 16; ++i) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
    if (i == 4 || i == 6 || i == 8 || i == 10) uid += '-';
    uid += hex;
  }
  return uid;
}

std::unique_ptr<CardDavStore> CardDavStore::Open(const Binding& binding, HttpSettings settings,
                                                 std::string* why) {
  auto book = AddressBook::Open(binding, std::move(settings), why);
  if (!book) return nullptr;
  std::unique_ptr<CardDavStore> store(new CardDavStore(std::move(book)));
  if (!store->Load()) {
    if (why) *why = store->why_;
    return nullptr;
  }
  return store;
}

bool CardDavStore::Load() {
  cards_ = book_->Cards(&why_);
  return cards_.has_value();
}

std::optional<std::vector<handheld::Contact>> CardDavStore::All() {
  if (!cards_ && !Load()) return std::nullopt;
  std::vector<handheld::Contact> contacts;
  for (const auto& stored : *cards_) {
    std::string problem;
    auto cards = handheld::vcard::ReadCards(stored.text, &problem);
    if (!cards) {
      why_ = stored.url + " is not a vCard: " + problem;
      return std::nullopt;
    }
    for (auto& card : *cards) contacts.push_back(std::move(card.contact));
  }
  return contacts;
}

std::optional<std::int64_t> CardDavStore::Count() {
  if (!cards_ && !Load()) return std::nullopt;
  return static_cast<std::int64_t>(cards_->size());
}

std::optional<std::vector<StoredCard>> CardDavStore::InCategory(
    const std::vector<StoredCard>& cards, const std::string& category) {
  std::vector<StoredCard> chosen;
  for (const auto& stored : cards) {
    std::string problem;
    const auto parsed = handheld::vcard::ReadCards(stored.text, &problem);
    if (!parsed) {
      why_ = stored.url + " is not a vCard: " + problem;
      return std::nullopt;
    }
    for (const auto& card : *parsed) {
      if (handheld::HasCategory(card.contact.fields[39], category)) {
        chosen.push_back(stored);
        break;
      }
    }
  }
  return chosen;
}

std::size_t CardDavStore::TakeBack(const std::vector<StoredCard>& cards,
                                   const std::vector<CardResult>& made) {
  std::vector<StoredCard> uploaded;
  for (std::size_t i = 0; i < cards.size(); ++i) {
    if (made[i].done) uploaded.push_back({cards[i].url, made[i].etag, {}});
  }
  std::size_t left = 0;
  for (const auto& result : book_->Remove(uploaded)) left += result.done ? 0 : 1;
  return left;
}

bool CardDavStore::Apply(const handheld::ContactChange& change) {
  why_.clear();
  if (!cards_ && !Load()) return false;
  std::vector<StoredCard> doomed;
  if (change.remove_all) {
    doomed = *cards_;
  } else if (change.remove_category) {
    auto chosen = InCategory(*cards_, *change.remove_category);
    if (!chosen) return false;
    doomed = std::move(*chosen);
  }
  std::vector<handheld::Contact> add = change.add;
  KeepUnchanged(doomed, add);
  std::vector<StoredCard> fresh;
  for (const auto& contact : add) {
    const std::string uid = NewCardUid();
    fresh.push_back(
        {book_->url() + uid + ".vcf", {}, handheld::vcard::WriteCard({contact, uid, {}})});
  }
  const auto made = book_->Create(fresh);
  if (const std::string failure = FirstFailure(made); !failure.empty()) {
    const std::size_t left = TakeBack(fresh, made);
    why_ = failure + "; " + (left ? Undone(left, "uploads") : "the old cards are kept");
    return false;
  }
  const auto removed = book_->Remove(doomed);
  if (const std::string failure = FirstFailure(removed); !failure.empty()) {
    std::vector<StoredCard> gone;
    for (std::size_t i = 0; i < doomed.size(); ++i) {
      if (removed[i].done) gone.push_back(doomed[i]);
    }
    std::size_t left = 0;
    for (const auto& result : book_->Create(gone)) left += result.done ? 0 : 1;
    left += TakeBack(fresh, made);
    why_ = failure + "; " + (left ? Undone(left, "steps") : "the old cards are kept");
    cards_.reset();
    return false;
  }
  cards_.reset();  // read again when next needed
  return true;
}

}  // namespace velmora::carddav

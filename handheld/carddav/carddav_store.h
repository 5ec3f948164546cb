// A handheld's contacts kept as the cards of a CardDAV address book. A change never leaves the
// book empty or mixed when the server fails half way: the new cards are uploaded first (each
// only where no card exists), then the old ones are deleted (each only while unchanged since
// the store read it); should an upload fail, the uploaded cards are deleted again, and should a
// deletion fail, the deleted cards are put back and the uploaded ones deleted, so the book holds
// the old set. An old card whose fields equal a new contact's is left in place rather than
// made again, so it keeps its UID and the properties Velmora does not map. Used through
// handheld::ContactBook; never throws.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "handheld/carddav/address_book.h"
#include "handheld/store/contact_store.h"

namespace velmora::carddav {

class CardDavStore : public handheld::ContactBook {
 public:
  // Finds the address book and reads its cards; none, with the reason in `why`.
  static std::unique_ptr<CardDavStore> Open(const Binding& binding, HttpSettings settings,
                                            std::string* why);

  std::optional<std::vector<handheld::Contact>> All() override;
  std::optional<std::int64_t> Count() override;
  // Works on the cards as read when the store was opened (or last changed): a card changed on
  // the server since then makes the change fail and leaves the old set.
  bool Apply(const handheld::ContactChange& change) override;
  std::string Why() const override { return why_; }

 private:
  explicit CardDavStore(std::unique_ptr<AddressBook> book) : book_(std::move(book)) {}
  bool Load();
  // The cards of `cards` whose Categories hold `category`; none when one is not a vCard.
  std::optional<std::vector<StoredCard>> InCategory(const std::vector<StoredCard>& cards,
                                                    const std::string& category);
  // Deletes the cards of `made` that were uploaded; how many could not be.
  std::size_t TakeBack(const std::vector<StoredCard>& cards, const std::vector<CardResult>& made);

  std::unique_ptr<AddressBook> book_;
  std::optional<std::vector<StoredCard>> cards_;
  std::string why_;
};

// A fresh card UID (a random UUID).
std::string NewCardUid();

}  // namespace velmora::carddav

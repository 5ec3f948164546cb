// One CardDAV address book collection on a server: found from the URL of the binding (the
// collection itself, or a server or principal URL from which the current-user-principal and
// its addressbook-home-set lead to the first address book), listed with the text and ETag of
// every card, added to with cards that must not exist yet and removed from with cards that
// must not have changed. Used by the address-book contacts store; never throws.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "handheld/carddav/binding.h"
#include "handheld/carddav/http_client.h"
#include "handheld/carddav/multistatus.h"

namespace velmora::carddav {

struct StoredCard {
  std::string url;
  std::string etag;
  std::string text;
};

// What happened to one card of an upload or removal; `etag` is the new card's when the
// server told it.
struct CardResult {
  bool done = false;
  std::string etag;
  std::string why;
};

class AddressBook {
 public:
  // Reads the password, sets up HTTP and finds the collection; none, with the reason in `why`.
  // `settings` gives the limits; its credentials come from the binding.
  static std::unique_ptr<AddressBook> Open(const Binding& binding, HttpSettings settings,
                                           std::string* why);

  const std::string& url() const { return url_; }

  // Every card of the collection; none, with the reason in `why`.
  std::optional<std::vector<StoredCard>> Cards(std::string* why);
  // Puts each card (a URL inside the collection and its text) only where none exists yet.
  std::vector<CardResult> Create(const std::vector<StoredCard>& cards);
  // Deletes each card only while its ETag is still the one given (any, when empty).
  std::vector<CardResult> Remove(const std::vector<StoredCard>& cards);

 private:
  AddressBook(std::unique_ptr<HttpClient> http, std::string url);
  bool Discover(const std::string& start, std::string* why);
  std::optional<std::vector<DavResource>> Propfind(const std::string& url, int depth,
                                                   const char* props, std::string* why);

  std::unique_ptr<HttpClient> http_;
  std::string url_;
};

}  // namespace velmora::carddav

// The WebDAV multistatus answer (a 207 to PROPFIND and REPORT) read into the few properties
// the address book needs. The bytes come from the server: a document with a DTD, entities or
// anything but a multistatus at its root is refused. Never throws.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::carddav {

struct DavResource {
  std::string href;  // as sent, percent-encoded
  int status = 0;    // the response's own status line, 0 when it has propstats instead
  std::string etag;
  std::optional<std::string> address_data;
  bool collection = false;
  bool address_book = false;
  std::string principal;     // current-user-principal
  std::string address_home;  // the first href of addressbook-home-set
};

// The responses in document order; only properties found with a 2xx status are taken. None,
// with the reason in `why`, when the text is not such a document.
std::optional<std::vector<DavResource>> ReadMultistatus(std::string_view xml, std::string* why);

}  // namespace velmora::carddav

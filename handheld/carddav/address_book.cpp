#include "handheld/carddav/address_book.h"

namespace velmora::carddav {
namespace {

constexpr std::size_t kMultigetChunk = 200;

constexpr const char* kXmlHead = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
// Asked apart: some servers refuse the principal to an anonymous user, who may still reach an
// address book by its own URL.
constexpr const char* kCollectionProps = "<D:resourcetype/><C:addressbook-home-set/>";
constexpr const char* kPrincipalProps = "<D:current-user-principal/>";

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string WithSlash(std::string url) {
  if (url.empty() || url.back() != '/') url += '/';
  return url;
}

// The path part of an URL, for telling the collection's own entry in a listing.
std::string PathOf(const std::string& url) {
  const std::size_t scheme = url.find("://");
  const std::size_t slash = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
  return slash == std::string::npos ? "/" : url.substr(slash);
}

HttpRequest Request(std::string method, std::string url, std::vector<std::string> headers = {},
                    std::string body = {}) {
  return HttpRequest{std::move(method), std::move(url), std::move(headers), std::move(body)};
}

}  // namespace

AddressBook::AddressBook(std::unique_ptr<HttpClient> http, std::string url)
    : http_(std::move(http)), url_(std::move(url)) {}

std::unique_ptr<AddressBook> AddressBook::Open(const Binding& binding, HttpSettings settings,
                                               std::string* why) {
  if (!CheckBinding(binding, why)) return nullptr;
  settings.user = binding.user;
  settings.ca_file = binding.ca_file;
  if (binding.password_file) {
    const auto password = ReadPasswordFile(*binding.password_file, why);
    if (!password) return nullptr;
    settings.password = *password;
  }
  auto http = HttpClient::Create(std::move(settings), why);
  if (!http) return nullptr;
  std::unique_ptr<AddressBook> book(new AddressBook(std::move(http), {}));
  if (!book->Discover(binding.url, why)) return nullptr;
  return book;
}

std::optional<std::vector<DavResource>> AddressBook::Propfind(const std::string& url, int depth,
                                                              const char* props, std::string* why) {
  const std::string body = std::string(kXmlHead) +
                           "<D:propfind xmlns:D=\"DAV:\" "
                           "xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:prop>" +
                           props + "</D:prop></D:propfind>";
  const HttpResponse response = http_->Perform(Request(
      "PROPFIND", url,
      {"Depth: " + std::to_string(depth), "Content-Type: application/xml; charset=utf-8"}, body));
  if (response.status != 207) {
    if (why) *why = DescribeFailure("PROPFIND " + url, response);
    return std::nullopt;
  }
  std::string problem;
  auto resources = ReadMultistatus(response.body, &problem);
  if (!resources && why) *why = "PROPFIND " + url + ": " + problem;
  return resources;
}

bool AddressBook::Discover(const std::string& start, std::string* why) {
  auto here = Propfind(start, 0, kCollectionProps, why);
  if (!here) return false;
  if (here->empty()) {
    if (why) *why = "PROPFIND " + start + ": the answer names no resource";
    return false;
  }
  const DavResource& first = here->front();
  if (first.address_book) {
    url_ = WithSlash(start);
    return true;
  }
  std::string home = first.address_home;
  if (home.empty()) {
    auto asked = Propfind(start, 0, kPrincipalProps, why);
    if (!asked) return false;
    const std::string principal_href = asked->empty() ? "" : asked->front().principal;
    const auto principal_url = ResolveUrl(start, principal_href);
    if (principal_href.empty() || !principal_url) {
      if (why) *why = start + " is not an address book and names no principal for the user";
      return false;
    }
    auto principal = Propfind(*principal_url, 0, kCollectionProps, why);
    if (!principal) return false;
    if (!principal->empty()) home = principal->front().address_home;
  }
  if (home.empty()) {
    if (why) *why = start + " is not an address book and names no address book home for the user";
    return false;
  }
  const auto home_url = ResolveUrl(start, home);
  if (!home_url) {
    if (why) *why = "the server names an address book home that is not a URL: " + home;
    return false;
  }
  auto books = Propfind(*home_url, 1, "<D:resourcetype/>", why);
  if (!books) return false;
  for (const auto& resource : *books) {
    if (!resource.address_book) continue;
    const auto url = ResolveUrl(*home_url, resource.href);
    if (!url) continue;
    url_ = WithSlash(*url);
    return true;
  }
  if (why) *why = "the address book home " + *home_url + " holds no address book";
  return false;
}

std::optional<std::vector<StoredCard>> AddressBook::Cards(std::string* why) {
  auto listing = Propfind(url_, 1, "<D:resourcetype/><D:getetag/>", why);
  if (!listing) return std::nullopt;
  std::vector<std::string> hrefs;
  const std::string own_path = PathOf(url_);
  for (const auto& resource : *listing) {
    if (resource.collection || resource.status >= 300) continue;
    const auto url = ResolveUrl(url_, resource.href);
    if (!url || WithSlash(PathOf(*url)) == own_path) continue;
    hrefs.push_back(resource.href);
  }
  std::vector<HttpRequest> requests;
  for (std::size_t at = 0; at < hrefs.size(); at += kMultigetChunk) {
    std::string body = std::string(kXmlHead) +
                       "<C:addressbook-multiget xmlns:D=\"DAV:\" "
                       "xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                       "<D:prop><D:getetag/><C:address-data/></D:prop>";
    for (std::size_t i = at; i < hrefs.size() && i < at + kMultigetChunk; ++i) {
      body += "<D:href>" + XmlEscape(hrefs[i]) + "</D:href>";
    }
    body += "</C:addressbook-multiget>";
    requests.push_back(Request("REPORT", url_,
                               {"Depth: 1", "Content-Type: application/xml; charset=utf-8"},
                               std::move(body)));
  }
  std::vector<StoredCard> cards;
  for (const HttpResponse& response : http_->Perform(std::move(requests))) {
    std::string problem;
    std::optional<std::vector<DavResource>> resources;
    if (response.status != 207) {
      problem = DescribeFailure("REPORT " + url_, response);
    } else if (!(resources = ReadMultistatus(response.body, &problem))) {
      problem = "REPORT " + url_ + ": " + problem;
    }
    if (!resources) {
      if (why) *why = problem;
      return std::nullopt;
    }
    for (auto& resource : *resources) {
      if (resource.status == 404) continue;  // removed since the listing
      const auto url = ResolveUrl(url_, resource.href);
      if (!url || !resource.address_data) {
        if (why) *why = "REPORT " + url_ + ": the card " + resource.href + " came without its data";
        return std::nullopt;
      }
      cards.push_back({*url, resource.etag, std::move(*resource.address_data)});
    }
  }
  return cards;
}

std::vector<CardResult> AddressBook::Create(const std::vector<StoredCard>& cards) {
  std::vector<HttpRequest> requests;
  for (const auto& card : cards) {
    requests.push_back(Request("PUT", card.url,
                               {"If-None-Match: *", "Content-Type: text/vcard; charset=utf-8"},
                               card.text));
  }
  std::vector<CardResult> results;
  for (const HttpResponse& response : http_->Perform(std::move(requests))) {
    const bool done = response.status >= 200 && response.status < 300;
    results.push_back({done, response.etag,
                       done ? "" : DescribeFailure("PUT " + cards[results.size()].url, response)});
  }
  return results;
}

std::vector<CardResult> AddressBook::Remove(const std::vector<StoredCard>& cards) {
  std::vector<HttpRequest> requests;
  for (const auto& card : cards) {
    std::vector<std::string> headers;
    if (!card.etag.empty()) headers.push_back("If-Match: " + card.etag);
    requests.push_back(Request("DELETE", card.url, std::move(headers)));
  }
  std::vector<CardResult> results;
  for (const HttpResponse& response : http_->Perform(std::move(requests))) {
    const bool done = (response.status >= 200 && response.status < 300) || response.status == 404;
    results.push_back(
        {done, {}, done ? "" : DescribeFailure("DELETE " + cards[results.size()].url, response)});
  }
  return results;
}

}  // namespace velmora::carddav

// HTTP for the address-book handheld: requests carried out a few at a time over kept-alive
// connections (libcurl's multi interface), with every response held to a size limit and a
// time limit, TLS certificates verified, and redirects followed only within the same scheme,
// host and port. Used by the address book; never throws.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora::carddav {

struct HttpSettings {
  std::string user;  // basic authentication when not empty
  std::string password;
  std::optional<std::filesystem::path> ca_file;  // trusted instead of the system's authorities
  std::size_t max_body = 64u << 20;              // a longer response is refused
  long connect_seconds = 15;
  long total_seconds = 300;  // one request, start to end
  long stall_seconds = 30;   // a response that sends nothing for this long is given up
  int parallel = 4;
};

struct HttpRequest {
  std::string method;
  std::string url;
  std::vector<std::string> headers;  // "Name: value"
  std::string body;
};

struct HttpResponse {
  long status = 0;  // 0 when no whole response arrived; `error` says why
  std::string body;
  std::string etag;
  std::string error;
};

class HttpClient {
 public:
  // None, with the reason in `why`, when libcurl cannot be set up.
  static std::unique_ptr<HttpClient> Create(HttpSettings settings, std::string* why);
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Carries out `requests`, at most `parallel` at a time; one response each, in their order.
  std::vector<HttpResponse> Perform(std::vector<HttpRequest> requests);
  HttpResponse Perform(HttpRequest request);

 private:
  struct Impl;
  explicit HttpClient(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// `reference` (an absolute URL, an absolute path or a relative one) resolved against `base`;
// none when either cannot be read as a URL.
std::optional<std::string> ResolveUrl(const std::string& base, const std::string& reference);
// True when both URLs have the same scheme, host and port.
bool SameOrigin(const std::string& a, const std::string& b);
// True when the URL's host is the loopback interface.
bool IsLoopbackUrl(const std::string& url);
// True when the URL names a password in its user part.
bool UrlHoldsPassword(const std::string& url);

// "what: reason" for a failed response, naming the usual causes of the status.
std::string DescribeFailure(const std::string& what, const HttpResponse& response);

}  // namespace velmora::carddav

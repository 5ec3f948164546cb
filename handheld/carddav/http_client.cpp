#include "handheld/carddav/http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace velmora::carddav {
namespace {

constexpr int kMaxRedirects = 5;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// One transfer slot: an easy handle reused request after request, so that its connection is
// kept alive in the multi handle's cache.
struct Slot {
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  HttpResponse* response = nullptr;
  std::string location;
  std::size_t limit = 0;
  bool too_large = false;
  char error[CURL_ERROR_SIZE] = {};
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* slot = static_cast<Slot*>(user);
  const std::size_t bytes = size * count;
  if (slot->response->body.size() + bytes > slot->limit) {
    slot->too_large = true;
    return 0;  // stops the transfer
  }
  slot->response->body.append(data, bytes);
  return bytes;
}

std::string Trim(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  const std::size_t start = text.find_first_not_of(' ');
  return start == std::string::npos ? std::string() : text.substr(start);
}

bool HeaderIs(const std::string& line, const char* name) {
  const std::size_t length = std::strlen(name);
  return line.size() > length && line[length] == ':' &&
         strncasecmp(line.c_str(), name, length) == 0;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* slot = static_cast<Slot*>(user);
  const std::string line(data, size * count);
  if (line.rfind("HTTP/", 0) == 0) {  // a new response (after a 100 Continue): forget the last
    slot->response->etag.clear();
    slot->location.clear();
  } else if (HeaderIs(line, "ETag")) {
    slot->response->etag = Trim(line.substr(5));
  } else if (HeaderIs(line, "Location")) {
    slot->location = Trim(line.substr(9));
  }
  return size * count;
}

struct UrlHandle {
  CURLU* url = curl_url();
  ~UrlHandle() { curl_url_cleanup(url); }
  std::optional<std::string> Part(CURLUPart part, unsigned flags = 0) const {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK) return std::nullopt;
    std::string out = text;
    curl_free(text);
    return out;
  }
};

}  // namespace

struct HttpClient::Impl {
  HttpSettings settings;
  CURLM* multi = nullptr;
  std::vector<Slot> slots;

  ~Impl() {
    for (auto& slot : slots) {
      if (slot.easy) curl_easy_cleanup(slot.easy);
      curl_slist_free_all(slot.headers);
    }
    if (multi) curl_multi_cleanup(multi);
  }

  void Start(Slot& slot, HttpRequest& request, HttpResponse& response) {
    curl_easy_reset(slot.easy);
    curl_slist_free_all(slot.headers);
    slot.headers = nullptr;
    for (const auto& header : request.headers) {
      slot.headers = curl_slist_append(slot.headers, header.c_str());
    }
    // No "Expect: 100-continue" round trip before each upload.
    slot.headers = curl_slist_append(slot.headers, "Expect:");
    slot.response = &response;
    slot.location.clear();
    slot.limit = settings.max_body;
    slot.too_large = false;
    slot.error[0] = 0;
    CURL* easy = slot.easy;
    curl_easy_setopt(easy, CURLOPT_PRIVATE, &slot);
    curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    if (request.method == "HEAD") curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    if (!request.body.empty() || request.method == "PUT") {
      curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data());
      curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                       static_cast<curl_off_t>(request.body.size()));
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, slot.headers);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &slot);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &slot);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, slot.error);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);  // followed here, within the origin
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, settings.connect_seconds);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, settings.total_seconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, settings.stall_seconds);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(settings.max_body));
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (settings.ca_file) curl_easy_setopt(easy, CURLOPT_CAINFO, settings.ca_file->c_str());
    if (!settings.user.empty()) {
      curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
      curl_easy_setopt(easy, CURLOPT_USERNAME, settings.user.c_str());
      curl_easy_setopt(easy, CURLOPT_PASSWORD, settings.password.c_str());
    }
    curl_multi_add_handle(multi, easy);
  }

  void Finish(Slot& slot, CURLcode result) {
    HttpResponse& response = *slot.response;
    if (result == CURLE_OK) {
      curl_easy_getinfo(slot.easy, CURLINFO_RESPONSE_CODE, &response.status);
    } else {
      response.status = 0;
      response.body.clear();
      if (slot.too_large || result == CURLE_FILESIZE_EXCEEDED) {
        response.error =
            "the response is longer than " + std::to_string(settings.max_body) + " bytes";
      } else {
        response.error = slot.error[0] ? slot.error : curl_easy_strerror(result);
      }
    }
    curl_multi_remove_handle(multi, slot.easy);
    slot.response = nullptr;
  }

  // One pass over `requests` without following redirects; the Location of each response in
  // `locations`.
  void RunOnce(std::vector<HttpRequest*>& requests, std::vector<HttpResponse*>& responses,
               std::vector<std::string>& locations) {
    std::size_t next = 0;
    int active = 0;
    std::vector<std::size_t> index_of(slots.size());
    auto feed = [&](std::size_t s) {
      if (next >= requests.size()) return;
      index_of[s] = next;
      *responses[next] = HttpResponse{};
      Start(slots[s], *requests[next], *responses[next]);
      ++next;
      ++active;
    };
    for (std::size_t s = 0; s < slots.size(); ++s) feed(s);
    while (active > 0) {
      int running = 0;
      curl_multi_perform(multi, &running);
      int queued = 0;
      while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg != CURLMSG_DONE) continue;
        Slot* slot = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &slot);
        const CURLcode result = message->data.result;
        const std::size_t s = static_cast<std::size_t>(slot - slots.data());
        locations[index_of[s]] = slot->location;
        Finish(*slot, result);
        --active;
        feed(s);
      }
      if (active > 0) curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
  }
};

std::unique_ptr<HttpClient> HttpClient::Create(HttpSettings settings, std::string* why) {
  GlobalInit();
  auto impl = std::make_unique<Impl>();
  impl->settings = std::move(settings);
  impl->multi = curl_multi_init();
  const int parallel = std::clamp(impl->settings.parallel, 1, 16);
  impl->slots = std::vector<Slot>(static_cast<std::size_t>(parallel));
  bool ok = impl->multi != nullptr;
  for (auto& slot : impl->slots) {
    slot.easy = curl_easy_init();
    ok = ok && slot.easy != nullptr;
  }
  if (!ok) {
    if (why) *why = "cannot set up libcurl";
    return nullptr;
  }
  curl_multi_setopt(impl->multi, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(parallel));
  curl_multi_setopt(impl->multi, CURLMOPT_MAXCONNECTS, static_cast<long>(parallel));
  return std::unique_ptr<HttpClient>(new HttpClient(std::move(impl)));
}

HttpClient::HttpClient(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
HttpClient::~HttpClient() = default;

std::vector<HttpResponse> HttpClient::Perform(std::vector<HttpRequest> requests) {
  std::vector<HttpResponse> responses(requests.size());
  std::vector<std::size_t> pending(requests.size());
  for (std::size_t i = 0; i < pending.size(); ++i) pending[i] = i;
  for (int hop = 0; !pending.empty(); ++hop) {
    std::vector<HttpRequest*> batch;
    std::vector<HttpResponse*> out;
    for (std::size_t i : pending) {
      batch.push_back(&requests[i]);
      out.push_back(&responses[i]);
    }
    std::vector<std::string> locations(batch.size());
    impl_->RunOnce(batch, out, locations);
    std::vector<std::size_t> again;
    for (std::size_t k = 0; k < pending.size(); ++k) {
      HttpResponse& response = *out[k];
      const bool redirect = response.status == 301 || response.status == 302 ||
                            response.status == 303 || response.status == 307 ||
                            response.status == 308;
      if (!redirect || locations[k].empty()) continue;
      const auto target = ResolveUrl(batch[k]->url, locations[k]);
      response.status = 0;
      if (!target || !SameOrigin(*target, batch[k]->url)) {
        response.error = "the server redirected to another host (" + locations[k] + "); refused";
      } else if (hop + 1 >= kMaxRedirects) {
        response.error = "too many redirects";
      } else {
        batch[k]->url = *target;
        again.push_back(pending[k]);
      }
    }
    pending = std::move(again);
  }
  return responses;
}

HttpResponse HttpClient::Perform(HttpRequest request) {
  std::vector<HttpRequest> one;
  one.push_back(std::move(request));
  return std::move(Perform(std::move(one)).front());
}

std::optional<std::string> ResolveUrl(const std::string& base, const std::string& reference) {
  UrlHandle url;
  if (!url.url || curl_url_set(url.url, CURLUPART_URL, base.c_str(), 0) != CURLUE_OK ||
      curl_url_set(url.url, CURLUPART_URL, reference.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  return url.Part(CURLUPART_URL);
}

bool SameOrigin(const std::string& a, const std::string& b) {
  UrlHandle first, second;
  if (curl_url_set(first.url, CURLUPART_URL, a.c_str(), 0) != CURLUE_OK ||
      curl_url_set(second.url, CURLUPART_URL, b.c_str(), 0) != CURLUE_OK) {
    return false;
  }
  for (CURLUPart part : {CURLUPART_SCHEME, CURLUPART_HOST, CURLUPART_PORT}) {
    const unsigned flags = part == CURLUPART_PORT ? CURLU_DEFAULT_PORT : 0;
    const auto x = first.Part(part, flags), y = second.Part(part, flags);
    if (!x || !y || strcasecmp(x->c_str(), y->c_str()) != 0) return false;
  }
  return true;
}

bool IsLoopbackUrl(const std::string& url) {
  UrlHandle handle;
  if (curl_url_set(handle.url, CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return false;
  const auto host = handle.Part(CURLUPART_HOST);
  return host && (*host == "localhost" || host->rfind("127.", 0) == 0 || *host == "[::1]");
}

bool UrlHoldsPassword(const std::string& url) {
  UrlHandle handle;
  if (curl_url_set(handle.url, CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return false;
  return handle.Part(CURLUPART_PASSWORD).has_value();
}

std::string DescribeFailure(const std::string& what, const HttpResponse& response) {
  if (response.status == 0) return what + ": " + response.error;
  std::string reason;
  switch (response.status) {
    case 401:
      reason = " (not authorised: check the user and the password file)";
      break;
    case 403:
      reason = " (forbidden)";
      break;
    case 404:
      reason = " (not found)";
      break;
    case 412:
      reason = " (the card was changed or made on the server meanwhile)";
      break;
    default:
      if (response.status >= 500) reason = " (a fault of the server)";
  }
  return what + ": the server answered " + std::to_string(response.status) + reason;
}

}  // namespace velmora::carddav

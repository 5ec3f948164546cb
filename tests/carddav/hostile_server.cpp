#include "tests/carddav/hostile_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace velmora::testing {
namespace {

constexpr const char* kOldCard =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:old\r\nFN:Olga Old\r\nN:Old;Olga;;;\r\nEND:VCARD\r\n";

bool SendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

std::string Response(int status, const std::string& body, const std::string& extra = "") {
  return "HTTP/1.1 " + std::to_string(status) +
         " X\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nContent-Type: application/xml\r\n" + extra + "\r\n" + body;
}

std::string Multistatus(const std::string& inner) {
  return "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" "
         "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">" +
         inner + "</d:multistatus>";
}

std::string CardResponse(const std::string& href, const std::string& data) {
  return "<d:response><d:href>" + href +
         "</d:href><d:propstat><d:prop><d:getetag>\"1\"</d:getetag>" +
         (data.empty() ? "" : "<c:address-data>" + data + "</c:address-data>") +
         "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
}

// Reads one request: its method, its Depth header and its path.
bool ReadRequest(int fd, std::string* method, std::string* path) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    head.append(buffer, static_cast<std::size_t>(n));
  }
  const std::size_t end = head.find("\r\n\r\n") + 4;
  std::size_t length = 0;
  if (const char* at = strcasestr(head.c_str(), "\r\ncontent-length:")) {
    length = std::strtoul(at + 17, nullptr, 10);
  }
  std::size_t have = head.size() - end;
  while (have < length) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    have += static_cast<std::size_t>(n);
  }
  *method = head.substr(0, head.find(' '));
  const std::size_t start = head.find(' ') + 1;
  *path = head.substr(start, head.find(' ', start) - start);
  if (*method == "PROPFIND" && strcasestr(head.c_str(), "\r\ndepth: 1")) *method = "PROPFIND1";
  return true;
}

}  // namespace

HostileServer::HostileServer(Fault fault, std::string method, int status)
    : fault_(fault), method_(std::move(method)), status_(status) {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener_, 16);
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

HostileServer::~HostileServer() {
  stop_ = true;
  thread_.join();
  close(listener_);
}

std::string HostileServer::Url() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/book/";
}

std::set<std::string> HostileServer::Cards() {
  std::lock_guard lock(mutex_);
  return cards_;
}

void HostileServer::Serve() {
  while (!stop_) {
    pollfd ready{listener_, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    const int fd = accept(listener_, nullptr, nullptr);
    if (fd < 0) continue;
    timeval wait{5, 0};  // an idle kept-alive connection is dropped after a while
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    connections_.emplace_back([this, fd] {
      Answer(fd);
      close(fd);
    });
  }
  for (auto& connection : connections_) connection.join();
}

void HostileServer::Answer(int fd) {
  std::string method, path;
  while (!stop_ && ReadRequest(fd, &method, &path)) {
    if (method == method_ && !fired_.exchange(true)) {
      switch (fault_) {
        case Fault::kNone:
          break;
        case Fault::kStatus:
          SendAll(fd, Response(status_, ""));
          continue;
        case Fault::kHuge: {
          SendAll(fd, "HTTP/1.1 207 X\r\nContent-Length: 100000000000\r\n\r\n");
          const std::string block(1 << 16, ' ');
          while (!stop_ && SendAll(fd, block)) {
          }
          return;
        }
        case Fault::kEndless: {
          SendAll(fd, "HTTP/1.1 207 X\r\nTransfer-Encoding: chunked\r\n\r\n");
          const std::string chunk = "10000\r\n" + std::string(1 << 16, ' ') + "\r\n";
          while (!stop_ && SendAll(fd, chunk)) {
          }
          return;
        }
        case Fault::kMalformedXml:
          SendAll(fd, Response(207, "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>"));
          continue;
        case Fault::kEntityBomb: {
          std::string dtd = "<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaaaaaaaa\">";
          for (char c = 'b'; c <= 'j'; ++c) {
            const std::string prev(1, static_cast<char>(c - 1));
            dtd += "<!ENTITY " + std::string(1, c) + " \"" + std::string(10, '&') + "\">";
            std::string body;
            for (int i = 0; i < 10; ++i) body += "&" + prev + ";";
            dtd.replace(dtd.rfind(std::string(10, '&')), 10, body);
          }
          dtd +=
              "]><d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>&j;</d:href>"
              "</d:response></d:multistatus>";
          SendAll(fd, Response(207, dtd));
          continue;
        }
        case Fault::kNotVCard:
          SendAll(fd, Response(207, Multistatus(CardResponse("/book/old.vcf", "hello"))));
          continue;
        case Fault::kRedirectAway:
          SendAll(fd,
                  Response(307, "",
                           "Location: http://127.0.0.2:" + std::to_string(port_) + path + "\r\n"));
          continue;
        case Fault::kCutMidResponse:
          SendAll(fd, "HTTP/1.1 207 X\r\nContent-Length: 5000\r\n\r\n<d:multistatus");
          return;
      }
    }
    std::lock_guard lock(mutex_);
    if (method == "PROPFIND") {
      SendAll(fd, Response(207, Multistatus("<d:response><d:href>/book/</d:href><d:propstat>"
                                            "<d:prop><d:resourcetype><d:collection/>"
                                            "<c:addressbook/></d:resourcetype></d:prop>"
                                            "<d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
                                            "</d:response>")));
    } else if (method == "PROPFIND1") {
      std::string inner;
      for (const auto& card : cards_) inner += CardResponse(card, "");
      SendAll(fd, Response(207, Multistatus(inner)));
    } else if (method == "REPORT") {
      std::string inner;
      for (const auto& card : cards_) inner += CardResponse(card, kOldCard);
      SendAll(fd, Response(207, Multistatus(inner)));
    } else if (method == "PUT") {
      cards_.insert(path);
      SendAll(fd, Response(201, "", "ETag: \"2\"\r\n"));
    } else if (method == "DELETE") {
      SendAll(fd, Response(cards_.erase(path) ? 204 : 404, ""));
    } else {
      SendAll(fd, Response(405, ""));
    }
  }
}

}  // namespace velmora::testing

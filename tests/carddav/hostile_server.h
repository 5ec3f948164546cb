// A small HTTP server on loopback, run by threads of the test, that plays an address book of
// one card and misbehaves in one chosen way on the first request of one method. It keeps the set of
// cards that PUT and DELETE leave, so a test can tell whether the book holds the old set.
#pragma once

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace velmora::testing {

class HostileServer {
 public:
  enum class Fault {
    kNone,
    kStatus,          // answers `status` with an empty body
    kHuge,            // announces and sends more bytes than any limit
    kEndless,         // a chunked answer that never ends
    kMalformedXml,    // a 207 whose body is not well-formed
    kEntityBomb,      // a 207 with a DTD of nested entities
    kNotVCard,        // a 207 whose card data is no vCard
    kRedirectAway,    // a redirect to another host
    kCutMidResponse,  // closes the connection half way through the body
  };

  // Misbehaves on the first request whose method is `method` ("PROPFIND1" for a Depth 1 PROPFIND).
  HostileServer(Fault fault, std::string method, int status = 0);
  ~HostileServer();

  std::string Url() const;  // the address book collection
  std::set<std::string> Cards();

 private:
  void Serve();
  void Answer(int fd);

  Fault fault_;
  std::string method_;
  int status_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> fired_{false};
  std::mutex mutex_;
  std::set<std::string> cards_{"/book/old.vcf"};
  std::vector<std::thread> connections_;
  std::thread thread_;
};

}  // namespace velmora::testing

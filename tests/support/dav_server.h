// A private CardDAV server for tests, on loopback at a free port: Radicale (with or without
// HTTP basic authentication, over plain HTTP or over TLS with a certificate of its own
// authority) or Xandikos (no authentication, plain HTTP), its data in a temporary folder,
// one empty address book ready. Stopped and removed with the object; can be stopped and started
// again on the same data and port.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {

class DavServer {
 public:
  enum class Kind { kRadicale, kXandikos };

  DavServer(Kind kind, bool basic_auth, bool tls = false);
  ~DavServer();
  DavServer(const DavServer&) = delete;
  DavServer& operator=(const DavServer&) = delete;

  bool Available() const { return available_; }
  const std::string& SkipReason() const { return skip_reason_; }

  std::string RootUrl() const;
  std::string BookUrl() const;  // the address book collection, ending in "/"
  const std::string& User() const { return user_; }
  const std::string& Password() const { return password_; }
  // A private file holding the password; empty without authentication.
  std::string PasswordFile() const;
  // The certificate the TLS server presents, self-signed for 127.0.0.1; empty without TLS.
  std::string CertificateFile() const;

  bool Start();
  void Stop();

  // Runs the curl command against the server (authenticated when the server wants it) with
  // `args`; the body it printed, none when curl failed.
  std::optional<std::string> Curl(const std::vector<std::string>& args) const;
  // The text of every card in the address book, read with plain HTTP (PROPFIND and GET).
  std::vector<std::string> Cards() const;
  // Puts a card at BookUrl() + name; true on success.
  bool PutCard(const std::string& name, const std::string& text) const;

 private:
  bool WaitUntilReady();
  bool MakeBook();
  bool MakeCertificate();

  Kind kind_;
  bool auth_;
  bool tls_;
  std::unique_ptr<TempDir> dir_;
  ServerProcess server_;
  int port_ = 0;
  std::string user_, password_;
  bool available_ = false;
  std::string skip_reason_;
};

// The hrefs of the cards (ending in ".vcf") in a PROPFIND answer, whatever prefix its DAV
// namespace has.
std::vector<std::string> CardHrefs(std::string_view multistatus);

}  // namespace velmora::testing

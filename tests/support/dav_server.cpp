#include "tests/support/dav_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <thread>

namespace velmora::testing {
namespace {

constexpr const char* kRadicale = "/usr/bin/radicale";
constexpr const char* kXandikos = "/usr/bin/xandikos";

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

}  // namespace

DavServer::DavServer(Kind kind, bool basic_auth, bool tls)
    : kind_(kind), auth_(basic_auth), tls_(tls && kind == Kind::kRadicale) {
  std::error_code ec;
  const char* program = kind == Kind::kRadicale ? kRadicale : kXandikos;
  if (!std::filesystem::exists(program, ec)) {
    skip_reason_ = std::string(program) + " is not installed";
    return;
  }
  dir_ = std::make_unique<TempDir>();
  port_ = FreePort();
  user_ = kind == Kind::kRadicale && auth_ ? "ann" : "";
  password_ = auth_ ? "s3cret pass" : "";
  if (kind == Kind::kRadicale) {
    std::string config = "[server]\nhosts = 127.0.0.1:" + std::to_string(port_) + "\n";
    if (tls_) {
      if (!MakeCertificate()) {
        skip_reason_ = "openssl cannot make a test certificate";
        return;
      }
      config += "ssl = True\ncertificate = " + CertificateFile() +
                "\nkey = " + (dir_->path() / "key.pem").string() + "\n";
    }
    if (auth_) {
      WriteFileBytes(dir_->path() / "users", user_ + ":" + password_ + "\n");
      config +=
          "[auth]\ntype = htpasswd\nhtpasswd_filename = " + (dir_->path() / "users").string() +
          "\nhtpasswd_encryption = plain\n[rights]\ntype = owner_only\n";
    } else {
      // Anonymous requests may read and write everything.
      WriteFileBytes(dir_->path() / "rights",
                     "[anyone]\nuser: .*\ncollection: .*\npermissions: RrWw\n");
      config += "[auth]\ntype = none\n[rights]\ntype = from_file\nfile = " +
                (dir_->path() / "rights").string() + "\n";
    }
    config += "[storage]\nfilesystem_folder = " + (dir_->path() / "data").string() +
              "\n[logging]\nlevel = warning\n";
    WriteFileBytes(dir_->path() / "radicale.conf", config);
  }
  if (auth_) {
    WriteFileBytes(dir_->path() / "password", password_ + "\n");
    std::filesystem::permissions(
        dir_->path() / "password",
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
  available_ = Start() && MakeBook();
  if (!available_ && skip_reason_.empty()) skip_reason_ = "the server did not start";
}

DavServer::~DavServer() {
  Stop();
}

std::string DavServer::RootUrl() const {
  return (tls_ ? "https" : "http") + std::string("://127.0.0.1:") + std::to_string(port_) + "/";
}

std::string DavServer::CertificateFile() const {
  return tls_ ? (dir_->path() / "cert.pem").string() : "";
}

bool DavServer::MakeCertificate() {
  return RunProgram({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                     "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                     (dir_->path() / "key.pem").string(), "-out", CertificateFile()});
}

std::string DavServer::BookUrl() const {
  if (kind_ == Kind::kXandikos) return RootUrl() + "user/contacts/addressbook/";
  return RootUrl() + (auth_ ? user_ + "/book/" : "shared/book/");
}

std::string DavServer::PasswordFile() const {
  return auth_ ? (dir_->path() / "password").string() : "";
}

bool DavServer::Start() {
  std::vector<std::string> argv;
  if (kind_ == Kind::kRadicale) {
    argv = {kRadicale, "--config", (dir_->path() / "radicale.conf").string()};
  } else {
    argv = {kXandikos, "--defaults", "-d", (dir_->path() / "data").string(),
            "-l",      "127.0.0.1",  "-p", std::to_string(port_)};
  }
  if (!server_.Start(argv, "", (dir_->path() / "server.log").string(), SIGTERM)) return false;
  return WaitUntilReady();
}

void DavServer::Stop() {
  server_.Stop();
}

bool DavServer::WaitUntilReady() {
  for (int i = 0; i < 300; ++i) {
    if (Accepts(port_)) return true;
    if (!server_.Running()) {
      skip_reason_ = "the server ended: " + ReadFileBytes(dir_->path() / "server.log");
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

bool DavServer::MakeBook() {
  if (kind_ == Kind::kXandikos) return true;  // --defaults made one
  const std::string mkcol =
      "<?xml version=\"1.0\"?><mkcol xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
      "<set><prop><resourcetype><collection/><C:addressbook/></resourcetype></prop></set></mkcol>";
  // Radicale makes a user's principal collection on the user's first request.
  if (auth_) {
    Curl({"-X", "PROPFIND", "-H", "Depth: 0", RootUrl() + user_ + "/"});
  } else {
    Curl({"-X", "MKCOL", RootUrl() + "shared/"});
  }
  return Curl({"-f", "-X", "MKCOL", "--data-binary", mkcol, BookUrl()}).has_value();
}

std::optional<std::string> DavServer::Curl(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {"curl", "-s", "--max-time", "20"};
  if (auth_ && !user_.empty()) argv.insert(argv.end(), {"-u", user_ + ":" + password_});
  if (tls_) argv.insert(argv.end(), {"--cacert", CertificateFile()});
  argv.insert(argv.end(), args.begin(), args.end());
  std::string output;
  if (!RunProgram(argv, "", &output)) return std::nullopt;
  return output;
}

std::vector<std::string> DavServer::Cards() const {
  std::vector<std::string> cards;
  const auto listing = Curl({"-f", "-X", "PROPFIND", "-H", "Depth: 1", BookUrl()});
  if (!listing) return cards;
  for (const std::string& href : CardHrefs(*listing)) {
    const auto text = Curl({"-f", RootUrl() + href.substr(1)});
    if (text) cards.push_back(*text);
  }
  std::sort(cards.begin(), cards.end());
  return cards;
}

bool DavServer::PutCard(const std::string& name, const std::string& text) const {
  return Curl({"-f", "-X", "PUT", "-H", "Content-Type: text/vcard", "--data-binary", text,
               BookUrl() + name})
      .has_value();
}

std::vector<std::string> CardHrefs(std::string_view multistatus) {
  std::vector<std::string> hrefs;
  for (std::size_t at = multistatus.find("href>"); at != std::string_view::npos;
       at = multistatus.find("href>", at + 1)) {
    // An opening tag: "<href>" or "<prefix:href>".
    const std::size_t open = multistatus.rfind('<', at);
    if (open == std::string_view::npos) continue;
    const std::string_view prefix = multistatus.substr(open + 1, at - open - 1);
    const bool named = prefix.empty() || (prefix.ends_with(':') && prefix.size() > 1 &&
                                          std::all_of(prefix.begin(), prefix.end() - 1, [](char c) {
                                            return std::isalnum(static_cast<unsigned char>(c));
                                          }));
    const std::size_t start = at + 5;
    const std::size_t end = multistatus.find("</", start);
    if (!named || end == std::string_view::npos) continue;
    const std::string_view href = multistatus.substr(start, end - start);
    if (href.ends_with(".vcf") && href.find('<') == std::string_view::npos) {
      hrefs.emplace_back(href);
    }
  }
  return hrefs;
}

}  // namespace velmora::testing

#include "handheld/carddav/binding.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "handheld/carddav/http_client.h"
#include "platform/files/atomic_file.h"

namespace velmora::carddav {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxPassword = 4096;

bool Fail(std::string* why, std::string reason) {
  if (why) *why = std::move(reason);
  return false;
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

fs::path BindingFile(const fs::path& handheld) {
  return handheld / "carddav.conf";
}

bool IsBound(const fs::path& handheld) {
  std::error_code ec;
  return fs::exists(BindingFile(handheld), ec);
}

std::optional<std::string> ReadPasswordFile(const fs::path& file, std::string* why) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    Fail(why, "cannot open the password file " + file.string() + ": " + std::strerror(errno));
    return std::nullopt;
  }
  struct stat st {};
  std::string text;
  bool ok = ::fstat(fd, &st) == 0;
  if (ok && !S_ISREG(st.st_mode)) {
    ok = Fail(why, "the password file " + file.string() + " is not a regular file");
  } else if (ok && st.st_uid != ::geteuid()) {
    ok = Fail(why, "the password file " + file.string() + " belongs to another user");
  } else if (ok && (st.st_mode & 077) != 0) {
    ok = Fail(why, "the password file " + file.string() +
                       " can be read by others than its owner; make it private (chmod 600)");
  } else if (ok) {
    char buffer[kMaxPassword + 1];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 || static_cast<std::size_t>(got) > kMaxPassword) {
      ok = Fail(why, "cannot read the password file " + file.string());
    } else {
      text.assign(buffer, static_cast<std::size_t>(got));
      text = text.substr(0, text.find_first_of("\r\n"));
    }
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  return text;
}

bool CheckBinding(const Binding& binding, std::string* why) {
  const std::string& url = binding.url;
  if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) {
    return Fail(why, "the address book URL must start with http:// or https://");
  }
  if (!ResolveUrl(url, url)) return Fail(why, "\"" + url + "\" is not a URL");
  if (UrlHoldsPassword(url)) {
    return Fail(why, "the URL names a password; give it with --password-file instead");
  }
  if (HasLineBreak(url) || HasLineBreak(binding.user)) {
    return Fail(why, "the URL and the user cannot hold line breaks");
  }
  if (binding.password_file) {
    if (binding.user.empty()) return Fail(why, "a password file needs --user");
    if (!ReadPasswordFile(*binding.password_file, why)) return false;
    if (url.rfind("http://", 0) == 0 && !IsLoopbackUrl(url)) {
      return Fail(why, "a password is not sent in clear to another machine; use https://");
    }
  }
  if (binding.ca_file) {
    std::ifstream in(*binding.ca_file);
    if (!in) return Fail(why, "cannot read the certificate file " + binding.ca_file->string());
  }
  return true;
}

bool WriteBinding(const fs::path& handheld, Binding binding, std::string* why) {
  std::error_code ec;
  if (binding.password_file) binding.password_file = fs::absolute(*binding.password_file, ec);
  if (binding.ca_file) binding.ca_file = fs::absolute(*binding.ca_file, ec);
  if (!CheckBinding(binding, why)) return false;
  if ((binding.password_file && HasLineBreak(binding.password_file->string())) ||
      (binding.ca_file && HasLineBreak(binding.ca_file->string()))) {
    return Fail(why, "file paths cannot hold line breaks");
  }
  std::string text = "url=" + binding.url + "\n";
  if (!binding.user.empty()) text += "user=" + binding.user + "\n";
  if (binding.password_file) text += "password-file=" + binding.password_file->string() + "\n";
  if (binding.ca_file) text += "ca-file=" + binding.ca_file->string() + "\n";
  if (!files::WriteFileAtomically(BindingFile(handheld), text)) {
    return Fail(why, "cannot write " + BindingFile(handheld).string());
  }
  return true;
}

std::optional<Binding> ReadBinding(const fs::path& handheld, std::string* why) {
  std::ifstream in(BindingFile(handheld), std::ios::binary);
  if (!in) {
    Fail(why, "cannot read " + BindingFile(handheld).string());
    return std::nullopt;
  }
  Binding binding;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t equals = line.find('=');
    const std::string key = line.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
    if (key == "url") {
      binding.url = value;
    } else if (key == "user") {
      binding.user = value;
    } else if (key == "password-file") {
      binding.password_file = value;
    } else if (key == "ca-file") {
      binding.ca_file = value;
    }
  }
  if (binding.url.empty()) {
    Fail(why, BindingFile(handheld).string() + " names no address book");
    return std::nullopt;
  }
  return binding;
}

}  // namespace velmora::carddav

#include "installer/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>

#include "platform/files/atomic_file.h"
#include "platform/files/unique_fd.h"

namespace velmora::installer {
namespace {

bool Fail(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

bool FailWith(std::string* error, const std::string& what, int code) {
  errno = code;
  return Fail(error, what);
}

// Fills the file aside through `produce`, then flushes it, gives it `mode` and renames it over
// `to`. The file aside is removed on any failure.
template <class Produce>
bool WriteThenRename(const std::filesystem::path& to, unsigned mode, std::string* error,
                     Produce produce) {
  files::AsideOptions options;
  options.create_mode = 0600;
  options.exact_mode = static_cast<mode_t>(mode & 0777);
  files::AtomicFile out(to, options);
  if (!out.ok()) return FailWith(error, "cannot create a file beside " + to.string(), out.Error());
  if (!produce(out, error)) return false;
  if (!out.Sync()) return FailWith(error, "cannot flush " + out.TempPath().string(), out.Error());
  if (!out.Rename()) return FailWith(error, "cannot rename onto " + to.string(), out.Error());
  return true;
}

}  // namespace

bool CopyFileAside(const std::filesystem::path& from, const std::filesystem::path& to,
                   std::string* error) {
  files::UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return Fail(error, "cannot open " + from.string());
  struct stat info {};
  if (::fstat(in.get(), &info) != 0) return Fail(error, "cannot read " + from.string());
  if (!S_ISREG(info.st_mode)) {
    if (error) *error = from.string() + " is not a file";
    return false;
  }
  // A database holds profiles or contacts: readable by its user only, whatever the source's bits.
  const unsigned mode = to.extension() == ".mdb" ? info.st_mode & 0700 : info.st_mode;
  return WriteThenRename(to, mode, error, [&](files::AtomicFile& out, std::string* why) {
    char buffer[1 << 16];
    for (;;) {
      const ssize_t got = ::read(in.get(), buffer, sizeof buffer);
      if (got == 0) return true;
      if (got < 0) {
        if (errno == EINTR) continue;
        return Fail(why, "cannot read " + from.string());
      }
      out.Write(std::string_view(buffer, static_cast<std::size_t>(got)));
      if (!out.Flush()) return FailWith(why, "cannot write " + to.string(), out.Error());
    }
  });
}

bool WriteFileAside(const std::filesystem::path& to, std::string_view bytes, unsigned mode,
                    std::string* error) {
  return WriteThenRename(to, mode, error, [&](files::AtomicFile& out, std::string*) {
    out.Write(bytes);
    return true;
  });
}

}  // namespace velmora::installer

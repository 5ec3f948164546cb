// Feeds arbitrary bytes to the handheld agent as the "test.pdb" the desktop leaves for it, read
// both as a transfer file and as a contacts backup. The file lives in memory (memfd), so each
// input costs no disk write.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "handheld/sorrelin/contact_files.h"

namespace {

int MemoryFile() {
  static const int fd = memfd_create("test.pdb", 0);
  if (fd < 0) std::abort();
  return fd;
}

void Replace(int fd, const std::uint8_t* data, std::size_t size) {
  if (ftruncate(fd, 0) != 0) std::abort();
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int fd = MemoryFile();
  Replace(fd, data, size);
  static const std::filesystem::path file = "/proc/self/fd/" + std::to_string(fd);
  std::string problem, note;
  velmora::sorrelin::ReadTransferContacts(file, &problem, &note);
  velmora::sorrelin::ReadBackupContacts(file, &problem);
  return 0;
}

// A stand-in for libpeltrix.so whose answers are set by $FAKE_PELTRIX_MODE, for testing how the
// binding treats a library that stores a different count, skips indices or leaves a name
// unterminated.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/peltrix/peltrix.h"

namespace {

std::string Mode() {
  const char* mode = std::getenv("FAKE_PELTRIX_MODE");
  return mode != nullptr ? mode : "";
}

}  // namespace

extern "C" {

unsigned short GetHandheldUserCount(unsigned short* count) {
  if (Mode() == "stored-zero") {
    *count = 0;
    return 3;
  }
  *count = Mode() == "stored-more" ? 9 : 4;
  return 4;
}

int GetHandheldUserName(unsigned short index, char* buffer) {
  if (Mode() == "unterminated") {
    std::memset(buffer, 'x', PELTRIX_BUFFER_BYTES);
    return 1;
  }
  if (index >= 4) std::abort();  // the binding must stay within the returned count
  if (Mode() == "skip-odd" && index % 2 == 1) return 0;
  std::strcpy(buffer, ("user" + std::to_string(index)).c_str());
  return 1;
}

int GetAppPath(char* buffer) {
  std::strcpy(buffer, "/somewhere");
  return Mode() == "no-path" ? 0 : 1;
}

}  // extern "C"

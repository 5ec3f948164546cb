// Fuzz target: any bytes as a WebDAV multistatus answer from a CardDAV server; what is read
// must hold an href for every response.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "handheld/carddav/multistatus.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string why;
  const auto resources = velmora::carddav::ReadMultistatus(
      std::string_view(reinterpret_cast<const char*>(data), size), &why);
  if (!resources && why.empty()) std::abort();
  if (resources) {
    for (const auto& resource : *resources) {
      if (resource.href.empty()) std::abort();
    }
  }
  return 0;
}

// Fuzz target: any bytes as a registry hive file. The record parser runs with and without the
// hash check; whatever it accepts must serialise to a file that parses back to the same keys.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry/hive_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace registry = velmora::registry;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const registry::ParsedHive checked = registry::ParseHive(bytes);
  // Mutated files almost never keep a matching hash, so the records are parsed without it.
  const registry::ParsedHive parsed = registry::ParseHive(bytes, /*verify_hash=*/false);
  if (checked.ok && (!parsed.ok || parsed.contents != checked.contents)) std::abort();
  if (!parsed.ok) {
    if (parsed.error.empty() || parsed.contents != registry::HiveContents{}) std::abort();
    return 0;
  }
  const std::string again = registry::SerialiseHive(parsed.contents);
  const registry::ParsedHive reparsed = registry::ParseHive(again);
  if (!reparsed.ok || reparsed.contents != parsed.contents) std::abort();
  return 0;
}

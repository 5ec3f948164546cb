// Fuzz target: any bytes as the installer's setup script, looked up for every id with a role
// and a few without.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "installer/setup_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (int id : {0, 10, 11, 52, 100, 102, 205, 303, 501, 601, 1151, 0xFFFF}) {
    velmora::installer::LookupScriptText(bytes, id);
  }
  return 0;
}

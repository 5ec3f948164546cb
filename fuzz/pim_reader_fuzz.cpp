// Fuzz target: any bytes as a PIM export, read by code, by position and field by field.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/pim_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace transfer = velmora::transfer;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static const std::vector<std::string> mapped(transfer::kPimFieldNames.begin(),
                                               transfer::kPimFieldNames.end());
  transfer::FindPimDamage(bytes);
  long count = std::min(transfer::PimRecordCount(bytes), 16L);
  for (long r = 0; r <= count + 1; ++r) {
    std::vector<std::string> slots;
    transfer::PimRecordByCode(bytes, r, mapped, slots);
    transfer::PimPositionSlots positions;
    transfer::PimRecordByPosition(bytes, r, positions);
    transfer::PimRecordFields(bytes, r);
  }
  return 0;
}

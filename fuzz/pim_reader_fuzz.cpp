// Fuzz target: any bytes as a PIM export, read by code, by position and field by field, and
// the conduit's check before it takes an export in: an export that passes it holds every record
// its count promises, each with fields, so nothing blank is ever written from it.
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
  if (!transfer::FindPimDamage(bytes)) {
    const long count = transfer::PimRecordCount(bytes);
    const auto stored = static_cast<long>(static_cast<std::uint8_t>(bytes[0]) |
                                          static_cast<std::uint8_t>(bytes[1]) << 8);
    if (count != stored || count > transfer::kPimMaxRecords) __builtin_trap();
    std::vector<transfer::PimValue> values;
    for (long r = 1; r <= count; ++r) {
      std::optional<std::vector<transfer::PimFieldText>> fields =
          transfer::PimRecordFields(bytes, r);
      if (!fields || fields->empty()) __builtin_trap();
      if (!transfer::PimValuesByCode(bytes, r, mapped, values)) __builtin_trap();
    }
  }
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

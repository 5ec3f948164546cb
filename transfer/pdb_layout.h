// The header and column list of a contact PDB file as bytes. Internal to transfer/, shared by
// the result-set writers and the device backup so that every file starts the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::transfer {

struct PdbDescriptor {
  int code = 0;
  int size = 0;
  int digits = 0;
  std::string name;  // UTF-8
};

// 112 header bytes for `record_count` records, created and modified at `now`.
std::string EncodePdbHeader(std::string_view database_name, std::uint16_t record_count,
                            std::uint32_t now);
// The column list with `slot_count` slots (raised to descriptors.size()); none when a
// descriptor would start past the 16-bit offset range.
std::optional<std::string> EncodePdbColumnList(const std::vector<PdbDescriptor>& descriptors,
                                               int slot_count);
// Seconds since 1970 now, as the header stores them.
std::uint32_t PdbNow();

}  // namespace velmora::transfer

// Writer of PIM export files, as the handheld's contacts agent produces them: each record holds
// the 46 fields once, in code order, texts as UTF-16LE with a 0 terminator and dates as
// automation dates. Used by the emulated handheld's agent and by tests; the desktop never writes
// this file. The lower-level field encoders let tests build files the writer would not.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/pim_format.h"

namespace velmora::transfer {

struct PimContact {
  std::array<std::string, 44> texts;  // UTF-8, fields 1 … 44 (texts[code - 1])
  double birthday = 0.0;              // automation date; 0.0 = no date
  double anniversary = 0.0;
};

// The whole file, or none when there are more than 5461 contacts. Texts are cut at 16382 code
// units, and the longest texts further when a record would exceed 65535 bytes.
std::optional<std::string> EncodePimFile(const std::vector<PimContact>& contacts);
// Replaces `file` atomically; false when there are too many contacts or it cannot be written.
bool WritePimFile(const std::filesystem::path& file, const std::vector<PimContact>& contacts);

// One field: code byte, signed 16-bit little-endian data length, data. A text's length counts
// its 0 terminator; an empty text has length 2.
std::string EncodePimTextField(int code, std::u16string_view text);
std::string EncodePimDateField(int code, double automation_date);
// Count, index and the given record bytes in order; none when the positions or lengths
// cannot be expressed.
std::optional<std::string> EncodePimFileFromRecords(const std::vector<std::string>& records);

}  // namespace velmora::transfer

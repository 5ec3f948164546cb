#include "device/windows_error_text.h"

#include <string_view>

namespace velmora::device {

std::string WindowsErrorText(std::uint32_t code) {
  struct Entry {
    std::uint32_t code;
    std::string_view text;
  };
  static constexpr Entry kTexts[] = {
      {0, "The operation completed successfully."},
      {2, "The system cannot find the file specified."},
      {3, "The system cannot find the path specified."},
      {5, "Access is denied."},
      {6, "The handle is invalid."},
      {8, "Not enough storage is available to process this command."},
      {29, "The system cannot write to the specified device."},
      {32, "The process cannot access the file because it is being used by another process."},
      {80, "The file exists."},
      {87, "The parameter is incorrect."},
      {112, "There is not enough space on the disk."},
      {123, "The filename, directory name, or volume label syntax is incorrect."},
      {183, "Cannot create a file when that file already exists."},
      {206, "The filename or extension is too long."},
      {234, "More data is available."},
      {1167, "The device is not connected."},
  };
  for (const auto& entry : kTexts) {
    if (entry.code == code) return std::string(entry.text) + "\r\n";
  }
  return "Unknown error " + std::to_string(code) + ".\r\n";
}

}  // namespace velmora::device

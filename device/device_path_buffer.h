// A device path as the RAPI calls take it: UTF-16 with a terminator, in at most 260 units.
// Used inside the device link only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "device/device_files.h"
#include "device/rapi_abi.h"
#include "platform/text/utf.h"

namespace velmora::device {

class DevicePathBuffer {
 public:
  explicit DevicePathBuffer(std::string_view utf8) : units_(text::Utf8ToUtf16(utf8)) {}
  bool Fits() const { return units_.size() <= kMaxDevicePath; }
  LPCWSTR Get() const { return reinterpret_cast<LPCWSTR>(units_.c_str()); }

 private:
  std::u16string units_;
};

}  // namespace velmora::device

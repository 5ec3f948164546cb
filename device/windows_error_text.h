// The system text of a Windows error code, as the device link shows and logs it after a failed
// device call. Used by the file copies; pure, no I/O.
#pragma once

#include <cstdint>
#include <string>

namespace velmora::device {

// The message of `code`, ending in "\r\n" as the system gives it; a generic text for a code
// it does not know.
std::string WindowsErrorText(std::uint32_t code);

}  // namespace velmora::device

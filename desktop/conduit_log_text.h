// The conduit's log as text a person can read. The conduit writes its log as UTF-16LE without a
// byte-order mark and with CR LF line ends, which desktop text viewers show as garbage; this
// reads it (the newest part of a very long one) and gives it back as UTF-8 with "\n" line ends.
// The file itself is never changed. Qt-free; reports failures as text, never throws.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::desktop {

// Bytes of the log that are shown at most: the end of a longer log.
inline constexpr std::size_t kLogViewLimit = 8u << 20;

// UTF-16LE bytes as UTF-8, a leading byte-order mark dropped and an odd last byte ignored;
// CR LF and lone CR become "\n".
std::string DecodeConduitLog(std::string_view bytes);

// The readable text of the log file, or nullopt with `error` set (missing, not a regular file,
// unreadable). A log longer than kLogViewLimit is shown from the first line start within its
// last kLogViewLimit bytes.
std::optional<std::string> ReadConduitLog(const std::filesystem::path& file, std::string* error);

}  // namespace velmora::desktop

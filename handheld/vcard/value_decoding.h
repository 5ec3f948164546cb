// The value encodings of vCard 2.1 files: QUOTED-PRINTABLE and a CHARSET other than UTF-8.
// Never throws.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora::handheld::vcard {

// Bytes of a quoted-printable text whose soft line breaks were already joined; a "=" that
// starts no hex pair stays as it is.
std::string DecodeQuotedPrintable(std::string_view text);
// `bytes` in `charset` as UTF-8; none for a charset iconv does not know or bytes that are not
// of that charset.
std::optional<std::string> ToUtf8(std::string_view bytes, const std::string& charset);

}  // namespace velmora::handheld::vcard

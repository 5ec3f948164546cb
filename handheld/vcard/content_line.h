// The content line of vCard text: "[group.]NAME;PARAM=VALUE,…:value", its text escaping and
// its folding. Shared by the reader and the writer. Never throws.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::handheld::vcard {

struct Param {
  std::string name;  // upper case; "TYPE" for a bare 2.1 value such as ";WORK"
  std::vector<std::string> values;
};

struct ContentLine {
  std::string group;
  std::string name;  // upper case
  std::vector<Param> params;
  std::string value;  // as it stands in the line, still escaped
};

// The parts of one unfolded line; none when it has no name, a malformed parameter or no ':'.
std::optional<ContentLine> ParseContentLine(std::string_view line);
// "[group.]NAME;PARAM=V1,V2:value" with `value` as given.
std::string FormatContentLine(const ContentLine& line);

// The values of parameter `name`, upper-cased, with comma lists split; empty when absent.
std::vector<std::string> ParamValues(const ContentLine& line, std::string_view name);
bool HasParamValue(const ContentLine& line, std::string_view name, std::string_view value);

// How line breaks inside a text value are written. vCard escapes LF as "\n"; a value whose
// every line break is CRLF gets kCrLfParam so that "\n" reads back as CRLF. Any other CR is
// written "\r", which this reader turns back into CR.
inline constexpr std::string_view kLineBreakParam = "X-VELMORA-LINE-BREAK";
inline constexpr std::string_view kCrLfValue = "CRLF";
bool AllLineBreaksCrLf(const std::vector<std::string>& texts);

// Text escaping of vCard 3.0 and 4.0: backslash, comma, semicolon and line breaks.
std::string EscapeText(std::string_view text, bool crlf);
std::string UnescapeText(std::string_view value, bool crlf);
// `value` split at each `separator` that no backslash escapes; the parts stay escaped.
std::vector<std::string> SplitUnescaped(std::string_view value, char separator);

// `line` followed by CRLF, folded so that no line exceeds 75 octets; a fold never splits a
// UTF-8 sequence.
std::string Fold(std::string_view line);

bool IsUtf8(std::string_view text);
std::string Upper(std::string_view text);

}  // namespace velmora::handheld::vcard

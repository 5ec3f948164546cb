#include "handheld/vcard/content_line.h"

#include <cstdint>

namespace velmora::handheld::vcard {
namespace {

constexpr std::size_t kMaxLineOctets = 75;

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_';
}

// Reads a name at `pos` (letters, digits, '-'); empty when there is none.
std::string_view ReadName(std::string_view line, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < line.size() && IsNameChar(line[pos])) ++pos;
  return line.substr(start, pos - start);
}

// One parameter value at `pos`: quoted (4.0, 3.0) or up to the next ',', ';' or ':'.
std::optional<std::string> ReadParamValue(std::string_view line, std::size_t& pos) {
  if (pos < line.size() && line[pos] == '"') {
    const std::size_t close = line.find('"', pos + 1);
    if (close == std::string_view::npos) return std::nullopt;
    std::string value(line.substr(pos + 1, close - pos - 1));
    pos = close + 1;
    return value;
  }
  const std::size_t start = pos;
  while (pos < line.size() && line[pos] != ',' && line[pos] != ';' && line[pos] != ':') ++pos;
  return std::string(line.substr(start, pos - start));
}

std::optional<Param> ReadParam(std::string_view line, std::size_t& pos) {
  const std::string_view name = ReadName(line, pos);
  if (name.empty()) return std::nullopt;
  Param param;
  if (pos >= line.size() || line[pos] != '=') {
    // A bare 2.1 value: ";WORK" stands for ";TYPE=WORK", ";QUOTED-PRINTABLE" for an encoding.
    const std::string value = Upper(name);
    const bool encoding =
        value == "QUOTED-PRINTABLE" || value == "BASE64" || value == "8BIT" || value == "7BIT";
    param.name = encoding ? "ENCODING" : "TYPE";
    param.values.push_back(value);
    return param;
  }
  param.name = Upper(name);
  do {
    ++pos;  // the '=' or the ','
    auto value = ReadParamValue(line, pos);
    if (!value) return std::nullopt;
    param.values.push_back(std::move(*value));
  } while (pos < line.size() && line[pos] == ',');
  return param;
}

bool NeedsQuotes(std::string_view value) {
  return value.find_first_of(",;:") != std::string_view::npos;
}

}  // namespace

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::optional<ContentLine> ParseContentLine(std::string_view line) {
  ContentLine out;
  std::size_t pos = 0;
  std::string_view name = ReadName(line, pos);
  if (pos < line.size() && line[pos] == '.' && !name.empty()) {
    out.group = std::string(name);
    ++pos;
    name = ReadName(line, pos);
  }
  if (name.empty()) return std::nullopt;
  out.name = Upper(name);
  while (pos < line.size() && line[pos] == ';') {
    ++pos;
    auto param = ReadParam(line, pos);
    if (!param) return std::nullopt;
    out.params.push_back(std::move(*param));
  }
  if (pos >= line.size() || line[pos] != ':') return std::nullopt;
  out.value = std::string(line.substr(pos + 1));
  return out;
}

std::string FormatContentLine(const ContentLine& line) {
  std::string out = line.group.empty() ? line.name : line.group + "." + line.name;
  for (const auto& param : line.params) {
    out += ";" + param.name + "=";
    for (std::size_t i = 0; i < param.values.size(); ++i) {
      if (i) out += ",";
      const auto& value = param.values[i];
      out += NeedsQuotes(value) ? "\"" + value + "\"" : value;
    }
  }
  return out + ":" + line.value;
}

std::vector<std::string> ParamValues(const ContentLine& line, std::string_view name) {
  std::vector<std::string> out;
  for (const auto& param : line.params) {
    if (param.name != name) continue;
    for (const auto& value : param.values) {
      for (auto& part : SplitUnescaped(value, ',')) out.push_back(Upper(part));
    }
  }
  return out;
}

bool HasParamValue(const ContentLine& line, std::string_view name, std::string_view value) {
  for (const auto& v : ParamValues(line, name)) {
    if (v == value) return true;
  }
  return false;
}

bool AllLineBreaksCrLf(const std::vector<std::string>& texts) {
  bool any = false;
  for (const auto& text : texts) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r') {
        if (i + 1 >= text.size() || text[i + 1] != '\n') return false;
        any = true;
        ++i;
      } else if (text[i] == '\n') {
        return false;
      }
    }
  }
  return any;
}

std::string EscapeText(std::string_view text, bool crlf) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' || c == ',' || c == ';') {
      out.push_back('\\');
      out.push_back(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r' && crlf) {
      out += "\\n";
      ++i;  // the LF that AllLineBreaksCrLf promised
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string UnescapeText(std::string_view value, bool crlf) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c != '\\' || i + 1 >= value.size()) {
      out.push_back(c);
      continue;
    }
    const char next = value[++i];
    if (next == 'n' || next == 'N') {
      out += crlf ? "\r\n" : "\n";
    } else if (next == 'r') {
      out.push_back('\r');
    } else if (next == '\\' || next == ',' || next == ';' || next == ':') {
      out.push_back(next);
    } else {
      // Not an escape: other writers leave lone backslashes (paths) as they are.
      out.push_back('\\');
      out.push_back(next);
    }
  }
  return out;
}

std::vector<std::string> SplitUnescaped(std::string_view value, char separator) {
  std::vector<std::string> out(1);
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      out.back() += value.substr(i, 2);
      ++i;
    } else if (value[i] == separator) {
      out.emplace_back();
    } else {
      out.back().push_back(value[i]);
    }
  }
  return out;
}

std::string Fold(std::string_view line) {
  std::string out;
  out.reserve(line.size() + line.size() / 64 * 3 + 2);
  std::size_t limit = kMaxLineOctets;  // a continuation line's leading space counts
  while (line.size() > limit) {
    std::size_t cut = limit;
    while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out += line.substr(0, cut);
    out += "\r\n ";
    line.remove_prefix(cut);
    limit = kMaxLineOctets - 1;
  }
  out += line;
  out += "\r\n";
  return out;
}

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      length = 2;
      code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3;
      code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4;
      code = c & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      code = (code << 6) | (d & 0x3F);
    }
    static constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kMin[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

}  // namespace velmora::handheld::vcard

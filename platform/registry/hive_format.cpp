#include "platform/registry/hive_format.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <unordered_set>
#include <utility>

#include "platform/registry/key_path.h"

namespace velmora::registry {
namespace {

constexpr std::string_view kHeader = "velmora-registry-hive 1";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";

std::uint64_t Fnv1a64(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

bool NeedsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == '"' || c == '%';
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (unsigned char c : text) {
    if (NeedsEscape(c)) {
      out += '%';
      out += kHexDigits[c >> 4];
      out += kHexDigits[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads one quoted field from the front of `line` and removes it (with one following blank).
std::optional<std::string> TakeQuoted(std::string_view& line) {
  if (line.empty() || line.front() != '"') return std::nullopt;
  std::string text;
  std::size_t i = 1;
  for (; i < line.size() && line[i] != '"'; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c == '%') {
      if (i + 2 >= line.size()) return std::nullopt;
      const int high = HexValue(line[i + 1]);
      const int low = HexValue(line[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      text += static_cast<char>(high * 16 + low);
      i += 2;
    } else if (NeedsEscape(c)) {
      return std::nullopt;
    } else {
      text += static_cast<char>(c);
    }
  }
  if (i >= line.size()) return std::nullopt;
  line.remove_prefix(i + 1);
  if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  return text;
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view text, int base) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || ec != std::errc() || stop != end) return std::nullopt;
  return value;
}

// Parses the records between the header and the end record, checking the tree's invariants.
class RecordParser {
 public:
  explicit RecordParser(HiveContents& contents) : contents_(contents) { contents_.keys.clear(); }

  // An empty result means the line was accepted; otherwise it says what is wrong.
  std::string Accept(std::string_view line) {
    const std::size_t blank = line.find(' ');
    const std::string_view kind = line.substr(0, blank);
    line = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
    if (kind == "key") return AcceptKey(line);
    if (kind == "sz" || kind == "dword") return AcceptValue(kind, line);
    return "unknown record";
  }

  std::string Finish() const { return contents_.keys.empty() ? "no hive key record" : ""; }

 private:
  std::string AcceptKey(std::string_view line) {
    std::optional<std::string> path = TakeQuoted(line);
    if (!path || !line.empty()) return "malformed key record";
    if (contents_.keys.empty() != path->empty()) return "the hive key record must come first";
    if (!path->empty()) {
      const std::optional<std::string> normal = NormaliseKeyPath(*path);
      if (!normal || *normal != *path) return "malformed key path";
      if (!known_keys_.contains(FoldName(ParentPath(*path)))) return "key before its parent";
    }
    if (!known_keys_.insert(FoldName(*path)).second) return "duplicate key";
    contents_.keys.push_back(HiveKey{std::move(*path), {}});
    value_names_.clear();
    return "";
  }

  std::string AcceptValue(std::string_view kind, std::string_view line) {
    if (contents_.keys.empty()) return "value before any key";
    std::optional<std::string> name = TakeQuoted(line);
    if (!name) return "malformed value name";
    RegValue value;
    if (kind == "sz") {
      std::optional<std::string> text = TakeQuoted(line);
      if (!text || !line.empty()) return "malformed string value";
      value.text = std::move(*text);
    } else {
      std::optional<std::uint64_t> number;
      if (line.size() == 10 && line.starts_with("0x")) number = ParseUnsigned(line.substr(2), 16);
      if (!number) return "malformed dword value";
      value.type = RegValue::Type::kDword;
      value.dword = static_cast<std::uint32_t>(*number);
    }
    if (!value_names_.insert(FoldName(*name)).second) return "duplicate value name";
    contents_.keys.back().values.push_back(HiveValueEntry{std::move(*name), std::move(value)});
    return "";
  }

  HiveContents& contents_;
  std::unordered_set<std::string> known_keys_;
  std::unordered_set<std::string> value_names_;
};

ParsedHive Damaged(std::string reason) {
  ParsedHive parsed;
  parsed.error = std::move(reason);
  return parsed;
}

// Checks the end record against the bytes before it; an empty result means they agree.
std::string CheckEndRecord(std::string_view end_line, std::string_view before, std::size_t lines,
                           bool verify_hash) {
  if (!end_line.starts_with("end ")) return "missing end record (truncated file?)";
  end_line.remove_prefix(4);
  const std::size_t blank = end_line.find(' ');
  if (blank == std::string_view::npos) return "malformed end record";
  const std::optional<std::uint64_t> count = ParseUnsigned(end_line.substr(0, blank), 10);
  const std::string_view hash_text = end_line.substr(blank + 1);
  const std::optional<std::uint64_t> hash = ParseUnsigned(hash_text, 16);
  if (!count || !hash || hash_text.size() != 16) return "malformed end record";
  if (*count != lines) return "line count does not match the end record";
  if (verify_hash && *hash != Fnv1a64(before)) return "content hash does not match the end record";
  return "";
}

}  // namespace

ParsedHive ParseHive(std::string_view bytes, bool verify_hash) {
  if (bytes.empty() || bytes.back() != '\n') {
    return Damaged("the file does not end a line (truncated?)");
  }
  const std::size_t end_start = bytes.rfind('\n', bytes.size() - 2);
  if (end_start == std::string_view::npos) return Damaged("no records");
  const std::string_view before = bytes.substr(0, end_start + 1);
  const std::string_view end_line = bytes.substr(end_start + 1, bytes.size() - end_start - 2);

  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < before.size();) {
    const std::size_t stop = before.find('\n', start);
    lines.push_back(before.substr(start, stop - start));
    start = stop + 1;
  }
  if (lines.front() != kHeader) return Damaged("not a hive file (unknown first line)");
  if (std::string why = CheckEndRecord(end_line, before, lines.size(), verify_hash); !why.empty()) {
    return Damaged(std::move(why));
  }

  ParsedHive parsed;
  RecordParser records(parsed.contents);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (std::string why = records.Accept(lines[i]); !why.empty()) {
      return Damaged("line " + std::to_string(i + 1) + ": " + why);
    }
  }
  if (std::string why = records.Finish(); !why.empty()) return Damaged(std::move(why));
  parsed.ok = true;
  return parsed;
}

std::string SerialiseHive(const HiveContents& contents) {
  std::string out(kHeader);
  out += '\n';
  std::size_t lines = 1;
  for (const HiveKey& key : contents.keys) {
    out += "key ";
    AppendQuoted(out, key.path);
    out += '\n';
    ++lines;
    for (const HiveValueEntry& entry : key.values) {
      const bool is_text = entry.value.type == RegValue::Type::kString;
      out += is_text ? "sz " : "dword ";
      AppendQuoted(out, entry.name);
      out += ' ';
      if (is_text) {
        AppendQuoted(out, entry.value.text);
      } else {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(entry.value.dword));
        out += hex;
      }
      out += '\n';
      ++lines;
    }
  }
  char end[64];
  std::snprintf(end, sizeof end, "end %zu %016llx\n", lines,
                static_cast<unsigned long long>(Fnv1a64(out)));
  return out + end;
}

}  // namespace velmora::registry

#include "installer/setup_script.h"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace velmora::installer {
namespace {

std::uint32_t BigEndian(std::string_view bytes, std::size_t offset, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  }
  return value;
}

void PutBigEndian(std::string& out, std::size_t offset, std::uint32_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) {
    out[offset + width - 1 - i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

std::string ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A record's text runs to its NUL; a text that the file ends inside is taken up to the end.
std::string_view RecordText(std::string_view bytes, std::size_t text_offset) {
  std::string_view rest = bytes.substr(text_offset);
  return rest.substr(0, rest.find('\0'));
}

}  // namespace

std::string LookupScriptText(std::string_view bytes, int id) {
  if (bytes.size() < kScriptMinimumBytes) return {};
  const std::uint32_t count = BigEndian(bytes, kScriptRecordCountOffset, 2);
  std::string result;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = kScriptHeaderBytes + kScriptEntryBytes * i;
    if (entry + 4 > bytes.size()) break;  // the record list is cut short: no further records
    const std::size_t offset = BigEndian(bytes, entry, 4);
    if (offset + 2 > bytes.size()) continue;
    if (static_cast<int>(BigEndian(bytes, offset, 2)) != id) continue;
    result += RecordText(bytes, offset + 2);
  }
  return result;
}

std::string BuildScriptBytes(const std::vector<ScriptRecord>& records) {
  const std::size_t list_end = kScriptHeaderBytes + kScriptEntryBytes * records.size();
  std::string out(list_end + 2, '\0');  // two bytes of gap after the record list, as usual
  const std::string_view name = "InstallerRes";
  out.replace(0, name.size(), name);
  out.replace(60, 4, "rsrc");
  out.replace(64, 4, "VLMR");
  PutBigEndian(out, kScriptRecordCountOffset, static_cast<std::uint32_t>(records.size()), 2);
  for (std::size_t i = 0; i < records.size(); ++i) {
    PutBigEndian(out, kScriptHeaderBytes + kScriptEntryBytes * i,
                 static_cast<std::uint32_t>(out.size()), 4);
    std::string data(2, '\0');
    PutBigEndian(data, 0, static_cast<std::uint32_t>(records[i].id), 2);
    data += records[i].text;
    data.push_back('\0');
    out += data;
  }
  return out;
}

bool ParseScriptSource(std::string_view source, std::vector<ScriptRecord>* records,
                       std::string* error) {
  records->clear();
  int line_number = 0;
  while (!source.empty()) {
    ++line_number;
    const std::size_t end = source.find('\n');
    std::string_view line = source.substr(0, end);
    source = end == std::string_view::npos ? std::string_view() : source.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const auto fail = [&](const char* why) {
      if (error) *error = "line " + std::to_string(line_number) + ": " + why;
      return false;
    };
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return fail("no tab after the id");
    ScriptRecord record;
    const char* first = line.data();
    const char* last = line.data() + tab;
    const auto [stop, ec] = std::from_chars(first, last, record.id);
    if (ec != std::errc() || stop != last || record.id < 0 || record.id > 0xFFFF) {
      return fail("the id is not a number from 0 to 65535");
    }
    record.text = std::string(line.substr(tab + 1));
    if (record.text.find('\0') != std::string::npos) return fail("NUL in the text");
    records->push_back(std::move(record));
  }
  return true;
}

std::string SetupScript::Text(int id) const {
  return LookupScriptText(ReadWholeFile(file_), id);
}

bool SetupScript::IsUsable() const {
  return ReadWholeFile(file_).size() >= kScriptMinimumBytes;
}

int SetupScript::Number(int id) const {
  const std::string text = Text(id);
  int value = 0;
  const auto [stop, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || stop == text.data() || value < 0) return 0;
  return value;
}

}  // namespace velmora::installer

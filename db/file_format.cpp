#include "db/file_format.h"

#include <filesystem>
#include <fstream>
#include <string_view>

namespace velmora::db {
namespace {

constexpr std::string_view kSqliteMagic("SQLite format 3\0", 16);

std::string Head(const std::string& path, std::size_t bytes) {
  std::ifstream in(path, std::ios::binary);
  std::string head(bytes, '\0');
  in.read(head.data(), static_cast<std::streamsize>(bytes));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return head;
}

bool LooksLikeText(std::string_view head) {
  for (unsigned char c : head) {
    if (c < 0x09 || (c > 0x0d && c < 0x20 && c != 0x1b)) return false;
  }
  return true;
}

bool LooksLikeDbase(std::string_view head) {
  if (head.size() < 32) return false;
  auto version = static_cast<unsigned char>(head[0]);
  auto month = static_cast<unsigned char>(head[2]);
  auto day = static_cast<unsigned char>(head[3]);
  bool known = version == 0x02 || version == 0x03 || version == 0x30 || version == 0x31 ||
               version == 0x43 || version == 0x83 || version == 0x8b || version == 0xcb ||
               version == 0xf5 || version == 0xfb;
  return known && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

}  // namespace

bool IsSqliteFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  return Head(path, kSqliteMagic.size()) == kSqliteMagic;
}

std::string DescribeFileFormat(const std::string& path) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return "file not found";
  if (std::filesystem::is_directory(status)) return "a folder";
  std::string head = Head(path, 64);
  if (head.empty()) return "an empty file";
  if (head.starts_with(kSqliteMagic)) return "an SQLite database";
  if (head.size() >= 19 && head.compare(4, 15, "Standard Jet DB") == 0) return "a Jet/Access file";
  if (head.size() >= 19 && head.compare(4, 15, "Standard ACE DB") == 0) {
    return "an Access 2007 file";
  }
  if (head.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return "an OLE compound file (Excel?)";
  if (head.starts_with("PK\x03\x04")) return "a ZIP archive (xlsx?)";
  if (LooksLikeDbase(head)) return "a dBase file";
  if (LooksLikeText(head)) return "a text file";
  return "an unknown format";
}

}  // namespace velmora::db

#include "platform/filedb/table_data.h"

#include <algorithm>
#include <set>

#include "platform/text/utf.h"

namespace velmora::filedb {
namespace {

constexpr std::size_t kMinimumTextWidth = 255;

std::string FoldCase(const std::string& name) {
  return text::AsciiUpper(name);
}

std::size_t CodePointCount(const std::string& s) {
  return static_cast<std::size_t>(
      std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

}  // namespace

std::vector<std::string> UniqueColumnNames(const std::vector<std::string>& raw) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (const std::string& name : raw) {
    if (!name.empty()) taken.insert(FoldCase(name));
  }
  std::set<std::string> used;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    std::string name = raw[i].empty() ? "F" + std::to_string(i + 1) : raw[i];
    if (used.count(FoldCase(name)) != 0 || (raw[i].empty() && taken.count(FoldCase(name)) != 0)) {
      const std::string base = name;
      for (int n = 1;; ++n) {
        name = base + std::to_string(n);
        if (used.count(FoldCase(name)) == 0 && taken.count(FoldCase(name)) == 0) break;
      }
    }
    used.insert(FoldCase(name));
    names.push_back(name);
  }
  return names;
}

std::string TextColumnType(const std::vector<std::vector<Cell>>& rows, std::size_t column) {
  std::size_t width = kMinimumTextWidth;
  for (const auto& row : rows) {
    if (const auto* s = std::get_if<std::string>(&row[column])) {
      width = std::max(width, CodePointCount(*s));
    }
  }
  return "VARCHAR(" + std::to_string(width) + ")";
}

}  // namespace velmora::filedb

#include "platform/filedb/table_data.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

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
  names.reserve(raw.size());
  std::unordered_set<std::string> taken(raw.size());
  for (const std::string& name : raw) {
    if (!name.empty()) taken.insert(FoldCase(name));
  }
  std::unordered_set<std::string> used(raw.size());
  // The smallest free suffix of a base only grows as names are used, so the search for the
  // next one starts where the last one ended; a header of one name repeated stays linear.
  std::unordered_map<std::string, int> next_suffix;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    std::string name = raw[i].empty() ? "F" + std::to_string(i + 1) : raw[i];
    std::string folded = FoldCase(name);
    if (used.count(folded) != 0 || (raw[i].empty() && taken.count(folded) != 0)) {
      int& n = next_suffix.try_emplace(folded, 1).first->second;
      const std::string base = name;
      for (;; ++n) {
        name = base + std::to_string(n);
        folded = FoldCase(name);
        if (used.count(folded) == 0 && taken.count(folded) == 0) break;
      }
    }
    used.insert(folded);
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

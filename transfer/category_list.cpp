#include "transfer/category_list.h"

#include <charconv>
#include <fstream>
#include <iterator>

#include "platform/text/utf.h"
#include "transfer/atomic_file.h"
#include "transfer/byte_io.h"

namespace velmora::transfer {

CategoryLine ChooseCategoryLine(int profile_category_id, const std::vector<CategoryRow>& rows) {
  if (profile_category_id <= 0) return CategoryLine{profile_category_id, ""};
  for (const CategoryRow& row : rows) {
    if (row.id == profile_category_id) return CategoryLine{1, row.name};
  }
  return CategoryLine{profile_category_id, ""};
}

std::string EncodeCategoryLine(const CategoryLine& line) {
  std::u16string name = text::Utf8ToUtf16(line.name);
  name.resize(text::Utf16PrefixAtBoundary(name, kCategoryNameMaxUnits));
  std::u16string units = text::Utf8ToUtf16(std::to_string(line.number) + ":") + name;
  std::string out;
  bytes::PutUtf16Le(out, units);
  return out;
}

std::optional<CategoryLine> ParseCategoryLine(std::string_view data) {
  if (data.size() % 2 != 0) return std::nullopt;
  std::u16string units;
  for (std::size_t i = 0; i < data.size(); i += 2) {
    units.push_back(static_cast<char16_t>(bytes::Byte(data, i) | (bytes::Byte(data, i + 1) << 8)));
  }
  std::size_t colon = units.find(u':');
  if (colon == std::u16string::npos) return std::nullopt;
  std::string number;
  for (std::size_t i = 0; i < colon; ++i) {
    char16_t unit = units[i];
    bool sign = i == 0 && unit == u'-';
    if (!sign && (unit < u'0' || unit > u'9')) return std::nullopt;
    number.push_back(static_cast<char>(unit));
  }
  CategoryLine line;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), line.number);
  if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
  line.name = text::Utf16ToUtf8(std::u16string_view(units).substr(colon + 1));
  return line;
}

bool WriteCategoryListFile(const std::filesystem::path& file, const CategoryLine& line) {
  return WriteFileAtomically(file, EncodeCategoryLine(line));
}

std::optional<CategoryLine> ReadCategoryListFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseCategoryLine(data);
}

}  // namespace velmora::transfer

// The category list line that tells the handheld's agent which contact category a profile run
// is bound to: "number:name" as UTF-16LE, no byte-order mark, no line break, no terminator.
// Used by the conduit (which reads the profile and categories itself) and the agent stand-in.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::transfer {

inline constexpr std::size_t kCategoryNameMaxUnits = 99;

struct CategoryRow {
  int id = 0;
  std::string name;  // UTF-8
};

struct CategoryLine {
  int number = 0;
  std::string name;  // UTF-8
  friend bool operator==(const CategoryLine&, const CategoryLine&) = default;
};

// The line for a profile whose category key is `profile_category_id`: no category (0 or less)
// gives that number and an empty name; otherwise the first row with that id gives 1 and its
// name. A key that matches no row (the category was deleted) gives the key and an empty name.
CategoryLine ChooseCategoryLine(int profile_category_id, const std::vector<CategoryRow>& rows);

// The file's bytes: "%d:%s" in UTF-16LE, the name cut at 99 code units.
std::string EncodeCategoryLine(const CategoryLine& line);
// Parses the file's bytes; none for an odd length, a missing ':' or a number that is not a
// decimal integer fitting in an int.
std::optional<CategoryLine> ParseCategoryLine(std::string_view bytes);

// Replaces `file` atomically with the line; false when it cannot be written.
bool WriteCategoryListFile(const std::filesystem::path& file, const CategoryLine& line);
std::optional<CategoryLine> ReadCategoryListFile(const std::filesystem::path& file);

}  // namespace velmora::transfer

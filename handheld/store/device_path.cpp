#include "handheld/store/device_path.h"

#include <string>
#include <system_error>
#include <vector>

namespace velmora::handheld {
namespace {

constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidName = 123;

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool ValidName(std::string_view name) {
  if (name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c < 0x20) return false;
    switch (c) {
      case '<':
      case '>':
      case ':':
      case '"':
      case '|':
      case '?':
      case '*':
        return false;
      default:
        break;
    }
  }
  return true;
}

std::optional<std::vector<std::string>> SplitDevicePath(std::string_view device_path) {
  std::vector<std::string> names;
  std::string current;
  for (char c : device_path) {
    if (c == '\\' || c == '/') {
      if (!current.empty()) names.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) names.push_back(std::move(current));
  for (const auto& name : names) {
    if (!ValidName(name)) return std::nullopt;
  }
  return names;
}

// The entry of `folder` spelled like `name` but for case: the exact spelling first. A symbolic
// link counts as an entry (it is never followed here).
std::optional<std::filesystem::path> FindEntry(const std::filesystem::path& folder,
                                               const std::string& name) {
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(folder / name, ec))) {
    return folder / name;
  }
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (SameNameIgnoringCase(it->path().filename().string(), name)) return it->path();
  }
  return std::nullopt;
}

}  // namespace

std::optional<ResolvedPath> ResolveDevicePath(const std::filesystem::path& files_root,
                                              std::string_view device_path, std::uint32_t* error) {
  auto fail = [error](std::uint32_t code) -> std::optional<ResolvedPath> {
    if (error) *error = code;
    return std::nullopt;
  };
  const auto names = SplitDevicePath(device_path);
  if (!names) return fail(kInvalidName);
  std::filesystem::path current = files_root;
  std::error_code ec;
  for (std::size_t i = 0; i < names->size(); ++i) {
    const bool last = i + 1 == names->size();
    const auto found = FindEntry(current, (*names)[i]);
    // A device has no links: one would lead out of the handheld's folder.
    if (found && std::filesystem::is_symlink(std::filesystem::symlink_status(*found, ec))) {
      return fail(kAccessDenied);
    }
    if (last) {
      return ResolvedPath{found ? *found : current / (*names)[i], found.has_value()};
    }
    if (!found || !std::filesystem::is_directory(*found, ec)) return fail(kPathNotFound);
    current = *found;
  }
  return ResolvedPath{current, true};
}

}  // namespace velmora::handheld

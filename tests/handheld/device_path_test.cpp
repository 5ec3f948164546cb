// Device paths mapped onto a handheld's files/ folder.
#include "handheld/store/device_path.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace velmora::handheld {
namespace {

using testing::TempDir;

struct PathCase {
  const char* device_path;
  const char* host;  // below the root; nullptr when refused
  bool exists;
  std::uint32_t error;
};

TEST(ResolveDevicePath, MatchesNamesWithoutCaseAndNeverLeavesTheRoot) {
  TempDir dir;
  const auto root = dir.path() / "files";
  std::filesystem::create_directories(root / "My Documents" / "Contact");
  testing::WriteFileBytes(root / "My Documents" / "Contact" / "test.pdb", "x");

  const PathCase cases[] = {
      {"\\My Documents\\Contact\\test.pdb", "My Documents/Contact/test.pdb", true, 0},
      {"\\MY DOCUMENTS\\contact\\TEST.PDB", "My Documents/Contact/test.pdb", true, 0},
      {"/my documents/contact/test.pdb", "My Documents/Contact/test.pdb", true, 0},
      {"My Documents\\\\Contact\\test.pdb", "My Documents/Contact/test.pdb", true, 0},
      {"\\My Documents\\Contact\\New.pim", "My Documents/Contact/New.pim", false, 0},
      {"\\My Documents\\Nowhere\\x.pdb", nullptr, false, 3},
      {"\\My Documents\\Contact\\test.pdb\\inner", nullptr, false, 3},
      {"\\My Documents\\..\\..\\etc\\passwd", nullptr, false, 123},
      {"\\.\\My Documents", nullptr, false, 123},
      {"\\My Documents\\a:b", nullptr, false, 123},
      {"\\My Documents\\a*", nullptr, false, 123},
      {"\\My Documents\\line\nbreak", nullptr, false, 123},
      {"\\", "", true, 0},
  };
  for (const auto& c : cases) {
    std::uint32_t error = 0;
    const auto resolved = ResolveDevicePath(root, c.device_path, &error);
    if (c.host == nullptr) {
      EXPECT_FALSE(resolved) << c.device_path;
      EXPECT_EQ(error, c.error) << c.device_path;
      continue;
    }
    ASSERT_TRUE(resolved) << c.device_path;
    const auto expected = *c.host ? root / c.host : root;
    EXPECT_EQ(resolved->host.lexically_normal(), expected.lexically_normal()) << c.device_path;
    EXPECT_EQ(resolved->exists, c.exists) << c.device_path;
  }
}

TEST(ResolveDevicePath, RefusesEveryPathThroughALink) {
  TempDir dir;
  const auto root = dir.path() / "files";
  const auto outside = dir.path() / "elsewhere";
  std::filesystem::create_directories(root / "My Documents");
  std::filesystem::create_directories(outside);
  testing::WriteFileBytes(outside / "test.pdb", "x");
  std::filesystem::create_directory_symlink(outside, root / "My Documents" / "Contact");
  std::filesystem::create_symlink(outside / "test.pdb", root / "file.pdb");
  std::filesystem::create_symlink(outside / "none", root / "dangling");
  for (const char* device_path :
       {"\\My Documents\\Contact", "\\My Documents\\Contact\\test.pdb",
        "\\my documents\\CONTACT\\new.pim", "\\file.pdb", "\\FILE.PDB", "\\dangling"}) {
    std::uint32_t error = 0;
    EXPECT_FALSE(ResolveDevicePath(root, device_path, &error)) << device_path;
    EXPECT_EQ(error, 5u) << device_path;
  }
}

}  // namespace
}  // namespace velmora::handheld

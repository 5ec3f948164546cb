#include <gtest/gtest.h>

#include "conduit/backups.h"
#include "tests/support/temp_dir.h"

namespace velmora::conduit {
namespace {

class BackupRotation : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(dir_.path() / "Backup"); }
  std::filesystem::path Path(int g, const std::string& owner = "Ann",
                             const std::string& profile = "P") {
    return CustomBackupPath(dir_.path(), owner, profile, g);
  }
  void Put(int g, const std::string& content) { testing::WriteFileBytes(Path(g), content); }
  std::string Get(int g) { return testing::ReadFileBytes(Path(g)); }
  bool Has(int g) { return std::filesystem::exists(Path(g)); }

  testing::TempDir dir_;
};

TEST_F(BackupRotation, NamesCarryGenerationOwnerAndProfile) {
  EXPECT_EQ(Path(3).filename(), "Backup_3_Ann_P.pdb");
  EXPECT_EQ(Path(1, "..", "../../x").parent_path(), dir_.path() / "Backup");
  EXPECT_EQ(Path(1, "..", "../../x").filename(), "Backup_1____.._.._x.pdb");
}

TEST_F(BackupRotation, ShiftsUpToTheFirstFreeGeneration) {
  Put(1, "one");
  Put(2, "two");
  Put(3, "three");
  ASSERT_TRUE(RotateCustomBackups(dir_.path(), "Ann", "P"));
  EXPECT_FALSE(Has(1));
  EXPECT_EQ(Get(2), "one");
  EXPECT_EQ(Get(3), "two");
  EXPECT_EQ(Get(4), "three");
}

TEST_F(BackupRotation, OldestGoesWhenAllFourExist) {
  for (int g = 1; g <= 4; ++g) Put(g, "g" + std::to_string(g));
  ASSERT_TRUE(RotateCustomBackups(dir_.path(), "Ann", "P"));
  EXPECT_FALSE(Has(1));
  EXPECT_EQ(Get(2), "g1");
  EXPECT_EQ(Get(3), "g2");
  EXPECT_EQ(Get(4), "g3");
}

TEST_F(BackupRotation, OtherOwnersAndProfilesKeepTheirOwnSets) {
  Put(1, "mine");
  testing::WriteFileBytes(Path(1, "Bob", "P"), "bob's");
  testing::WriteFileBytes(Path(1, "Ann", "Q"), "other profile");
  ASSERT_TRUE(RotateCustomBackups(dir_.path(), "Ann", "P"));
  EXPECT_EQ(Get(2), "mine");
  EXPECT_EQ(testing::ReadFileBytes(Path(1, "Bob", "P")), "bob's");
  EXPECT_EQ(testing::ReadFileBytes(Path(1, "Ann", "Q")), "other profile");
  EXPECT_FALSE(std::filesystem::exists(Path(2, "Bob", "P")));
}

}  // namespace
}  // namespace velmora::conduit

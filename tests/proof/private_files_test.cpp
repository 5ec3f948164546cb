// Contact data and the profile database stay private to their user under the usual umask 022:
// every file the conduit, the device link, the handheld and the installer make is 0600 and
// every folder 0700, and no copy of the handheld's export stays behind in the work folder.
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "installer/file_copy.h"
#include "handheld/store/handheld_layout.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

unsigned ModeOf(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 01000;
}

class PrivateFilesTest : public ::testing::Test {
 protected:
  PrivateFilesTest() : saved_(::umask(022)) {}
  ~PrivateFilesTest() override { ::umask(saved_); }

  mode_t saved_;
};

TEST_F(PrivateFilesTest, ContactDataAndProfilesAreReadableByTheirUserOnly) {
  ConduitWorld world;
  const fs::path people = world.MakeSqliteDatabase(
      "people.db",
      "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName TEXT, LastName TEXT);"
      "INSERT INTO People (FirstName, LastName) VALUES ('Ann', 'Lee');");
  for (const int type : {profile::kDesktopOverwritesDevice, profile::kDeviceOverwritesDesktop,
                         profile::kExportCsv}) {
    profile::ProfileRecord record;
    record.prof_name = "Type " + std::to_string(type);
    record.db_type = profile::kAccessDatabase;
    record.db_path = people.parent_path().string() + "/";
    record.db_dsn = "people.db";
    record.sync_type = type;
    record.sync_on = profile::kEveryTime;
    record.query = "SELECT * FROM People";
    record.table_name = "People";
    world.AddProfile(record, {{"F2", "FirstName", "SQL_CHAR"}, {"F4", "LastName", "SQL_CHAR"}});
  }
  world.SetDeviceContacts({MakeContact("Bo", "Ng")});
  const ConduitRun run = world.Run(/*backup=*/true);
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world.LogText();

  const fs::path app = world.AppFolder();
  const fs::path work = app / world.Owner();
  std::vector<fs::path> files = {app / "ContactConduitlog.log", app / "ContactDatabase.csv",
                                 app / "DeviceContactsBackup.pdb",
                                 handheld::ContactsFile(world.Handheld())};
  for (const auto& entry : fs::directory_iterator(app / "Backup")) files.push_back(entry.path());
  ASSERT_GT(files.size(), 4u) << "no table backup was taken";
  for (const fs::path& file : files) EXPECT_EQ(ModeOf(file), 0600u) << file;
  for (const fs::path& folder : {app / "Backup", work, work / "Update", work / "Temp",
                                 handheld::FilesRoot(world.Handheld()) / "My Documents"}) {
    EXPECT_EQ(ModeOf(folder), 0700u) << folder;
  }
  EXPECT_FALSE(fs::exists(work / "Temp" / "Contact1.pim")) << "the export copy stayed behind";

  // The installer's copy of a shipped database, from a source readable by all.
  const fs::path shipped = world.Root() / "shipped.mdb";
  fs::copy_file(people, shipped);
  fs::permissions(shipped, fs::perms(0644));
  std::string error;
  ASSERT_TRUE(installer::CopyFileAside(shipped, app / "Copied.mdb", &error)) << error;
  EXPECT_EQ(ModeOf(app / "Copied.mdb"), 0600u);
}

}  // namespace
}  // namespace velmora::testing

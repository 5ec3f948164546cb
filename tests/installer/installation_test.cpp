// Whole installations with the installer program in unattended mode, checked file by file:
// copies and their run bits, folders, registry values, the ActiveSync command lines, desktop
// entries, the sample profiles, and what installing again over an installation keeps.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include "installer/install_plan.h"
#include "installer/installer_state.h"
#include "installer/script_ids.h"
#include "platform/registry/registry.h"
#include "handheld/velmora-device/command_line.h"
#include "tests/installer/install_world.h"

namespace velmora::installer {
namespace {

using registry::Hive;
using testing::InstallWorld;
using testing::RunResult;
using velmora::testing::ReadFileBytes;
using velmora::testing::SourceDir;
using velmora::testing::WriteFileBytes;

constexpr const char* kAppKey = "Software\\Microsoft\\Wrenlock";

unsigned Mode(const std::filesystem::path& file) {
  struct stat info {};
  return ::stat(file.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

class InstallationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = (world_.Home() / "opt" / "Velmora").string();
    world_.AddHandheldUser("Ann O'Neil");
    world_.AddHandheldUser("Bob");
  }

  RunResult Install(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--unattended", "--folder", folder_};
    args.insert(args.end(), extra.begin(), extra.end());
    return world_.RunInstaller(args);
  }
  std::filesystem::path Installed(const std::string& name) const {
    return std::filesystem::path(folder_) / name;
  }
  std::filesystem::path ProfileDatabase() const { return Installed("Orvendel.mdb"); }

  InstallWorld world_;
  std::string folder_;
};

TEST_F(InstallationTest, FirstInstallationLaysOutEveryFile) {
  const RunResult run = Install({"--user", "Ann O'Neil"});
  ASSERT_EQ(run.exit_status, 0) << run.output;

  for (const PlannedCopy& copy : PlannedCopies(world_.Script(), false, 0)) {
    const auto source = world_.Source() / copy.source;
    // The profile database is changed by the binding of its sample profiles.
    if (copy.target != "Orvendel.mdb") {
      EXPECT_TRUE(ReadFileBytes(Installed(copy.target)) == ReadFileBytes(source)) << copy.target;
    }
    // Databases hold profiles and contacts: their user's only.
    const bool database = std::filesystem::path(copy.target).extension() == ".mdb";
    EXPECT_EQ(Mode(Installed(copy.target)), database ? Mode(source) & 0700 : Mode(source))
        << copy.target;
  }
  for (const char* program : {"tavrill", "brisklet", "velmora-device", "sorrelin"}) {
    EXPECT_EQ(Mode(Installed(program)), 0755u) << program;
  }
  EXPECT_TRUE(std::filesystem::is_directory(Installed("Backup")));
  EXPECT_EQ(Mode(Installed("Backup")), 0700u);
  EXPECT_TRUE(std::filesystem::is_regular_file(Installed("lib/libpeltrix.so")));
  // Language files lose their prefix.
  EXPECT_TRUE(std::filesystem::is_regular_file(Installed("Contacts_UserGuide.html")));
  EXPECT_FALSE(std::filesystem::exists(Installed("en_Contacts_UserGuide.html")));
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_)) {
    EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos) << entry.path();
  }
}

TEST_F(InstallationTest, FirstInstallationRecordsItselfAndRegistersTheConduit) {
  const RunResult run = Install({"--user", "Ann O'Neil"});
  ASSERT_EQ(run.exit_status, 0) << run.output;

  EXPECT_EQ(registry::ReadString(Hive::kCurrentUser, kAppKey, "AppPath"), folder_);
  EXPECT_EQ(registry::ReadString(Hive::kCurrentUser, kAppKey, "Ver"), "1.0.0");
  EXPECT_EQ(registry::ReadString(Hive::kLocalMachine, kAutoStartOnConnectKey, "Velmora Conduit"),
            "\"" + folder_ + "/tavrill\" \"connect\"");
  EXPECT_EQ(registry::ReadString(Hive::kLocalMachine, kAutoStartOnDisconnectKey, "Velmora Conduit"),
            "\"" + folder_ + "/tavrill\" \"disconnect\"");
}

TEST_F(InstallationTest, FirstInstallationMakesDesktopAndMenuEntries) {
  const RunResult run = Install({"--user", "Ann O'Neil"});
  ASSERT_EQ(run.exit_status, 0) << run.output;

  const std::string desktop = ReadFileBytes(world_.DesktopDir() / "Velmora.desktop");
  EXPECT_NE(desktop.find("Type=Application\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("\nExec=\"" + folder_ + "/brisklet\"\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("\nPath=" + folder_ + "\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("\nComment=Keep the contacts"), std::string::npos) << desktop;

  const std::string manager = ReadFileBytes(world_.MenuDir() / "Velmora.desktop");
  EXPECT_NE(manager.find("\nExec=\"" + folder_ + "/brisklet\"\n"), std::string::npos) << manager;
  const std::string conduit = ReadFileBytes(world_.MenuDir() / "Velmora Conduit.desktop");
  EXPECT_NE(conduit.find("\nExec=\"" + folder_ + "/tavrill\"\n"), std::string::npos) << conduit;
  const std::string guide = ReadFileBytes(world_.MenuDir() / "Velmora User Guide.desktop");
  EXPECT_NE(guide.find("Type=Link\n"), std::string::npos) << guide;
  EXPECT_NE(guide.find("\nURL=file://" + folder_ + "/Contacts_UserGuide.html\n"), std::string::npos)
      << guide;
}

TEST_F(InstallationTest, FirstInstallationBindsTheSampleProfilesToTheChosenUser) {
  const RunResult run = Install({"--user", "Ann O'Neil"});
  ASSERT_EQ(run.exit_status, 0) << run.output;
  const auto first = InstallWorld::ReadProfile(ProfileDatabase(), 1);
  const auto second = InstallWorld::ReadProfile(ProfileDatabase(), 2);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->user_name, "Ann O'Neil");
  EXPECT_EQ(first->db_path, folder_ + "/");
  EXPECT_EQ(second->user_name, "Ann O'Neil");
  EXPECT_EQ(second->db_path, folder_ + "/");
  // The temporary data source is gone once the installer has ended.
  EXPECT_EQ(run.output.find("Unable to connect"), std::string::npos) << run.output;
}

TEST_F(InstallationTest, WithoutAUserTheFirstHandheldUserIsChosen) {
  const RunResult run = Install();
  ASSERT_EQ(run.exit_status, 0) << run.output;
  EXPECT_EQ(InstallWorld::ReadProfile(ProfileDatabase(), 1)->user_name, "Ann O'Neil");
}

TEST_F(InstallationTest, InstallingAgainWithKeepExistingLeavesTheProfileDatabaseAlone) {
  ASSERT_EQ(Install({"--user", "Ann O'Neil"}).exit_status, 0);
  ASSERT_TRUE(InstallWorld::RunSql(ProfileDatabase(),
                                   "UPDATE DBProfile SET ProfName = 'Mine', DBPath = '/mine/' "
                                   "WHERE ProfID IN (1, 2)"));
  const std::string kept = ReadFileBytes(ProfileDatabase());
  WriteFileBytes(Installed("SampleContactsDB.mdb"), "rows the user added");
  WriteFileBytes(world_.Source() / "tavrill", "#!/bin/sh\necho version 2\n");

  // No --folder: the existing installation is where it goes.
  const RunResult again = world_.RunInstaller({"--unattended", "--keep-existing", "--user", "Bob"});
  ASSERT_EQ(again.exit_status, 0) << again.output;
  EXPECT_EQ(ReadFileBytes(ProfileDatabase()), kept);
  EXPECT_EQ(ReadFileBytes(Installed("SampleContactsDB.mdb")), "rows the user added");
  EXPECT_EQ(ReadFileBytes(Installed("tavrill")), "#!/bin/sh\necho version 2\n");
  EXPECT_EQ(Mode(Installed("tavrill")), 0755u);
  EXPECT_EQ(InstallWorld::ReadProfile(ProfileDatabase(), 1)->user_name, "Ann O'Neil");

  // Asked for, the kept profiles are bound to the new user, and nothing else of them changes.
  const RunResult bind = Install({"--keep-existing", "--bind-samples", "--user", "Bob"});
  ASSERT_EQ(bind.exit_status, 0) << bind.output;
  EXPECT_EQ(InstallWorld::ReadProfile(ProfileDatabase(), 1)->user_name, "Bob");
  EXPECT_EQ(InstallWorld::ReadProfile(ProfileDatabase(), 2)->user_name, "Bob");
  // Profile 1's folder is bound as ever; profile 2 keeps the folder its user chose.
  EXPECT_EQ(InstallWorld::ReadProfile(ProfileDatabase(), 1)->db_path, folder_ + "/");
  EXPECT_EQ(InstallWorld::ReadProfile(ProfileDatabase(), 2)->db_path, "/mine/");
  EXPECT_EQ(ReadFileBytes(Installed("SampleContactsDB.mdb")), "rows the user added");
  EXPECT_EQ(
      InstallWorld::QueryText(ProfileDatabase(), "SELECT ProfName FROM DBProfile WHERE ProfID = 1"),
      "Mine");
}

TEST_F(InstallationTest, InstallingAgainWithoutKeepExistingStartsAFreshProfileDatabase) {
  ASSERT_EQ(Install({"--user", "Ann O'Neil"}).exit_status, 0);
  ASSERT_TRUE(InstallWorld::RunSql(ProfileDatabase(),
                                   "UPDATE DBProfile SET ProfName = 'Mine' WHERE ProfID = 1"));
  const RunResult again = Install({"--user", "Bob"});
  ASSERT_EQ(again.exit_status, 0) << again.output;
  EXPECT_EQ(InstallWorld::ReadProfile(ProfileDatabase(), 1)->user_name, "Bob");
  EXPECT_NE(
      InstallWorld::QueryText(ProfileDatabase(), "SELECT ProfName FROM DBProfile WHERE ProfID = 1"),
      "Mine");
}

TEST_F(InstallationTest, KeepExistingRefusesAnotherFolder) {
  ASSERT_EQ(Install().exit_status, 0);
  const RunResult other = world_.RunInstaller(
      {"--unattended", "--keep-existing", "--folder", (world_.Home() / "elsewhere").string()});
  EXPECT_EQ(other.exit_status, 2) << other.output;
  EXPECT_FALSE(std::filesystem::exists(world_.Home() / "elsewhere"));
}

TEST_F(InstallationTest, AMissingSourceFileIsReportedCountedAndTheRestInstalled) {
  std::filesystem::remove(world_.Source() / "brisklet");
  std::filesystem::remove(world_.Source() / "lib/libvelmora_db.so");
  const RunResult run = Install({"--user", "Bob"});
  EXPECT_EQ(run.exit_status, 1) << run.output;
  EXPECT_NE(run.output.find("Could not copy the file brisklet\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("copy failed: lib/libvelmora_db.so"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Some files could not be copied."), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("2 step(s) failed:"), std::string::npos) << run.output;
  EXPECT_TRUE(std::filesystem::exists(Installed("tavrill")));
  EXPECT_TRUE(std::filesystem::exists(Installed("readme.txt")));
  EXPECT_EQ(registry::ReadString(Hive::kCurrentUser, kAppKey, "AppPath"), folder_);
  EXPECT_EQ(InstallWorld::ReadProfile(ProfileDatabase(), 1)->user_name, "Bob");
}

TEST_F(InstallationTest, AMissingProfileDatabaseIsReportedAsAFailure) {
  std::filesystem::remove(world_.Source() / "Orvendel.mdb");
  const RunResult run = Install({"--user", "Bob"});
  EXPECT_EQ(run.exit_status, 1) << run.output;
  EXPECT_NE(run.output.find("Unable to connect profile database\n"), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("copy failed: Orvendel.mdb"), std::string::npos) << run.output;
}

TEST_F(InstallationTest, ADeletedInstallationFolderCountsAsNoInstallation) {
  const SetupScript script = world_.Script();
  EXPECT_EQ(FindExistingInstallation(script), "");
  ASSERT_EQ(Install().exit_status, 0);
  EXPECT_EQ(FindExistingInstallation(script), folder_);
  EXPECT_EQ(StartUp(script, world_.Source()).keep_existing, 1);

  std::filesystem::remove_all(folder_);
  EXPECT_EQ(FindExistingInstallation(script), "");
  const InstallerState state = StartUp(script, world_.Source());
  EXPECT_EQ(state.keep_existing, 0);
  EXPECT_EQ(InitialFolder(state, script), world_.DefaultFolder());
  // Keeping what is not there installs afresh, profile database included.
  const RunResult run = Install({"--keep-existing"});
  ASSERT_EQ(run.exit_status, 0) << run.output;
  EXPECT_NE(run.output.find("no existing installation found"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(ProfileDatabase()));
}

TEST_F(InstallationTest, KeepExistingKeepsAnInstallationTheRegistryHasLost) {
  ASSERT_EQ(Install({"--user", "Ann O'Neil"}).exit_status, 0);
  ASSERT_TRUE(InstallWorld::RunSql(ProfileDatabase(),
                                   "UPDATE DBProfile SET ProfName = 'Mine' WHERE ProfID = 1"));
  WriteFileBytes(Installed("SampleContactsDB.mdb"), "rows the user added");
  const std::string kept = ReadFileBytes(ProfileDatabase());
  ASSERT_TRUE(registry::DeleteKey(Hive::kCurrentUser, kAppKey));

  const RunResult run = Install({"--keep-existing", "--user", "Bob"});
  ASSERT_EQ(run.exit_status, 0) << run.output;
  EXPECT_NE(run.output.find("holds one: keeping it"), std::string::npos) << run.output;
  EXPECT_EQ(ReadFileBytes(ProfileDatabase()), kept);
  EXPECT_EQ(ReadFileBytes(Installed("SampleContactsDB.mdb")), "rows the user added");
  EXPECT_EQ(registry::ReadString(Hive::kCurrentUser, kAppKey, "AppPath"), folder_);
}

// The registered command is split the way the handheld link splits it and started: it must name
// exactly the installed conduit, whatever characters the folder holds.
TEST_F(InstallationTest, TheRegisteredCommandNamesTheInstalledConduitWhateverTheFolder) {
  for (const std::string name : {"My \"Sync\" Folder", "ends in a backslash\\",
                                 "quote \\\" \"/bin/sh\" \"", "two  blanks"}) {
    folder_ = (world_.Home() / "opt" / name).string();
    const RunResult run = Install({"--user", "Bob"});
    ASSERT_EQ(run.exit_status, 0) << name << ": " << run.output;
    for (const char* key : {kAutoStartOnConnectKey, kAutoStartOnDisconnectKey}) {
      const auto command = registry::ReadString(Hive::kLocalMachine, key, "Velmora Conduit");
      ASSERT_TRUE(command) << name;
      const std::vector<std::string> argv = device_tool::SplitWindowsCommandLine(*command);
      const std::string word =
          std::string_view(key) == kAutoStartOnConnectKey ? "connect" : "disconnect";
      EXPECT_EQ(argv, (std::vector<std::string>{Installed("tavrill").string(), word})) << *command;
      std::string error;
      EXPECT_EQ(device_tool::StartProgram(argv, true, &error), 0) << *command << ": " << error;
    }
  }
}

// A line break or another control character cannot travel through the registered command and
// the profile database: such a folder is refused before anything is installed.
TEST_F(InstallationTest, AFolderWithAControlCharacterIsRefused) {
  for (const std::string name : {"line\nbreak", "tab\there", "bell\a"}) {
    folder_ = (world_.Home() / "opt" / name).string();
    const RunResult run = Install({"--user", "Bob"});
    EXPECT_EQ(run.exit_status, 1) << run.output;
    EXPECT_NE(run.output.find("control character"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(folder_)) << name;
    EXPECT_EQ(registry::ReadString(Hive::kCurrentUser, kAppKey, "AppPath"), std::nullopt);
  }
}

// Each script lacks what an installation needs or names a place outside the folder: the
// installation fails with the reason before it changes anything.
TEST_F(InstallationTest, ADamagedSetupScriptFailsBeforeAnythingIsInstalled) {
  std::vector<ScriptRecord> shipped;
  std::string error;
  ASSERT_TRUE(ParseScriptSource(ReadFileBytes(SourceDir() / "installer/setup_script.txt"), &shipped,
                                &error))
      << error;
  const auto without = [&](int id) {
    std::vector<ScriptRecord> records;
    for (const ScriptRecord& record : shipped) {
      if (record.id != id) records.push_back(record);
    }
    return records;
  };
  const auto with = [&](int id, const std::string& text) {
    std::vector<ScriptRecord> records = without(id);
    records.push_back({id, text});
    return records;
  };
  struct Case {
    std::vector<ScriptRecord> records;
    const char* reason;
  };
  const Case cases[] = {
      {without(ids::kConduitFile), "record 52 names no conduit"},
      {with(ids::kMainFileCountMinusOne, "-3"), "record 10 is \"-3\""},
      {with(ids::kConduitFile, "../../../bin/sh"), "the conduit \"../../../bin/sh\""},
      {with(ids::kFirstMainFile, "../../../bin/sh"), "the file \"../../../bin/sh\""},
      {with(ids::kFirstSubfolder, "/tmp"), "the subfolder \"/tmp\""},
      {without(ids::kRegistryKey), "record 100 names no registry key"},
      {{}, "missing, unreadable or too short"},
  };
  for (const Case& c : cases) {
    const auto script = world_.Source() / kScriptFileName;
    WriteFileBytes(script, c.records.empty() ? std::string("short") : BuildScriptBytes(c.records));
    const RunResult run = Install({"--user", "Bob"});
    EXPECT_EQ(run.exit_status, 1) << c.reason << ": " << run.output;
    EXPECT_NE(run.output.find("cannot be installed from"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(c.reason), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(folder_)) << c.reason;
    EXPECT_EQ(registry::ReadString(Hive::kLocalMachine, kAutoStartOnConnectKey, "Velmora Conduit"),
              std::nullopt)
        << c.reason;
  }
}

// Folders that cannot be made and a disk that fills up are reported as failed steps; nothing ends
// the installer abruptly and no half-copied file is left behind.
TEST_F(InstallationTest, AFolderThatCannotBeMadeOrFilledIsReportedNotThrown) {
  WriteFileBytes(world_.Home() / "a file", "in the way");
  const auto small_disk = world_.Home() / "small disk";
  std::filesystem::create_directories(small_disk);
  const bool mounted = ::mount("tmpfs", small_disk.c_str(), "tmpfs", 0, "size=256k") == 0;
  struct Case {
    std::filesystem::path folder;
    const char* reason;
  };
  std::vector<Case> cases = {
      {world_.Home() / "a file" / "Velmora", "cannot create"},
      {world_.Home() / std::string(5000, 'x') / "Velmora", "cannot create"},
  };
  // A full disk needs a small file system of its own, which only a privileged test can mount.
  if (mounted) cases.push_back({small_disk / "Velmora", "copy failed: lib/libpeltrix.so"});
  for (const Case& c : cases) {
    folder_ = c.folder.string();
    const RunResult run = Install({"--user", "Bob"});
    EXPECT_EQ(run.exit_status, 1) << run.output.substr(0, 2000);
    EXPECT_NE(run.output.find(c.reason), std::string::npos) << run.output.substr(0, 2000);
  }
  if (!mounted) return;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(small_disk)) {
    EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
  }
  EXPECT_EQ(::umount2(small_disk.c_str(), MNT_DETACH), 0);
}

TEST_F(InstallationTest, CommandLineMistakesAreRefused) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--unattended", "--folder"},
        std::vector<std::string>{"--unattended", "--language", "x"},
        std::vector<std::string>{"--unattended", "--language", "-1"},
        std::vector<std::string>{"--frobnicate"}}) {
    const RunResult run = world_.RunInstaller(args);
    EXPECT_EQ(run.exit_status, 2) << args.back();
    EXPECT_NE(run.output.find("usage: installer"), std::string::npos);
  }
  for (const char* program : {"installer", "velmora-installer-script"}) {
    for (const char* option : {"--help", "-h"}) {
      const RunResult help = world_.RunProgram(program, {option});
      EXPECT_EQ(help.exit_status, 0) << program << " " << option;
      EXPECT_NE(help.output.find("usage: "), std::string::npos) << program << " " << option;
    }
  }
}

}  // namespace
}  // namespace velmora::installer

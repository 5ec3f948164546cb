// The desktop manager's start-up refusals and the commands its main window carries out:
// Delete Profile with its backups, the AutoSync option, Synchronize without a handheld; and
// the desktop error log, the conduit process test and the panes' command routing.
#include "desktop/desktop_session.h"

#include <gtest/gtest.h>

#include <fstream>

#include "conduit/backups.h"
#include "desktop/commands.h"
#include "desktop/conduit_process.h"
#include "desktop/profile_commands.h"
#include "device/desktop_settings.h"
#include "platform/registry/registry.h"
#include "profile/backup_files.h"
#include "tests/desktop/desktop_world.h"

namespace velmora::desktop {
namespace {

using prompt::Answer;
using testing::DesktopWorld;

std::string EmulatorLibrary() {
  return (velmora::testing::BuildDir() / "lib" / "librapi-emu.so").string();
}

StartupOptions Options() {
  StartupOptions options;
  options.user_library = velmora::testing::BuildDir() / "lib" / "libpeltrix.so";
  options.rapi_library = EmulatorLibrary();
  options.device_wait = std::chrono::milliseconds(0);
  return options;
}

TEST(Startup, RefusalsEndTheStartWithTheirMessages) {
  struct Case {
    const char* what;
    void (*spoil)(StartupOptions&, const std::filesystem::path& app);
    StartupFailure failure;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"no user library",
       [](StartupOptions& o, const auto&) { o.user_library = "/nowhere.so"; },
       StartupFailure::kNoUserLibrary,
       {"Unable to load Peltrix.dll"}},
      {"no RAPI library",
       [](StartupOptions& o, const auto&) { o.rapi_library = "/nowhere.so"; },
       StartupFailure::kNoRapiLibrary,
       {}},
      {"no profile database",
       [](StartupOptions&, const auto& app) { std::filesystem::remove(app / "Orvendel.mdb"); },
       StartupFailure::kNoProfileDatabase,
       {"Unable to connect profile database"}},
      {"everything there", [](StartupOptions&, const auto&) {}, StartupFailure::kNone, {}},
  };
  for (const Case& c : cases) {
    DesktopWorld world;
    StartupOptions options = Options();
    c.spoil(options, world.app_folder());
    DesktopSession session;
    EXPECT_EQ(session.Start(options), c.failure) << c.what;
    EXPECT_EQ(world.prompt().Texts(), c.messages) << c.what;
  }
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(session_.Start(Options()), StartupFailure::kNone);
    profile::ProfileStore& store = session_.store();
    for (const auto& p : store.AllProfiles()) store.DeleteProfile(p.prof_id);
    record_.prof_id = 1;
    record_.prof_name = "O'Neil/Team";
    record_.user_name = testing::kUser;
    ASSERT_TRUE(store.InsertProfile(record_, nullptr));
    ASSERT_TRUE(store.InsertMapping({1, "F1", "\"FirstName\"", "SQL_CHAR"}, nullptr));
    std::filesystem::create_directories(world_.app_folder() / "Backup");
    for (int g = 1; g <= 4; ++g) {
      std::ofstream(
          conduit::CustomBackupPath(world_.app_folder(), record_.user_name, record_.prof_name, g))
          << "x";
    }
  }
  int BackupCount() {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(world_.app_folder() / "Backup")) {
      (void)e;
      ++n;
    }
    return n;
  }

  DesktopWorld world_;
  DesktopSession session_;
  profile::ProfileRecord record_;
};

TEST_F(SessionTest, DeclinedDeleteLeavesProfileAndBackups) {
  world_.prompt().QueueAnswer(Answer::kNo);
  EXPECT_FALSE(DeleteProfileWithBackups(record_, session_.store(), session_.app_folder()));
  EXPECT_EQ(world_.prompt().Texts(),
            std::vector<std::string>{
                "Are you sure to delete \"O'Neil/Team\" Profile and all it's backup data?"});
  EXPECT_EQ(session_.store().ProfileCount(), 1);
  EXPECT_EQ(BackupCount(), 4);
}

TEST_F(SessionTest, ConfirmedDeleteRemovesProfileMappingAndFourBackups) {
  std::ofstream(world_.app_folder() / "Backup" / "Backup_1_Other_Profile.pdb") << "kept";
  world_.prompt().QueueAnswer(Answer::kYes);
  EXPECT_TRUE(DeleteProfileWithBackups(record_, session_.store(), session_.app_folder()));
  EXPECT_EQ(session_.store().ProfileCount(), 0);
  EXPECT_EQ(session_.store().MappedFieldCountForConduit(1), 0);
  EXPECT_EQ(BackupCount(), 1);
}

TEST_F(SessionTest, ABackupThatCannotBeDeletedIsReportedWithItsPath) {
  const auto stuck =
      profile::TableBackupFile(world_.app_folder(), record_.user_name, record_.prof_name, 2);
  std::filesystem::remove(stuck);
  std::filesystem::create_directories(stuck / "inside");  // a folder that is not empty
  world_.prompt().QueueAnswer(Answer::kYes);
  EXPECT_TRUE(DeleteProfileWithBackups(record_, session_.store(), session_.app_folder()));
  ASSERT_EQ(world_.prompt().Texts().size(), 2u);
  EXPECT_NE(world_.prompt().Texts()[1].find(stuck.string()), std::string::npos);
  EXPECT_EQ(BackupCount(), 1);
}

TEST_F(SessionTest, DeleteWithoutMappingRowsStillDeletes) {
  session_.store().DeleteBeforeResave(99);  // nothing of profile 99
  world_.prompt().QueueAnswer(Answer::kYes);
  profile::ProfileRecord unmapped = record_;
  unmapped.prof_id = 2;
  unmapped.prof_name = "Bare";
  ASSERT_TRUE(session_.store().InsertProfile(unmapped, nullptr));
  EXPECT_TRUE(DeleteProfileWithBackups(unmapped, session_.store(), session_.app_folder()));
  EXPECT_EQ(session_.store().ProfileCount(), 1);
}

TEST_F(SessionTest, AutoSyncTogglesTwice) {
  EXPECT_FALSE(session_.auto_sync);
  session_.auto_sync = ToggleAutoSync(session_.auto_sync);
  EXPECT_TRUE(session_.auto_sync);
  EXPECT_EQ(registry::ReadDword(registry::Hive::kCurrentUser, device::kSyncOptionKey, "AutoSync"),
            1u);
  session_.auto_sync = ToggleAutoSync(session_.auto_sync);
  EXPECT_FALSE(session_.auto_sync);
  EXPECT_EQ(registry::ReadDword(registry::Hive::kCurrentUser, device::kSyncOptionKey, "AutoSync"),
            0u);
}

TEST_F(SessionTest, SynchronizeWithoutAHandheldNeverStartsTheConduit) {
  std::string error;
  ASSERT_TRUE(session_.ConnectLinked(world_.contacts_file().string(), "", "", db::kDatabaseAccess,
                                     &error, true))
      << error;
  int launches = 0;
  bool prepared = false;
  const SynchronizeOutcome outcome = Synchronize(
      session_.DeviceOwner(), session_.app_folder(), [&] { prepared = true; },
      [&](const auto&, const auto&) { return ++launches > 0; });
  EXPECT_EQ(outcome, SynchronizeOutcome::kNoDevice);
  EXPECT_EQ(launches, 0);
  EXPECT_FALSE(prepared);
  EXPECT_TRUE(session_.linked_connected());
  EXPECT_EQ(world_.prompt().Texts(),
            std::vector<std::string>{"Please Connect your Pocket PC to your PC and try again..."});
}

TEST_F(SessionTest, SynchronizeWithAnOwnerStartsTavrillOfTheAppFolder) {
  std::filesystem::path started;
  EXPECT_EQ(Synchronize(
                "Ann Lee", session_.app_folder(), [] {},
                [&](const auto& program, const auto&) {
                  started = program;
                  return true;
                }),
            SynchronizeOutcome::kStarted);
  EXPECT_EQ(started, session_.app_folder() / "tavrill");
}

TEST(ErrorLog, AppendsUtf16WithoutByteOrderMark) {
  velmora::testing::TempDir dir;
  const DesktopErrorLog log(dir.path());
  ASSERT_TRUE(log.Append("Aé"));
  ASSERT_TRUE(log.AppendTabbed("B"));
  EXPECT_EQ(velmora::testing::ReadFileBytes(dir / "QuenlowError.log"),
            std::string("A\0\xE9\0\r\0\n\0\t\0B\0\r\0\n\0", 16));
  EXPECT_FALSE(DesktopErrorLog(dir / "missing").Append("dropped"));
}

TEST(ErrorLog, HeaderEntryHasDateWithoutLeadingZeros) {
  std::tm t{};
  t.tm_year = 124;
  t.tm_mon = 2;
  t.tm_mday = 5;
  t.tm_hour = 7;
  t.tm_min = 4;
  t.tm_sec = 9;
  EXPECT_EQ(LogHeaderEntry(t),
            "Contact Synchronization Desktop side Log...\r\nDate: 3/5/2024 07:04:09");
  EXPECT_EQ(LogSeparator().size(), 110u);
}

TEST(ConduitProcess, FoundByItsCommandName) {
  velmora::testing::TempDir proc;
  std::filesystem::create_directories(proc / "12");
  std::filesystem::create_directories(proc / "self");
  velmora::testing::WriteFileBytes(proc / "12" / "comm", "brisklet\n");
  velmora::testing::WriteFileBytes(proc / "self" / "comm", "tavrill\n");
  EXPECT_FALSE(IsProcessRunning("tavrill", proc.path()));  // not a process id
  std::filesystem::create_directories(proc / "31");
  velmora::testing::WriteFileBytes(proc / "31" / "comm", "tavrill\n");
  EXPECT_TRUE(IsProcessRunning("tavrill", proc.path()));
  EXPECT_FALSE(IsProcessRunning("tavril", proc.path()));
}

// Another installation's or another test's conduit works on another registry folder and does
// not hold our data source.
TEST(ConduitProcess, OnlyAConduitOfTheSameRegistryFolderCounts) {
  using namespace std::string_literals;
  velmora::testing::TempDir proc;
  const auto process = [&](const char* pid, const std::string& environment) {
    std::filesystem::create_directories(proc / pid);
    velmora::testing::WriteFileBytes(proc / pid / "comm", "tavrill\n");
    velmora::testing::WriteFileBytes(proc / pid / "environ", environment);
    return proc / pid;
  };
  const auto own = process("40", "HOME=/home/ann\0VELMORA_REGISTRY=/srv/reg\0"s);
  const auto xdg = process("41", "XDG_CONFIG_HOME=/cfg\0HOME=/home/ann\0"s);
  const auto home = process("42", "HOME=/home/bo\0XDG_CONFIG_HOME=relative\0"s);
  const auto unreadable = process("43", "");
  EXPECT_EQ(RegistryFolderOfProcess(own), "/srv/reg");
  EXPECT_EQ(RegistryFolderOfProcess(xdg), "/cfg/velmora/registry");
  EXPECT_EQ(RegistryFolderOfProcess(home), "/home/bo/.config/velmora/registry");
  EXPECT_EQ(RegistryFolderOfProcess(unreadable), "");
  const auto registry_is = [](std::filesystem::path wanted) {
    return [wanted](const std::filesystem::path& pid) {
      return RegistryFolderOfProcess(pid) == wanted;
    };
  };
  EXPECT_TRUE(IsProcessRunning("tavrill", proc.path(), registry_is("/cfg/velmora/registry")));
  EXPECT_FALSE(IsProcessRunning("tavrill", proc.path(), registry_is("/other")));
}

TEST(CommandRouting, ItemCommandsNeedASelectedItemAndRestoreAResult) {
  for (const int command : {kCmdDelete, kCmdProfileName, kCmdEditProfile, kCmdFieldEditing}) {
    EXPECT_FALSE(CommandEnabled(command, false, true)) << command;
    EXPECT_TRUE(CommandEnabled(command, true, false)) << command;
  }
  EXPECT_FALSE(CommandEnabled(kCmdRestoreContents, true, false));
  EXPECT_FALSE(CommandEnabled(kCmdRestoreContents, false, true));
  EXPECT_TRUE(CommandEnabled(kCmdRestoreContents, true, true));
  EXPECT_TRUE(CommandEnabled(kCmdNew, false, false));
  EXPECT_TRUE(CommandEnabled(kCmdSynchronize, false, false));
}

TEST(CommandRouting, PanesAndDispatcher) {
  EXPECT_TRUE(PanePassesOn(Pane::kProperties, kCmdRestoreContents));
  EXPECT_FALSE(PanePassesOn(Pane::kContent, kCmdRestoreContents));
  EXPECT_TRUE(PanePassesOn(Pane::kContent, kCmdRename));
  EXPECT_FALSE(PanePassesOn(Pane::kProperties, kCmdRename));
  const int mapping_item = MakeItemData(3, ItemKind::kMapping);
  EXPECT_EQ(ProfileRowOfItem(mapping_item), 3);
  EXPECT_EQ(ProfilePaneDispatch(kCmdNew, std::nullopt, std::nullopt),
            (DispatchedCommand{kCmdNewProfile, 0}));
  EXPECT_EQ(ProfilePaneDispatch(kCmdDelete, mapping_item, mapping_item),
            (DispatchedCommand{kCmdDelete, mapping_item}));
  EXPECT_FALSE(ProfilePaneDispatch(kCmdEditProfile, mapping_item, mapping_item));
  EXPECT_EQ(ProfilePaneDispatch(kCmdProfileName, 10, 12), (DispatchedCommand{kCmdRename, 10}));
  EXPECT_FALSE(ProfilePaneDispatch(kCmdDelete, std::nullopt, std::nullopt));
}

}  // namespace
}  // namespace velmora::desktop

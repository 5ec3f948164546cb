// The handheld Backup and Restore commands end to end against the emulated handheld: the
// agent round trip, the copies, the backup file and what the user is told, including every
// failure the handheld's fault switches can bring about.
#include "desktop/device_contacts_backup.h"
#include "desktop/backup_device_contacts.h"
#include "desktop/restore_device_contacts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "device/desktop_settings.h"
#include "device/device_connection.h"
#include "handheld/store/attachment.h"
#include "handheld/store/contact_store.h"
#include "handheld/store/link_state.h"
#include "platform/prompt/scripted_prompt.h"
#include "platform/registry/registry.h"
#include "tests/device/emulated_handheld.h"
#include "transfer/device_backup.h"
#include "transfer/pdb_reader.h"

namespace velmora::desktop {
namespace {

using ::testing::ElementsAre;
using testing::EmulatedHandheld;
using ::testing::IsEmpty;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

handheld::Contact MakeContact(const std::string& first, const std::string& last) {
  handheld::Contact contact;
  contact.fields[1] = first;
  contact.fields[3] = last;
  return contact;
}

class RecordingProgress final : public ProgressDisplay {
 public:
  void Show(std::string_view text) override {
    shown.emplace_back(text);
    open = true;
  }
  void Close() override { open = false; }
  std::vector<std::string> shown;
  bool open = false;
};

class DeviceContactsBackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(handheld_.created());
    ASSERT_TRUE(device::StartDeviceConnection(rapi_));
    prompt::SetCurrentPrompt(&prompt_);
    options_.channel = {EmulatedHandheld::LibraryPath(), device::kDefaultConnectWait};
    options_.export_pause = std::chrono::milliseconds(0);
    options_.agent_timeout = std::chrono::seconds(20);
  }
  void TearDown() override {
    prompt::SetCurrentPrompt(nullptr);
    device::EndDeviceConnection(rapi_);
  }

  DeviceBackupResult Backup() {
    return BackupDeviceContactsFromDesktop(rapi_, app_.path(), options_, &progress_).Run();
  }
  DeviceBackupResult Restore() {
    return RestoreDeviceContacts(rapi_, app_.path(), options_, &progress_).Run();
  }
  std::filesystem::path BackupFile() const { return DeviceBackupFile(app_.path()); }
  std::filesystem::path ExportCopy(std::string_view owner) const {
    return DeviceExportCopy(app_.path(), owner);
  }
  handheld::ContactStore& Store() {
    if (!store_) store_ = handheld::ContactStore::Open(handheld_.folder(), false);
    return *store_;
  }
  std::vector<std::string> StoredNames() {
    std::vector<std::string> names;
    const auto contacts = Store().All();
    if (!contacts) return {"<unreadable>"};
    for (const auto& contact : *contacts)
      names.push_back(contact.fields[1] + " " + contact.fields[3]);
    return names;
  }
  void SetFault(const std::string& name, const std::string& value = "") {
    std::string error;
    ASSERT_TRUE(handheld::LinkState::Open(handheld_.folder(), false)->SetFault(name, value, &error))
        << error;
  }
  std::vector<std::string> BackupNames() {
    transfer::PdbReader reader;
    if (!reader.Open(BackupFile())) return {"<no file>"};
    std::vector<std::string> names;
    for (long r = 0; r < reader.RecordCount(); ++r) {
      names.push_back(reader.ValueText(r, 1, transfer::TextForm::kFull) + " " +
                      reader.ValueText(r, 3, transfer::TextForm::kFull));
    }
    return names;
  }

  EmulatedHandheld handheld_;
  testing::TempDir app_;
  device::RapiLibrary rapi_{EmulatedHandheld::LibraryPath()};
  DeviceBackupOptions options_;
  RecordingProgress progress_;
  prompt::ScriptedPrompt prompt_;
  std::unique_ptr<handheld::ContactStore> store_;
};

TEST_F(DeviceContactsBackupTest, BackupHoldsEveryContactAndLeavesNoScratchFiles) {
  const mode_t usual_umask = ::umask(022);
  ASSERT_TRUE(
      Store().Apply({false, std::nullopt, {MakeContact("Ann", "Lee"), MakeContact("Bo", "Ng")}}));

  EXPECT_EQ(Backup(), DeviceBackupResult::kDone);

  EXPECT_THAT(BackupNames(), ElementsAre("Ann Lee", "Bo Ng"));
  EXPECT_THAT(prompt_.Texts(), ElementsAre(std::string(kBackupTaken)));
  EXPECT_THAT(progress_.shown, ElementsAre(std::string(kBackupProgress)));
  EXPECT_FALSE(progress_.open);
  EXPECT_FALSE(std::filesystem::exists(ExportCopy("Ann Lee")));
  EXPECT_FALSE(std::filesystem::exists(handheld_.device_file("My Documents/Contact/Contact1.pim")));
  // The owner's work folder holds contacts while the export is read: private to the user.
  for (const auto& folder : {ExportCopy("Ann Lee").parent_path(),
                             ExportCopy("Ann Lee").parent_path().parent_path()}) {
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0) << folder;
    EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
  }
  ::umask(usual_umask);
}

TEST_F(DeviceContactsBackupTest, BackupOfAnEmptyHandheldHasNoRecords) {
  EXPECT_EQ(Backup(), DeviceBackupResult::kDone);
  EXPECT_THAT(BackupNames(), IsEmpty());
  EXPECT_THAT(prompt_.Texts(), ElementsAre(std::string(kBackupTaken)));
}

TEST_F(DeviceContactsBackupTest, BackupWithoutHandheldOnlyAsksForIt) {
  ASSERT_TRUE(handheld::DetachHandheld());
  EXPECT_EQ(Backup(), DeviceBackupResult::kNoDevice);
  EXPECT_THAT(prompt_.Texts(), ElementsAre(std::string(kBackupNoDevice)));
  EXPECT_THAT(progress_.shown, IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(BackupFile()));
}

struct BackupFault {
  const char* name;
  const char* fault;
  const char* value;
  DeviceBackupResult result;
  std::string_view message;
};

class BackupFaultTest : public DeviceContactsBackupTest,
                        public ::testing::WithParamInterface<BackupFault> {};

TEST_P(BackupFaultTest, FailedBackupSaysSoAndKeepsThePreviousFile) {
  const BackupFault& fault = GetParam();
  WriteFileBytes(BackupFile(), "previous backup");
  ASSERT_TRUE(Store().Apply({false, std::nullopt, {MakeContact("Ann", "Lee")}}));
  registry::WriteDword(registry::Hive::kCurrentUser, device::kAppKey, "AgentTimeout", 1);
  options_.agent_timeout = ProgramBackupOptions().agent_timeout;
  SetFault(fault.fault, fault.value);

  EXPECT_EQ(Backup(), fault.result);

  EXPECT_EQ(ReadFileBytes(BackupFile()), "previous backup");
  EXPECT_THAT(prompt_.Texts(), ElementsAre(std::string(fault.message)));
  EXPECT_FALSE(progress_.open);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BackupFaultTest,
    ::testing::Values(BackupFault{"AgentMissing", "agent-missing", "",
                                  DeviceBackupResult::kAgentNotStarted, kBackupAgentNotStarted},
                      BackupFault{"AgentHangs", "agent-hangs", "",
                                  DeviceBackupResult::kAgentTimedOut, kBackupAgentTimedOut},
                      BackupFault{"UnpluggedDuringCopy", "unplug-after-bytes", "10",
                                  DeviceBackupResult::kCopyFailed, kBackupCopyFailed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeviceContactsBackupTest, RestorePutsTheBackedUpContactsBack) {
  ASSERT_TRUE(
      Store().Apply({false, std::nullopt, {MakeContact("Ann", "Lee"), MakeContact("Bo", "Ng")}}));
  ASSERT_EQ(Backup(), DeviceBackupResult::kDone);
  ASSERT_TRUE(Store().Apply({true, std::nullopt, {MakeContact("New", "Comer")}}));

  EXPECT_EQ(Restore(), DeviceBackupResult::kDone);

  EXPECT_THAT(StoredNames(), ElementsAre("Ann Lee", "Bo Ng"));
  EXPECT_THAT(prompt_.Texts(),
              ElementsAre(std::string(kBackupTaken), std::string(kBackupRestored)));
  EXPECT_THAT(progress_.shown,
              ElementsAre(std::string(kBackupProgress), std::string(kRestoreProgress)));
}

TEST_F(DeviceContactsBackupTest, RestoreWithoutBackupSaysSoEvenWithoutHandheld) {
  ASSERT_TRUE(handheld::DetachHandheld());
  EXPECT_EQ(Restore(), DeviceBackupResult::kNoBackup);
  EXPECT_THAT(prompt_.Texts(), ElementsAre(std::string(kRestoreNoBackup)));
}

TEST_F(DeviceContactsBackupTest, RestoreWithoutHandheldAsksForIt) {
  ASSERT_EQ(Backup(), DeviceBackupResult::kDone);
  ASSERT_TRUE(handheld::DetachHandheld());
  EXPECT_EQ(Restore(), DeviceBackupResult::kNoDevice);
  EXPECT_EQ(prompt_.Texts().back(), kRestoreNoDevice);
}

class RestoreFaultTest : public DeviceContactsBackupTest,
                         public ::testing::WithParamInterface<BackupFault> {};

TEST_P(RestoreFaultTest, FailedRestoreSaysWhatFailed) {
  const BackupFault& fault = GetParam();
  ASSERT_TRUE(Store().Apply({false, std::nullopt, {MakeContact("Ann", "Lee")}}));
  ASSERT_EQ(Backup(), DeviceBackupResult::kDone);
  ASSERT_TRUE(Store().Apply({true, std::nullopt, {MakeContact("Stay", "Put")}}));
  registry::WriteDword(registry::Hive::kCurrentUser, device::kAppKey, "AgentTimeout", 1);
  options_.agent_timeout = ProgramBackupOptions().agent_timeout;
  SetFault(fault.fault, fault.value);

  EXPECT_EQ(Restore(), fault.result);

  EXPECT_EQ(prompt_.Texts().back(), fault.message);
  EXPECT_NE(prompt_.Texts().back(), kBackupRestored);
  EXPECT_FALSE(progress_.open);
  if (fault.result != DeviceBackupResult::kAgentTimedOut) {
    EXPECT_THAT(StoredNames(), ElementsAre("Stay Put"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RestoreFaultTest,
    ::testing::Values(BackupFault{"DiskFull", "disk-full", "", DeviceBackupResult::kCopyFailed,
                                  kRestoreCopyFailed},
                      BackupFault{"AgentMissing", "agent-missing", "",
                                  DeviceBackupResult::kAgentNotStarted, kRestoreAgentNotStarted},
                      BackupFault{"AgentHangs", "agent-hangs", "",
                                  DeviceBackupResult::kAgentTimedOut, kRestoreAgentTimedOut}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::desktop

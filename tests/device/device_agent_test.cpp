// The agent round trip end to end: the device link writes the request, starts the emulated
// handheld's agent and waits for its flag; the agent works on the handheld's contacts.
#include "device/device_agent.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "device/desktop_settings.h"
#include "device/device_files.h"
#include "device/rapi_abi.h"
#include "handheld/store/contact_store.h"
#include "handheld/store/device_registry.h"
#include "handheld/store/link_state.h"
#include "platform/registry/registry.h"
#include "tests/device/emulated_handheld.h"
#include "tests/device/recording_report.h"
#include "transfer/category_list.h"
#include "transfer/device_backup.h"
#include "transfer/pim_reader.h"

namespace velmora::device {
namespace {

using handheld::Contact;
using testing::EmulatedHandheld;
using testing::ReadFileBytes;
using testing::RecordingReport;
using testing::WriteFileBytes;

constexpr std::chrono::milliseconds kTimeout{20000};

Contact MakeContact(const std::string& first, const std::string& last,
                    const std::string& categories = "") {
  Contact contact;
  contact.fields[1] = first;
  contact.fields[3] = last;
  contact.fields[39] = categories;
  return contact;
}

std::vector<std::string> Names(const std::vector<Contact>& contacts) {
  std::vector<std::string> names;
  for (const auto& contact : contacts) {
    names.push_back(contact.fields[1] + " " + contact.fields[3] + "/" + contact.fields[39]);
  }
  return names;
}

std::vector<std::vector<std::string>> Records(const std::vector<Contact>& contacts) {
  std::vector<std::vector<std::string>> records;
  for (const auto& contact : contacts)
    records.emplace_back(contact.fields.begin(), contact.fields.end());
  return records;
}

std::vector<std::string> FieldNames() {
  const auto& names = handheld::ContactFieldNames();
  return {names.begin(), names.end()};
}

class DeviceAgentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(handheld_.created());
    ASSERT_TRUE(StartDeviceConnection(rapi_));
  }
  void TearDown() override { EndDeviceConnection(rapi_); }

  handheld::ContactStore& Store() {
    if (!store_) store_ = handheld::ContactStore::Open(handheld_.folder(), false);
    return *store_;
  }
  std::vector<std::string> StoredNames() { return Names(*Store().All()); }
  handheld::LinkState& Link() {
    if (!link_) link_ = handheld::LinkState::Open(handheld_.folder(), false);
    return *link_;
  }
  std::uint32_t DeviceFlag(const char* name) {
    auto registry = handheld::DeviceRegistry::Open(handheld_.folder(), false);
    return registry->ReadDword(handheld::DeviceRoot::kClassesRoot, kAgentKey, name).value_or(99);
  }

  // Leaves `contacts` on the device as "test.pdb" and the category line, as the conduit does.
  void SendPdb(const std::vector<Contact>& contacts, const std::string& category_line) {
    const auto pdb = handheld_.desktop("send.pdb");
    ASSERT_TRUE(transfer::WriteDeviceBackupPdb(pdb, FieldNames(), Records(contacts)));
    ASSERT_TRUE(CopyFileToDevice(rapi_, pdb, "\\My Documents\\Contact\\test.pdb", report_));
    if (!category_line.empty()) {
      const auto line = handheld_.desktop("category.css");
      WriteFileBytes(
          line, transfer::EncodeCategoryLine({category_line[0] - '0', category_line.substr(2)}));
      ASSERT_TRUE(CopyFileToDevice(rapi_, line, "\\My Documents\\Contact\\category.css", report_));
    }
  }

  std::vector<std::vector<std::string>> FetchExport() {
    const auto local = handheld_.desktop("Contact1.pim");
    EXPECT_TRUE(CopyFileFromDevice(rapi_, "\\My Documents\\Contact\\Contact1.pim", local, report_));
    std::vector<std::vector<std::string>> rows;
    for (long r = 1; r <= transfer::ReadPimRecordCount(local); ++r) {
      transfer::PimPositionSlots slots;
      transfer::ReadPimRecordByPosition(local, r, slots);
      rows.emplace_back(slots.begin(), slots.end());
    }
    return rows;
  }

  AgentRun Run(std::uint32_t code) { return RunDeviceAgent(rapi_, code, kTimeout, channel_); }

  EmulatedHandheld handheld_;
  RapiLibrary rapi_{EmulatedHandheld::LibraryPath()};
  AgentChannel channel_{EmulatedHandheld::LibraryPath(), kDefaultConnectWait};
  RecordingReport report_;
  std::unique_ptr<handheld::ContactStore> store_;
  std::unique_ptr<handheld::LinkState> link_;
};

TEST_F(DeviceAgentTest, AddTakesInTheFileAndTagsTheCategory) {
  ASSERT_TRUE(Store().Apply({false, std::nullopt, {MakeContact("Old", "One")}}));
  SendPdb({MakeContact("Bob", "Smith"), MakeContact("Carla", "Ng", "Personal")}, "1:Business");

  EXPECT_EQ(Run(kAgentAdd), AgentRun::kFinished);

  EXPECT_THAT(StoredNames(), ::testing::ElementsAre("Old One/", "Bob Smith/Business",
                                                    "Carla Ng/Personal, Business"));
  EXPECT_EQ(DeviceFlag("Flag"), 0u);
  EXPECT_EQ(DeviceFlag("SyncFlag"), 0u);
}

TEST_F(DeviceAgentTest, OverwriteRemovesOnlyTheCategoryItTakesIn) {
  ASSERT_TRUE(Store().Apply(
      {false,
       std::nullopt,
       {MakeContact("Keep", "Me", "Personal"), MakeContact("Drop", "Me", "business, Personal")}}));
  SendPdb({MakeContact("New", "One")}, "1:Business");

  EXPECT_EQ(Run(kAgentOverwrite), AgentRun::kFinished);

  EXPECT_THAT(StoredNames(), ::testing::ElementsAre("Keep Me/Personal", "New One/Business"));
}

TEST_F(DeviceAgentTest, OverwriteWithoutACategoryReplacesEveryContact) {
  ASSERT_TRUE(Store().Apply({false, std::nullopt, {MakeContact("A", "B", "Personal")}}));
  SendPdb({MakeContact("New", "One")}, "0:");
  EXPECT_EQ(Run(kAgentOverwrite), AgentRun::kFinished);
  EXPECT_THAT(StoredNames(), ::testing::ElementsAre("New One/"));
}

TEST_F(DeviceAgentTest, ExportAndBackupWriteEveryContactInOrder) {
  Contact dated = MakeContact("Bob", "Smith");
  dated.fields[44] = "2008-01-01";
  ASSERT_TRUE(Store().Apply({false, std::nullopt, {dated, MakeContact("Carla", "Ng")}}));
  for (const std::uint32_t code : {kAgentExport, kAgentBackup}) {
    EXPECT_EQ(Run(code), AgentRun::kFinished);
    const auto rows = FetchExport();
    ASSERT_EQ(rows.size(), 2u) << code;
    EXPECT_EQ(rows[0][1], "Bob");
    EXPECT_EQ(rows[0][44], "1/1/2008");
    EXPECT_EQ(rows[1][3], "Ng");
    EXPECT_EQ(rows[1][44], " ");  // no date
    ASSERT_TRUE(DeleteDeviceFile(rapi_, "\\My Documents\\Contact\\Contact1.pim"));
  }
}

TEST_F(DeviceAgentTest, AValueTheExportCannotHoldWholeIsLogged) {
  Contact long_note = MakeContact("Long", "Note");
  long_note.fields[40] = std::string(20000, 'x');
  ASSERT_TRUE(Store().Apply({false, std::nullopt, {MakeContact("Short", "One"), long_note}}));
  EXPECT_EQ(Run(kAgentExport), AgentRun::kFinished);
  const std::string log = ReadFileBytes(handheld_.device_file("Windows/Sorrelin.log"));
  EXPECT_THAT(log, ::testing::HasSubstr("value cut: record 2, field 41: 16382 of 20000"));
}

TEST_F(DeviceAgentTest, RestoreReplacesEveryContactByTheBackup) {
  ASSERT_TRUE(Store().Apply({false, std::nullopt, {MakeContact("Gone", "Soon")}}));
  SendPdb({MakeContact("Back", "Again", "Business"), MakeContact("Second", "Row")}, "");
  EXPECT_EQ(Run(kAgentRestore), AgentRun::kFinished);
  EXPECT_THAT(StoredNames(), ::testing::ElementsAre("Back Again/Business", "Second Row/"));
}

TEST_F(DeviceAgentTest, DamagedFileLeavesTheStoreUnchangedAndIsLogged) {
  ASSERT_TRUE(Store().Apply({false, std::nullopt, {MakeContact("Stay", "Put")}}));
  SendPdb({MakeContact("Bob", "Smith"), MakeContact("Carla", "Ng")}, "0:");
  const auto device_pdb = handheld_.device_file("My Documents/Contact/test.pdb");
  const std::string whole = ReadFileBytes(device_pdb);
  WriteFileBytes(device_pdb, whole.substr(0, whole.size() - 40));

  for (const std::uint32_t code : {kAgentAdd, kAgentOverwrite, kAgentRestore}) {
    EXPECT_EQ(Run(code), AgentRun::kFailed) << code;  // reported beside the flag
    EXPECT_THAT(StoredNames(), ::testing::ElementsAre("Stay Put/")) << code;
    EXPECT_EQ(DeviceFlag("Flag"), 0u);
  }
  const std::string log = ReadFileBytes(handheld_.device_file("Windows/Sorrelin.log"));
  EXPECT_THAT(log, ::testing::HasSubstr("test.pdb is damaged"));
  EXPECT_THAT(log, ::testing::HasSubstr("the contacts are unchanged"));
}

TEST_F(DeviceAgentTest, AReportedFailureIsNotTakenForSuccessAndAnUnreportedOutcomeIs) {
  // A damaged contacts store: the agent cannot carry out any request.
  WriteFileBytes(handheld::ContactsFile(handheld_.folder()), std::string(4096, 'x'));
  for (const std::uint32_t code : {kAgentExport, kAgentBackup, kAgentAdd}) {
    EXPECT_EQ(Run(code), AgentRun::kFailed) << code;
  }
  // An agent that knows nothing of the outcome leaves the value the desktop wrote: finished, as
  // the flag alone says.
  ASSERT_TRUE(WriteAgentOutcome(kAgentOutcomeUnknown, channel_));
  ASSERT_TRUE(WriteAgentDoneFlag(1, channel_));
  EXPECT_EQ(WaitForAgent(kTimeout, channel_), AgentWait::kFinished);
  EXPECT_EQ(ReadAgentOutcome(channel_), kAgentOutcomeUnknown);
}

TEST_F(DeviceAgentTest, AHandheldThatGoesAwayEndsTheWaitAtOnce) {
  std::string error;
  ASSERT_TRUE(Link().SetFault("agent-hangs", "", &error));
  std::thread unplug([&] {
    // As the link drops when the cable is pulled while the agent works.
    for (int i = 0; i < 2000 && DeviceFlag("SyncFlag") != kAgentExport; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    handheld::DetachHandheld();
  });
  const auto start = std::chrono::steady_clock::now();
  const AgentRun run = RunDeviceAgent(rapi_, kAgentExport, kTimeout, channel_);
  const auto took = std::chrono::steady_clock::now() - start;
  unplug.join();
  EXPECT_EQ(run, AgentRun::kDisconnected);
  EXPECT_LT(took, kTimeout / 4) << "the wait went on after the link dropped";
}

// The wait looks at the flag again when the agent ends, not a poll interval later; an agent that
// ends without its flag is still waited for until the time-out.
TEST_F(DeviceAgentTest, TheWaitLooksAgainWhenTheAgentEnds) {
  constexpr std::chrono::seconds kLongPoll{30};
  struct Case {
    bool hangs;
    std::chrono::milliseconds timeout;
    AgentWait expected;
  };
  for (const Case& c : {Case{false, std::chrono::seconds(60), AgentWait::kFinished},
                        Case{true, std::chrono::milliseconds(300), AgentWait::kTimedOut}}) {
    std::string error;
    ASSERT_TRUE(c.hangs ? Link().SetFault("agent-hangs", "", &error) : Link().ClearFaults());
    ASSERT_TRUE(WriteAgentRequest(kAgentExport, channel_));
    const auto start = std::chrono::steady_clock::now();
    const DeviceProcess agent = StartDeviceAgent(rapi_);
    ASSERT_TRUE(agent);
    EXPECT_EQ(WaitForAgent(c.timeout, channel_, kLongPoll, &agent), c.expected) << c.hangs;
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, kLongPoll / 2) << c.hangs;
    if (c.hangs) {
      EXPECT_GE(took, c.timeout);
    }
  }
}

TEST_F(DeviceAgentTest, MissingAgentIsNotWaitedFor) {
  std::string error;
  ASSERT_TRUE(Link().SetFault("agent-missing", "", &error));
  EXPECT_EQ(Run(kAgentExport), AgentRun::kNotStarted);
  EXPECT_EQ(DeviceFlag("Flag"), 0u);
  EXPECT_EQ(DeviceFlag("SyncFlag"), 0u);
}

TEST(DeviceAgentInstall, HandheldWithoutTheAgentCannotStartIt) {
  EmulatedHandheld handheld("Ann Lee", /*agent=*/false);
  const RapiLibrary rapi(EmulatedHandheld::LibraryPath());
  ASSERT_TRUE(StartDeviceConnection(rapi));
  EXPECT_FALSE(StartDeviceAgent(rapi));
  EXPECT_EQ(rapi.Lookup<CeGetLastErrorFn>("CeGetLastError")(), 2u);
  EndDeviceConnection(rapi);
}

TEST_F(DeviceAgentTest, HangingAgentTimesOutAndTheFlagsAreReset) {
  std::string error;
  ASSERT_TRUE(Link().SetFault("agent-hangs", "", &error));
  registry::WriteDword(registry::Hive::kCurrentUser, kAppKey, "AgentTimeout", 1);

  EXPECT_EQ(RunDeviceAgent(rapi_, kAgentExport, ReadAgentTimeout(), channel_), AgentRun::kTimedOut);

  EXPECT_EQ(DeviceFlag("Flag"), 0u);
  EXPECT_EQ(DeviceFlag("SyncFlag"), 0u);
  EXPECT_FALSE(std::filesystem::exists(handheld_.device_file("My Documents/Contact/Contact1.pim")));
}

TEST_F(DeviceAgentTest, ExportFileFaultDeliversTheFileVerbatim) {
  const std::string foreign = "\x02\x00not written by this project";
  WriteFileBytes(handheld_.desktop("foreign.pim"), foreign);
  std::string error;
  ASSERT_TRUE(Link().SetFault("export-file", handheld_.desktop("foreign.pim").string(), &error));
  for (const std::uint32_t code : {kAgentExport, kAgentBackup}) {
    ASSERT_EQ(Run(code), AgentRun::kFinished);
    EXPECT_EQ(ReadFileBytes(handheld_.device_file("My Documents/Contact/Contact1.pim")), foreign);
  }
}

TEST_F(DeviceAgentTest, DiskFullFailsEveryWrite) {
  std::string error;
  ASSERT_TRUE(Link().SetFault("disk-full", "", &error));
  WriteFileBytes(handheld_.desktop("a.pdb"), std::string(10, 'x'));
  EXPECT_FALSE(CopyFileToDevice(rapi_, handheld_.desktop("a.pdb"),
                                "\\My Documents\\Contact\\test.pdb", report_));
  EXPECT_THAT(report_.log, ::testing::ElementsAre("pCeWriteFile3 Bytes to write = 10"));
  EXPECT_EQ(rapi_.Lookup<CeGetLastErrorFn>("CeGetLastError")(), 112u);
  EXPECT_FALSE(CopyFileToDeviceInOnePiece(rapi_, handheld_.desktop("a.pdb"), "\\x.pdb"));
}

TEST_F(DeviceAgentTest, UnpluggedLinkFailsTheCopyAndEveryLaterCall) {
  std::string error;
  ASSERT_TRUE(Link().SetFault("unplug-after-bytes", "1500000", &error));
  WriteFileBytes(handheld_.desktop("big.pdb"), std::string(2'500'000, 'x'));

  EXPECT_FALSE(CopyFileToDevice(rapi_, handheld_.desktop("big.pdb"),
                                "\\My Documents\\Contact\\test.pdb", report_));

  EXPECT_THAT(report_.log, ::testing::ElementsAre("pCeWriteFile1 Bytes to write = 1000000",
                                                  "pCeWriteFile2 Bytes to write = 500000"));
  EXPECT_EQ(Link().BytesCrossed(), 1'500'000u);
  EXPECT_EQ(ReadDeviceOwnerName(rapi_), "");
  EXPECT_FALSE(RestartDeviceConnection(rapi_, std::chrono::milliseconds(100)));
  channel_.connect_wait = std::chrono::milliseconds(100);
  EXPECT_EQ(Run(kAgentExport), AgentRun::kNotStarted);
  channel_.connect_wait = kDefaultConnectWait;

  ASSERT_TRUE(Link().ClearFaults());
  EXPECT_TRUE(RestartDeviceConnection(rapi_));
  EXPECT_EQ(ReadDeviceOwnerName(rapi_), "Ann Lee");
}

}  // namespace
}  // namespace velmora::device

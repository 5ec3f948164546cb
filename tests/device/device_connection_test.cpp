// Connecting, the owner name, a missing library and a missing handheld, and the desktop
// registry values, through the real dlopen path against the emulated handheld.
#include "device/device_connection.h"

#include <gtest/gtest.h>

#include "device/desktop_settings.h"
#include "device/device_agent.h"
#include "device/device_files.h"
#include "handheld/store/device_registry.h"
#include "platform/registry/registry.h"
#include "tests/device/emulated_handheld.h"
#include "tests/device/recording_report.h"

namespace velmora::device {
namespace {

using testing::EmulatedHandheld;
using testing::RecordingReport;
using testing::WriteFileBytes;

constexpr std::chrono::milliseconds kShortWait{100};

TEST(DeviceConnection, ConnectsToTheAttachedHandheldAndReadsItsOwner) {
  EmulatedHandheld handheld("Ann Lee");
  const RapiLibrary rapi(EmulatedHandheld::LibraryPath());
  EXPECT_TRUE(StartDeviceConnection(rapi));
  EXPECT_EQ(ReadDeviceOwnerName(rapi), "Ann Lee");
  EXPECT_TRUE(RestartDeviceConnection(rapi));
  EXPECT_EQ(ReadDeviceOwnerName(rapi), "Ann Lee");
  EXPECT_TRUE(EndDeviceConnection(rapi));
  EXPECT_EQ(ReadDeviceOwnerName(rapi), "");  // no connection, no answer
}

TEST(DeviceConnection, WithoutALibraryEveryOperationFails) {
  EmulatedHandheld handheld;
  const RapiLibrary rapi("/nonexistent/librapi.so");
  RecordingReport report;
  WriteFileBytes(handheld.desktop("a.pdb"), "abc");
  const AgentChannel channel{"/nonexistent/librapi.so", kShortWait};

  EXPECT_FALSE(rapi.Loaded());
  EXPECT_FALSE(rapi.LoadError().empty());
  EXPECT_FALSE(StartDeviceConnection(rapi));
  EXPECT_FALSE(EndDeviceConnection(rapi));
  EXPECT_EQ(ReadDeviceOwnerName(rapi), "");
  EXPECT_FALSE(CopyFileToDevice(rapi, handheld.desktop("a.pdb"), "\\a.pdb", report));
  EXPECT_FALSE(CopyFileFromDevice(rapi, "\\a.pdb", handheld.desktop("b.pdb"), report));
  EXPECT_FALSE(CopyFileToDeviceInOnePiece(rapi, handheld.desktop("a.pdb"), "\\a.pdb"));
  EXPECT_FALSE(DeleteDeviceFile(rapi, "\\a.pdb"));
  EXPECT_FALSE(CreateDeviceDirectory(rapi, "\\x"));
  EXPECT_FALSE(StartDeviceAgent(rapi));
  EXPECT_EQ(ReadAgentDoneFlag(channel), 0u);
  EXPECT_FALSE(WriteAgentDoneFlag(0, channel));
  EXPECT_FALSE(WriteAgentRequest(3, channel));
  EXPECT_TRUE(report.log.empty());
}

TEST(DeviceConnection, WithNoHandheldAttachedNothingAnswers) {
  EmulatedHandheld handheld("Ann Lee", /*agent=*/true, /*attach=*/false);
  const RapiLibrary rapi(EmulatedHandheld::LibraryPath());
  RecordingReport report;
  WriteFileBytes(handheld.desktop("a.pdb"), "abc");

  EXPECT_FALSE(StartDeviceConnection(rapi, kShortWait));
  EXPECT_EQ(ReadDeviceOwnerName(rapi), "");
  EXPECT_FALSE(CopyFileToDevice(rapi, handheld.desktop("a.pdb"), "\\a.pdb", report));
  EXPECT_EQ(report.log.back(), "The device is not connected.\r\n");
  EXPECT_TRUE(report.run_error);
  EXPECT_EQ(ReadAgentDoneFlag({EmulatedHandheld::LibraryPath(), kShortWait}), 1167u);
  EndDeviceConnection(rapi);
}

TEST(DeviceConnection, DetachingTheHandheldEndsItsAnswers) {
  EmulatedHandheld handheld("Ann Lee");
  const RapiLibrary rapi(EmulatedHandheld::LibraryPath());
  ASSERT_TRUE(StartDeviceConnection(rapi));
  handheld::DetachHandheld();
  EXPECT_EQ(ReadDeviceOwnerName(rapi), "");
  handheld::AttachHandheld(handheld.folder());
  EXPECT_EQ(ReadDeviceOwnerName(rapi), "Ann Lee");
  EndDeviceConnection(rapi);
}

struct OwnerCase {
  const char* stored;
  const char* read;
};

class OwnerNameCut : public ::testing::TestWithParam<OwnerCase> {};

TEST_P(OwnerNameCut, KeepsAtMost34BytesAndNeverHalfACharacter) {
  EmulatedHandheld handheld("placeholder");
  auto registry = handheld::DeviceRegistry::Open(handheld.folder(), false);
  ASSERT_TRUE(registry->WriteString(handheld::DeviceRoot::kLocalMachine, "Ident", "Name",
                                    GetParam().stored));
  const RapiLibrary rapi(EmulatedHandheld::LibraryPath());
  ASSERT_TRUE(StartDeviceConnection(rapi));
  EXPECT_EQ(ReadDeviceOwnerName(rapi), GetParam().read);
  EndDeviceConnection(rapi);
}

INSTANTIATE_TEST_SUITE_P(
    Names, OwnerNameCut,
    ::testing::Values(
        OwnerCase{"", ""}, OwnerCase{"Zoë Ångström", "Zoë Ångström"},
        // 34 ASCII bytes fit; the 35th goes.
        OwnerCase{"abcdefghijklmnopqrstuvwxyz01234567", "abcdefghijklmnopqrstuvwxyz01234567"},
        OwnerCase{"abcdefghijklmnopqrstuvwxyz012345678", "abcdefghijklmnopqrstuvwxyz01234567"},
        // A two-byte letter at bytes 34-35 would be cut in half: it goes whole.
        OwnerCase{"abcdefghijklmnopqrstuvwxyz0123456é", "abcdefghijklmnopqrstuvwxyz0123456"},
        // Eight four-byte characters fill 32 bytes; the ninth does not fit.
        OwnerCase{"😀😀😀😀😀😀😀😀😀", "😀😀😀😀😀😀😀😀"},
        OwnerCase{"日本語の名前です日本語の名前です", "日本語の名前です日本語"}));

TEST(DesktopSettings, AutoSyncIsOnOnlyForOne) {
  EmulatedHandheld handheld;
  EXPECT_FALSE(ReadAutoSync());  // missing
  for (const auto& [stored, on] : {std::pair{1u, true}, {0u, false}, {2u, false}}) {
    registry::WriteDword(registry::Hive::kCurrentUser, kSyncOptionKey, "AutoSync", stored);
    EXPECT_EQ(ReadAutoSync(), on) << stored;
  }
  EXPECT_TRUE(WriteAutoSync(true));
  EXPECT_EQ(registry::ReadDword(registry::Hive::kCurrentUser, kSyncOptionKey, "AutoSync"), 1u);
  EXPECT_TRUE(WriteAutoSync(false));
  EXPECT_EQ(registry::ReadDword(registry::Hive::kCurrentUser, kSyncOptionKey, "AutoSync"), 0u);
}

TEST(DesktopSettings, AppPathAndAgentTimeout) {
  EmulatedHandheld handheld;
  EXPECT_EQ(ReadAppPath(), "");
  EXPECT_EQ(ReadAgentTimeout(), std::chrono::milliseconds(120000));
  registry::WriteString(registry::Hive::kCurrentUser, kAppKey, "AppPath", "/opt/Velmora");
  registry::WriteDword(registry::Hive::kCurrentUser, kAppKey, "AgentTimeout", 7);
  EXPECT_EQ(ReadAppPath(), "/opt/Velmora");
  EXPECT_EQ(ReadAgentTimeout(), std::chrono::milliseconds(7000));
  registry::WriteDword(registry::Hive::kCurrentUser, kAppKey, "AgentTimeout", 0);
  EXPECT_EQ(ReadAgentTimeout(), std::chrono::milliseconds(120000));
}

TEST(RapiLibraryName, PrefersTheEnvironmentThenTheEmulatorBesideTheProgram) {
  ::setenv("VELMORA_RAPI", "/some/where/librapi.so", 1);
  EXPECT_EQ(RapiLibraryName(), "/some/where/librapi.so");
  ::unsetenv("VELMORA_RAPI");
  // Test programs live in build/tests, the emulator in build/lib.
  EXPECT_EQ(std::filesystem::path(RapiLibraryName()),
            std::filesystem::path(EmulatedHandheld::LibraryPath()).lexically_normal());
}

}  // namespace
}  // namespace velmora::device

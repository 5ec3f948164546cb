// File copies, deletes and folders through the real dlopen path against the emulated handheld.
#include "device/device_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/device_connection.h"
#include "tests/device/emulated_handheld.h"
#include "tests/device/recording_report.h"

namespace velmora::device {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::EmulatedHandheld;
using testing::ReadFileBytes;
using testing::RecordingReport;
using testing::WriteFileBytes;

constexpr const char* kDevicePdb = "\\My Documents\\Contact\\test.pdb";

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

class DeviceFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(handheld_.created());
    ASSERT_TRUE(rapi_.Loaded()) << rapi_.LoadError();
    ASSERT_TRUE(StartDeviceConnection(rapi_));
    handheld_.TakeTrace("");
  }
  void TearDown() override { EndDeviceConnection(rapi_); }

  EmulatedHandheld handheld_;
  RapiLibrary rapi_{EmulatedHandheld::LibraryPath()};
  RecordingReport report_;
};

struct ChunkCase {
  std::size_t size;
  std::vector<std::string> calls;
};

class ConduitCopyChunks : public DeviceFilesTest,
                          public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(ConduitCopyChunks, ToDeviceMovesAtMostOneMillionBytesPerWrite) {
  const auto& param = GetParam();
  const std::string bytes = Pattern(param.size);
  WriteFileBytes(handheld_.desktop("send.pdb"), bytes);

  EXPECT_TRUE(CopyFileToDevice(rapi_, handheld_.desktop("send.pdb"), kDevicePdb, report_));

  std::vector<std::string> expected;
  for (const auto& call : param.calls) expected.push_back("CeWriteFile " + call);
  EXPECT_THAT(handheld_.TakeTrace("CeWriteFile"), ElementsAreArray(expected));
  EXPECT_EQ(ReadFileBytes(handheld_.device_file("My Documents/Contact/test.pdb")), bytes);
  EXPECT_TRUE(report_.log.empty());
}

TEST_P(ConduitCopyChunks, FromDeviceMovesAtMostOneMillionBytesPerRead) {
  const auto& param = GetParam();
  const std::string bytes = Pattern(param.size);
  WriteFileBytes(handheld_.device_file("My Documents/Contact/Contact1.pim"), bytes);

  EXPECT_TRUE(CopyFileFromDevice(rapi_, "\\My Documents\\Contact\\Contact1.pim",
                                 handheld_.desktop("Contact1.pim"), report_));

  std::vector<std::string> expected;
  for (const auto& call : param.calls) expected.push_back("CeReadFile " + call);
  EXPECT_THAT(handheld_.TakeTrace("CeReadFile"), ElementsAreArray(expected));
  EXPECT_EQ(ReadFileBytes(handheld_.desktop("Contact1.pim")), bytes);
  EXPECT_TRUE(report_.log.empty());
}

INSTANTIATE_TEST_SUITE_P(ChunkEdges, ConduitCopyChunks,
                         ::testing::Values(ChunkCase{0, {"0"}}, ChunkCase{1, {"1"}},
                                           ChunkCase{1'000'000, {"1000000"}},
                                           ChunkCase{1'000'001, {"1000000", "1"}},
                                           ChunkCase{2'500'000, {"1000000", "1000000", "500000"}}));

TEST_F(DeviceFilesTest, DesktopManagerCopiesInOnePiece) {
  const std::string bytes = Pattern(2'500'000);
  WriteFileBytes(handheld_.desktop("backup.pdb"), bytes);

  EXPECT_TRUE(CopyFileToDeviceInOnePiece(rapi_, handheld_.desktop("backup.pdb"), kDevicePdb));
  EXPECT_TRUE(CopyFileFromDeviceInOnePiece(rapi_, kDevicePdb, handheld_.desktop("back.pdb")));

  EXPECT_THAT(handheld_.TakeTrace("CeWriteFile"), ElementsAre("CeWriteFile 2500000"));
  EXPECT_EQ(ReadFileBytes(handheld_.desktop("back.pdb")), bytes);
}

TEST_F(DeviceFilesTest, DevicePathsIgnoreCase) {
  WriteFileBytes(handheld_.desktop("a.pdb"), "abc");
  ASSERT_TRUE(CopyFileToDevice(rapi_, handheld_.desktop("a.pdb"),
                               "\\MY DOCUMENTS\\contact\\TEST.pdb", report_));
  EXPECT_TRUE(CopyFileFromDevice(rapi_, "\\my documents\\CONTACT\\test.PDB",
                                 handheld_.desktop("b.pdb"), report_));
  EXPECT_EQ(ReadFileBytes(handheld_.desktop("b.pdb")), "abc");
  // The second copy replaced the first file instead of adding one beside it.
  EXPECT_TRUE(CopyFileToDevice(rapi_, handheld_.desktop("a.pdb"),
                               "\\My Documents\\Contact\\test.pdb", report_));
  int files = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator(handheld_.device_file("My Documents/Contact"))) {
    ++files;
  }
  EXPECT_EQ(files, 1);
}

struct DeviceErrorCase {
  const char* name;
  const char* device_path;
  bool to_device;
  const char* log_line;
  const char* system_text;
};

class DeviceFileErrors : public DeviceFilesTest,
                         public ::testing::WithParamInterface<DeviceErrorCase> {};

TEST_P(DeviceFileErrors, AreShownLoggedAndFailTheRun) {
  const auto& param = GetParam();
  WriteFileBytes(handheld_.desktop("a.pdb"), "abc");
  const bool ok =
      param.to_device
          ? CopyFileToDevice(rapi_, handheld_.desktop("a.pdb"), param.device_path, report_)
          : CopyFileFromDevice(rapi_, param.device_path, handheld_.desktop("b.pdb"), report_);
  EXPECT_FALSE(ok);
  EXPECT_THAT(report_.log, ElementsAre(param.log_line, param.system_text));
  EXPECT_THAT(report_.boxes, ElementsAre(std::string("Error|") + param.system_text));
  EXPECT_TRUE(report_.run_error);
  EXPECT_FALSE(std::filesystem::exists(handheld_.desktop("b.pdb")));
}

INSTANTIATE_TEST_SUITE_P(
    Errors, DeviceFileErrors,
    ::testing::Values(
        DeviceErrorCase{"MissingDeviceFolder", "\\No Folder\\test.pdb", true,
                        "\r\nCreate file Error", "The system cannot find the path specified.\r\n"},
        DeviceErrorCase{"FolderAsFile", "\\My Documents", true, "\r\nCreate file Error",
                        "Access is denied.\r\n"},
        DeviceErrorCase{"EscapingPath", "\\My Documents\\..\\..\\outside.pdb", true,
                        "\r\nCreate file Error",
                        "The filename, directory name, or volume label syntax is incorrect.\r\n"},
        DeviceErrorCase{"MissingDeviceFile", "\\My Documents\\Contact\\Contact1.pim", false,
                        "\r\nOpen file Error", "The system cannot find the file specified.\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeviceFilesTest, DesktopSideFailuresAreLoggedWithTheirPath) {
  const auto missing = handheld_.desktop("missing.pdb");
  EXPECT_FALSE(CopyFileToDevice(rapi_, missing, kDevicePdb, report_));
  WriteFileBytes(handheld_.device_file("My Documents/Contact/Contact1.pim"), "pim");
  const auto unwritable = handheld_.desktop("no-folder") / "Contact1.pim";
  EXPECT_FALSE(
      CopyFileFromDevice(rapi_, "\\My Documents\\Contact\\Contact1.pim", unwritable, report_));
  EXPECT_THAT(
      report_.log,
      ElementsAre("Unable to open the pdb to b copied to device Path = " + missing.string(),
                  "Unable to Create the pdb on desktop side,  Path = " + unwritable.string()));
}

TEST_F(DeviceFilesTest, OverlongDevicePathIsRefusedBeforeTheDevice) {
  WriteFileBytes(handheld_.desktop("a.pdb"), "abc");
  const std::string path = "\\" + std::string(259, 'x');
  EXPECT_FALSE(CopyFileToDevice(rapi_, handheld_.desktop("a.pdb"), path, report_));
  EXPECT_FALSE(DeleteDeviceFile(rapi_, path));
  EXPECT_FALSE(CreateDeviceDirectory(rapi_, path));
  EXPECT_TRUE(handheld_.TakeTrace("CeCreateFile").empty());
  EXPECT_TRUE(handheld_.TakeTrace("CeDeleteFile").empty());
  EXPECT_THAT(report_.log,
              ElementsAre("\r\nCreate file Error", "The filename or extension is too long.\r\n"));
}

TEST_F(DeviceFilesTest, FoldersAndDeletesReportWhatTheDeviceDid) {
  EXPECT_TRUE(CreateDeviceDirectory(rapi_, "\\Backup"));
  EXPECT_FALSE(CreateDeviceDirectory(rapi_, "\\BACKUP"));  // already there
  EXPECT_FALSE(CreateDeviceDirectory(rapi_, "\\Missing\\Inner"));
  WriteFileBytes(handheld_.device_file("My Documents/Contact/category.css"), "0:");
  EXPECT_TRUE(DeleteDeviceFile(rapi_, "\\My Documents\\Contact\\Category.css"));
  EXPECT_FALSE(DeleteDeviceFile(rapi_, "\\My Documents\\Contact\\category.css"));
  EXPECT_FALSE(DeleteDeviceFile(rapi_, "\\My Documents"));

  EXPECT_TRUE(CreateDesktopFolder(handheld_.desktop("Backup")));
  EXPECT_TRUE(CreateDesktopFolder(handheld_.desktop("Backup")));  // existing is no error
  EXPECT_FALSE(CreateDesktopFolder(handheld_.desktop("a") / "b"));
}

TEST_F(DeviceFilesTest, LinksOutOfTheHandheldAreNeverFollowed) {
  // A folder of the device, or one file in it, is a link to a folder elsewhere.
  const auto outside = handheld_.desktop("elsewhere");
  std::filesystem::create_directories(outside);
  for (const char* leaf : {"test.pdb", "category.css", "Contact1.pim", "one.pdb"}) {
    WriteFileBytes(outside / leaf, std::string("outside ") + leaf);
  }
  WriteFileBytes(handheld_.desktop("new.pdb"), "new");
  std::filesystem::create_directory_symlink(outside, handheld_.device_file("My Documents/Linked"));
  std::filesystem::create_symlink(outside / "one.pdb",
                                  handheld_.device_file("My Documents/Contact/one.pdb"));

  for (const char* device :
       {"\\My Documents\\Linked\\test.pdb", "\\My Documents\\Linked\\category.css",
        "\\My Documents\\Linked\\Contact1.pim", "\\My Documents\\Contact\\one.pdb"}) {
    EXPECT_FALSE(DeleteDeviceFile(rapi_, device)) << device;
    EXPECT_FALSE(CopyFileToDevice(rapi_, handheld_.desktop("new.pdb"), device, report_)) << device;
    EXPECT_FALSE(CopyFileToDeviceInOnePiece(rapi_, handheld_.desktop("new.pdb"), device));
    EXPECT_FALSE(CopyFileFromDevice(rapi_, device, handheld_.desktop("got"), report_)) << device;
  }
  EXPECT_FALSE(CreateDeviceDirectory(rapi_, "\\My Documents\\Linked\\Inner"));
  for (const char* leaf : {"test.pdb", "category.css", "Contact1.pim", "one.pdb"}) {
    EXPECT_EQ(ReadFileBytes(outside / leaf), std::string("outside ") + leaf) << leaf;
  }
  EXPECT_FALSE(std::filesystem::exists(outside / "Inner"));
}

TEST_F(DeviceFilesTest, FailedCopyFromDeviceLeavesTheDesktopFileAlone) {
  WriteFileBytes(handheld_.desktop("Contact1.pim"), "old export");
  EXPECT_FALSE(CopyFileFromDevice(rapi_, "\\My Documents\\Contact\\Contact1.pim",
                                  handheld_.desktop("Contact1.pim"), report_));
  EXPECT_EQ(ReadFileBytes(handheld_.desktop("Contact1.pim")), "old export");
}

}  // namespace
}  // namespace velmora::device

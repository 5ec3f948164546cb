#include "conduit/conduit_log.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

namespace velmora::conduit {
namespace {

std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

TEST(ConduitLog, AppendsUtf16WithoutByteOrderMark) {
  testing::TempDir dir;
  const auto file = dir / "ContactConduitlog.log";
  AppendToConduitLog(file, "\r\nUser name : ");
  AppendToConduitLog(file, "Seán 😀");
  EXPECT_EQ(testing::ReadFileBytes(file), Utf16Le(u"\r\nUser name : Seán 😀"));
}

TEST(ConduitLog, NeverTruncatesWhatIsThere) {
  testing::TempDir dir;
  const auto file = dir / "ContactConduitlog.log";
  testing::WriteFileBytes(file, Utf16Le(u"earlier run"));
  ConduitLog log(file);
  log.Append("\r\nlater run");
  EXPECT_EQ(testing::ReadFileBytes(file), Utf16Le(u"earlier run\r\nlater run"));
}

TEST(ConduitLog, ALogCutInHalfAUnitIsRealignedBeforeTheNextEntry) {
  testing::TempDir dir;
  const auto file = dir / "ContactConduitlog.log";
  testing::WriteFileBytes(file, Utf16Le(u"cut") + "x");
  AppendToConduitLog(file, "\r\nnext run");
  const std::string bytes = testing::ReadFileBytes(file);
  ASSERT_EQ(bytes.size() % 2, 0u);
  EXPECT_EQ(bytes.substr(bytes.size() - 20), Utf16Le(u"\r\nnext run"));
}

TEST(ConduitLog, AppendsFromSeveralThreadsStayWhole) {
  testing::TempDir dir;
  ConduitLog log(dir / "log");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&log] {
      for (int i = 0; i < 100; ++i) log.Append("\r\nline");
    });
  }
  for (auto& thread : threads) thread.join();
  const std::string bytes = testing::ReadFileBytes(dir / "log");
  EXPECT_EQ(bytes.size(), 400u * 12u);
  EXPECT_EQ(bytes.substr(0, 12), Utf16Le(u"\r\nline"));
}

TEST(ConduitLog, UnwritableFolderDropsTheText) {
  ConduitLog log("/nonexistent-folder/ContactConduitlog.log");
  log.Append("lost");  // must not crash or throw
  SUCCEED();
}

}  // namespace
}  // namespace velmora::conduit

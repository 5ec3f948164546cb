#include "platform/registry/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/registry/hive_format.h"
#include "platform/registry/key_path.h"
#include "tests/registry/scoped_registry.h"
#include "tests/support/temp_dir.h"

namespace velmora::registry {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::ScopedRegistry;
using testing::WriteFileBytes;

constexpr Hive kCu = Hive::kCurrentUser;
constexpr Hive kLm = Hive::kLocalMachine;
constexpr const char* kWrenlock = "Software\\Microsoft\\Wrenlock";

class RegistryTest : public ::testing::Test {
 protected:
  ScopedRegistry registry_;
};

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypes) {
  ASSERT_TRUE(WriteString(kCu, kWrenlock, "AppPath", "/opt/velmora"));
  ASSERT_TRUE(WriteDword(kCu, "Software\\Microsoft\\Fendrel\\SyncOption", "AutoSync", 1));
  EXPECT_EQ(ReadString(kCu, kWrenlock, "AppPath"), "/opt/velmora");
  EXPECT_EQ(ReadDword(kCu, "Software\\Microsoft\\Fendrel\\SyncOption", "AutoSync"), 1u);
  // The typed readers refuse a value of the other type rather than guess.
  EXPECT_EQ(ReadDword(kCu, kWrenlock, "AppPath"), std::nullopt);
  EXPECT_EQ(ReadString(kCu, "Software\\Microsoft\\Fendrel\\SyncOption", "AutoSync"), std::nullopt);
  // Replacing a value may change its type.
  ASSERT_TRUE(WriteDword(kCu, kWrenlock, "AppPath", 7));
  EXPECT_EQ(ReadValue(kCu, kWrenlock, "AppPath"), (RegValue{RegValue::Type::kDword, "", 7}));
}

TEST_F(RegistryTest, HivesAreSeparate) {
  ASSERT_TRUE(WriteString(kLm, "SOFTWARE\\X", "v", "machine"));
  ASSERT_TRUE(WriteString(kCu, "SOFTWARE\\X", "v", "user"));
  EXPECT_EQ(ReadString(kLm, "SOFTWARE\\X", "v"), "machine");
  EXPECT_EQ(ReadString(kCu, "SOFTWARE\\X", "v"), "user");
  EXPECT_TRUE(fs::exists(registry_.HiveFile("HKCU")));
  EXPECT_TRUE(fs::exists(registry_.HiveFile("HKLM")));
}

TEST_F(RegistryTest, NamesAreCaseBlindAndKeepTheirFirstCase) {
  ASSERT_TRUE(WriteString(kCu, "Software\\Microsoft\\Wrenlock", "AppPath", "a"));
  ASSERT_TRUE(WriteString(kCu, "SOFTWARE\\microsoft\\WRENLOCK", "APPPATH", "b"));
  EXPECT_EQ(ReadString(kCu, "software\\MICROSOFT\\wrenlock", "apppath"), "b");
  const auto values = ListValues(kCu, kWrenlock);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].first, "AppPath");
  EXPECT_EQ(ListSubkeys(kCu, "SOFTWARE"), std::vector<std::string>{"Microsoft"});
}

TEST_F(RegistryTest, HostileNamesAreStoredNotInterpreted) {
  const std::string long_name(200, 'x');
  const std::string names[] = {"quo\"te",  "100%",    "%s%n", "../../etc/passwd", "a=b",
                               "Sørensen", long_name, "",     "with space",       "semi;colon"};
  const std::string key = "Software\\..\\..\\" + long_name + "\\\"q\"\\50%";
  for (const std::string& name : names) {
    ASSERT_TRUE(WriteString(kCu, key, name, "v=" + name + "\nline2\r\n")) << name;
  }
  for (const std::string& name : names) {
    EXPECT_EQ(ReadString(kCu, key, name), "v=" + name + "\nline2\r\n") << name;
  }
  EXPECT_EQ(ListSubkeys(kCu, "Software\\..\\.."), std::vector<std::string>{long_name});
  // Nothing but the hive, its lock and nothing else appears in the folder.
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(registry_.path())) {
    files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"HKCU.hive", "HKCU.lock"}));
}

TEST_F(RegistryTest, KeysNestListInCreationOrderAndDeleteWithTheirSubkeys) {
  const std::string partners = "Software\\Microsoft\\Windows CE Services\\Partners";
  for (const char* p : {"P2", "P10", "P1"}) ASSERT_TRUE(CreateKey(kCu, partners + "\\" + p));
  ASSERT_TRUE(WriteString(kCu, partners + "\\P10\\Deep\\Deeper", "x", "y"));
  EXPECT_TRUE(KeyExists(kCu, "Software\\Microsoft"));  // parents opened on the way
  EXPECT_EQ(ListSubkeys(kCu, partners), (std::vector<std::string>{"P2", "P10", "P1"}));
  EXPECT_EQ(ListSubkeys(kCu, partners + "\\P10"), std::vector<std::string>{"Deep"});

  ASSERT_TRUE(DeleteKey(kCu, partners + "\\p10"));
  EXPECT_FALSE(KeyExists(kCu, partners + "\\P10\\Deep\\Deeper"));
  EXPECT_EQ(ReadString(kCu, partners + "\\P10\\Deep\\Deeper", "x"), std::nullopt);
  EXPECT_EQ(ListSubkeys(kCu, partners), (std::vector<std::string>{"P2", "P1"}));
  // A sibling whose name starts like the deleted key is not below it.
  ASSERT_TRUE(CreateKey(kCu, partners + "\\P1x"));
  ASSERT_TRUE(DeleteKey(kCu, partners + "\\P1"));
  EXPECT_TRUE(KeyExists(kCu, partners + "\\P1x"));
}

TEST_F(RegistryTest, DeletingWhatIsAbsentReportsFalse) {
  EXPECT_FALSE(DeleteValue(kCu, kWrenlock, "AppPath"));
  EXPECT_FALSE(DeleteKey(kCu, kWrenlock));
  ASSERT_TRUE(WriteString(kCu, kWrenlock, "AppPath", "/x"));
  EXPECT_FALSE(DeleteValue(kCu, kWrenlock, "Ver"));
  EXPECT_FALSE(DeleteKey(kCu, ""));  // never the hive itself
  EXPECT_TRUE(DeleteValue(kCu, kWrenlock, "apppath"));
  EXPECT_EQ(ReadString(kCu, kWrenlock, "AppPath"), std::nullopt);
  EXPECT_TRUE(KeyExists(kCu, kWrenlock));  // the key stays without its value
}

TEST_F(RegistryTest, MalformedKeyPathsAreRefusedAndOuterBackslashesDropped) {
  EXPECT_FALSE(WriteString(kCu, "a\\\\b", "v", "x"));
  EXPECT_FALSE(CreateKey(kCu, "a\\\\b"));
  EXPECT_FALSE(fs::exists(registry_.HiveFile("HKCU")));
  ASSERT_TRUE(WriteString(kCu, "\\a\\b\\", "v", "x"));
  EXPECT_EQ(ReadString(kCu, "a\\b", "v"), "x");
}

TEST_F(RegistryTest, MissingFolderReadsAsEmptyAndIsCreatedByAWrite) {
  const fs::path nested = registry_.path() / "not" / "yet";
  ::setenv("VELMORA_REGISTRY", nested.c_str(), 1);
  EXPECT_FALSE(KeyExists(kCu, "Software"));
  EXPECT_TRUE(ListSubkeys(kCu, "").empty());
  ASSERT_TRUE(WriteDword(kCu, "Software", "v", 3));
  EXPECT_TRUE(fs::exists(nested / "HKCU.hive"));
}

TEST(RegistryFolder, PrefersOwnVariableThenXdgThenHome) {
  struct Case {
    const char* velmora;
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/r", "/x", "/h", "/r"},
      {nullptr, "/x", "/h", "/x/velmora/registry"},
      {"", "/x", "/h", "/x/velmora/registry"},
      {nullptr, nullptr, "/h", "/h/.config/velmora/registry"},
      {nullptr, "relative", "/h", "/h/.config/velmora/registry"},
      {nullptr, "", "/h", "/h/.config/velmora/registry"},
  };
  const auto keep = [](const char* name) {
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
  };
  const auto put = [](const char* name, const std::optional<std::string>& v) {
    v ? ::setenv(name, v->c_str(), 1) : ::unsetenv(name);
  };
  const auto saved_r = keep("VELMORA_REGISTRY"), saved_x = keep("XDG_CONFIG_HOME"),
             saved_h = keep("HOME");
  for (const Case& c : cases) {
    put("VELMORA_REGISTRY", c.velmora ? std::optional<std::string>(c.velmora) : std::nullopt);
    put("XDG_CONFIG_HOME", c.xdg ? std::optional<std::string>(c.xdg) : std::nullopt);
    put("HOME", std::string(c.home));
    EXPECT_EQ(RegistryFolder(), fs::path(c.expected));
  }
  put("VELMORA_REGISTRY", saved_r);
  put("XDG_CONFIG_HOME", saved_x);
  put("HOME", saved_h);
}

// A valid hive file holding one value, then damaged in several ways.
class DamagedHiveTest : public RegistryTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteString(kCu, kWrenlock, "AppPath", "/opt/velmora"));
    good_ = ReadFileBytes(registry_.HiveFile("HKCU"));
  }
  std::string good_;
};

TEST_F(DamagedHiveTest, ReadsAsAbsentWithTheReasonOnStderr) {
  const std::string damaged[] = {
      good_.substr(0, good_.size() / 2), good_.substr(0, good_.size() - 1),
      std::string(1000, '\xFF'),         "",
      good_ + "key \"extra\"\n",
  };
  int n = 0;
  for (const std::string& bytes : damaged) {
    SCOPED_TRACE(n);
    // Each damage lies in its own folder so that each reason is reported.
    ScopedRegistry own;
    WriteFileBytes(own.HiveFile("HKCU"), bytes);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ReadString(kCu, kWrenlock, "AppPath"), std::nullopt);
    EXPECT_FALSE(KeyExists(kCu, "Software"));
    EXPECT_TRUE(ListValues(kCu, kWrenlock).empty());
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("HKCU.hive"), std::string::npos) << err;
    EXPECT_NE(err.find("damaged"), std::string::npos) << err;
    ++n;
  }
}

TEST_F(DamagedHiveTest, AWriteKeepsTheDamagedFileAsideAndStartsAfresh) {
  const std::string cut = good_.substr(0, good_.size() - 5);
  WriteFileBytes(registry_.HiveFile("HKCU"), cut);
  ::testing::internal::CaptureStderr();
  // Nothing to delete in an unreadable hive: the damaged file is not touched.
  EXPECT_FALSE(DeleteValue(kCu, kWrenlock, "AppPath"));
  EXPECT_EQ(ReadFileBytes(registry_.HiveFile("HKCU")), cut);
  ASSERT_TRUE(WriteDword(kCu, "Software\\Microsoft\\Fendrel\\SyncOption", "AutoSync", 1));
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("HKCU.hive.damaged-1"), std::string::npos) << err;
  EXPECT_EQ(ReadFileBytes(registry_.path() / "HKCU.hive.damaged-1"), cut);
  EXPECT_EQ(ReadDword(kCu, "Software\\Microsoft\\Fendrel\\SyncOption", "AutoSync"), 1u);

  WriteFileBytes(registry_.HiveFile("HKCU"), "garbage\n");
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(CreateKey(kCu, "Software"));
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(ReadFileBytes(registry_.path() / "HKCU.hive.damaged-1"), cut);  // earlier copy kept
  EXPECT_EQ(ReadFileBytes(registry_.path() / "HKCU.hive.damaged-2"), "garbage\n");
}

// A hive over the size limit cannot be read; like any damaged hive, the next write keeps it aside
// and starts afresh, so that the registry can be repaired.
TEST_F(DamagedHiveTest, AnOverLargeHiveIsKeptAsideByTheNextWrite) {
  fs::resize_file(registry_.HiveFile("HKCU"), kMaxHiveBytes + 1);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(ReadString(kCu, kWrenlock, "AppPath"), std::nullopt);
  ASSERT_TRUE(WriteString(kCu, kWrenlock, "AppPath", "/opt/velmora"));
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("too large for a hive"), std::string::npos) << err;
  EXPECT_EQ(fs::file_size(registry_.path() / "HKCU.hive.damaged-1"), kMaxHiveBytes + 1);
  EXPECT_EQ(ReadString(kCu, kWrenlock, "AppPath"), "/opt/velmora");
}

TEST_F(RegistryTest, AHiveThatCannotBeReadIsNeverReplaced) {
  fs::create_directory(registry_.HiveFile("HKCU"));  // a folder where the file should be
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(WriteString(kCu, kWrenlock, "AppPath", "/x"));
  EXPECT_EQ(ReadString(kCu, kWrenlock, "AppPath"), std::nullopt);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("cannot be read"), std::string::npos) << err;
  EXPECT_TRUE(fs::is_directory(registry_.HiveFile("HKCU")));
}

TEST_F(RegistryTest, AFailedWriteReportsFalseAndLeavesTheHive) {
  ASSERT_TRUE(WriteString(kCu, kWrenlock, "AppPath", "/x"));
  const std::string before = ReadFileBytes(registry_.HiveFile("HKCU"));
  fs::create_directory(registry_.path() / "HKCU.hive.tmp");  // the temporary file cannot be made
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(WriteString(kCu, kWrenlock, "AppPath", "/y"));
  EXPECT_FALSE(DeleteKey(kCu, kWrenlock));
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("cannot be written"), std::string::npos) << err;
  EXPECT_EQ(ReadFileBytes(registry_.HiveFile("HKCU")), before);
  EXPECT_EQ(ReadString(kCu, kWrenlock, "AppPath"), "/x");
}

// Every write below would leave a hive that its own reader refuses (or, for the deep path, cost
// the square of the path in bytes); each is refused with its reason and changes nothing.
TEST_F(RegistryTest, AWriteThatWouldMakeTheHiveUnreadableIsRefused) {
  std::string deep = "a";
  for (int level = 1; level < 10000; ++level) deep += "\\a";
  const std::string long_name(kMaxKeyNameBytes + 1, 'n');
  const std::string big_value(kMaxHiveBytes / 2 + 1, 'x');
  struct Case {
    const char* what;
    std::function<bool()> write;
    const char* reason;
    bool first_write_kept = false;  // the case writes twice; the first write fits
  };
  const Case cases[] = {
      {"a path of 10,000 levels", [&] { return WriteString(kCu, deep, "v", "x"); }, "key path"},
      {"a key created that deep", [&] { return CreateKey(kCu, deep); }, "key path"},
      {"a key name over the limit", [&] { return CreateKey(kCu, "a\\" + long_name); }, "key name"},
      {"values adding up past the limit",
       [&] {
         return WriteString(kCu, "Big", "one", big_value) &&
                WriteString(kCu, "Big", "two", big_value);
       },
       "over the limit", true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteString(kCu, kWrenlock, "AppPath", "/opt/velmora"));
    ASSERT_TRUE(DeleteKey(kCu, "Big") || !KeyExists(kCu, "Big"));
    const std::string before = ReadFileBytes(registry_.HiveFile("HKCU"));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(c.write()) << c.what;
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(c.reason), std::string::npos) << c.what << ": " << err;
    // Compared, not printed: a hive that went wrong here is huge.
    const std::string after = ReadFileBytes(registry_.HiveFile("HKCU"));
    EXPECT_LE(after.size(), kMaxHiveBytes) << c.what;
    if (!c.first_write_kept) {
      EXPECT_TRUE(after == before) << c.what;
    }
    EXPECT_EQ(ReadString(kCu, kWrenlock, "AppPath"), "/opt/velmora") << c.what;
  }
  // Paths within the limits are kept, and stored with a size that follows their content.
  ASSERT_TRUE(DeleteKey(kCu, "Big"));
  std::string widest = std::string(kMaxKeyNameBytes, 'w');
  while (widest.size() + 2 <= kMaxKeyPathBytes) widest += "\\w";
  ASSERT_TRUE(WriteString(kCu, widest, "v", "x"));
  EXPECT_EQ(ReadString(kCu, widest, "v"), "x");
  EXPECT_LT(ReadFileBytes(registry_.HiveFile("HKCU")).size(), std::size_t{1} << 20);
}

// Two processes each write their own 500 values into the same key at the same time; the lock
// and the read-modify-write under it must keep every one.
TEST(RegistryRace, TwoProcessesWritingAtOnceLoseNothing) {
  const ScopedRegistry registry(ScopedRegistry::Place::kMemory);
  constexpr int kPerProcess = 500;
  const char* key = "Software\\Race";
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      bool ok = true;
      for (int i = 0; i < kPerProcess; ++i) {
        ok = WriteDword(kCu, key, "p" + std::to_string(c) + "_" + std::to_string(i),
                        static_cast<std::uint32_t>(i)) &&
             ok;
      }
      ::_exit(ok ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  const auto values = ListValues(kCu, key);
  EXPECT_EQ(values.size(), 2u * kPerProcess);
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < kPerProcess; i += 37) {
      EXPECT_EQ(ReadDword(kCu, key, "p" + std::to_string(c) + "_" + std::to_string(i)),
                static_cast<std::uint32_t>(i));
    }
  }
  EXPECT_FALSE(fs::exists(registry.path() / "HKCU.hive.tmp"));
}

// A reader running beside a writer never sees a half-written file (which would read as empty
// and put a line on stderr).
TEST(RegistryRace, AReaderBesideAWriterAlwaysSeesAWholeHive) {
  const ScopedRegistry registry(ScopedRegistry::Place::kMemory);
  ASSERT_TRUE(WriteString(kCu, kWrenlock, "AppPath", "/opt/velmora"));
  const pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    bool ok = true;
    for (int i = 0; i < 300; ++i)
      ok = WriteDword(kCu, "Software\\Busy", "n" + std::to_string(i), 1) && ok;
    ::_exit(ok ? 0 : 1);
  }
  int misses = 0;
  int status = 0;
  pid_t done = 0;
  while (done == 0) {
    done = ::waitpid(writer, &status, WNOHANG);
    if (ReadString(kCu, kWrenlock, "AppPath") != "/opt/velmora") ++misses;
  }
  ASSERT_EQ(done, writer);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(misses, 0);
}

}  // namespace
}  // namespace velmora::registry

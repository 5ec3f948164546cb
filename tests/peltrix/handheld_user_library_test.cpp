#include "platform/peltrix/handheld_user_library.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "tests/registry/scoped_registry.h"
#include "tests/support/temp_dir.h"

namespace velmora::peltrix {
namespace {

namespace fs = std::filesystem;
using registry::Hive;
using testing::ScopedRegistry;

constexpr const char* kPartners = "Software\\Microsoft\\Windows CE Services\\Partners";
constexpr const char* kWrenlock = "Software\\Microsoft\\Wrenlock";

fs::path BuiltLibrary() {
  return velmora::testing::BuildDir() / "lib" / "libpeltrix.so";
}
fs::path FakeLibrary() {
  return velmora::testing::BuildDir() / "tests" / "libfake_peltrix.so";
}

void AddPartner(const std::string& subkey, const std::string& display_name) {
  ASSERT_TRUE(registry::WriteString(Hive::kCurrentUser, std::string(kPartners) + "\\" + subkey,
                                    "DisplayName", display_name));
}

class PeltrixTest : public ::testing::Test {
 protected:
  ScopedRegistry registry_;
  HandheldUserLibrary library_{BuiltLibrary()};
};

TEST_F(PeltrixTest, UsersArePartnershipsWithATextDisplayNameInSubkeyOrder) {
  ASSERT_TRUE(library_.Loaded()) << library_.LoadError();
  EXPECT_TRUE(library_.ListUsers().empty());

  AddPartner("P2", "Birgit Holm");
  AddPartner("P1", "Anders O'Neil");
  ASSERT_TRUE(registry::CreateKey(Hive::kCurrentUser, std::string(kPartners) + "\\P3"));
  ASSERT_TRUE(
      registry::WriteDword(Hive::kCurrentUser, std::string(kPartners) + "\\P4", "DisplayName", 7));
  AddPartner("P5", "");
  AddPartner("P6", "Søren 100% \"Quoted\"");
  ASSERT_TRUE(registry::WriteString(Hive::kLocalMachine, std::string(kPartners) + "\\P9",
                                    "DisplayName", "machine-wide, not a user"));

  EXPECT_EQ(library_.ListUsers(),
            (std::vector<std::string>{"Birgit Holm", "Anders O'Neil", "Søren 100% \"Quoted\""}));
}

TEST_F(PeltrixTest, ALongNameIsCutWithinTheBufferAtACharacterBoundary) {
  // 258 ASCII bytes then a two-byte character: 260 bytes, one too many for the buffer.
  const std::string name = std::string(258, 'a') + "\xC3\xB8" + "tail";
  AddPartner("P1", name);
  const std::vector<std::string> users = library_.ListUsers();
  ASSERT_EQ(users.size(), 1u);
  EXPECT_EQ(users[0], std::string(258, 'a'));
}

TEST_F(PeltrixTest, ExportsNeverWritePastTheirBuffers) {
  AddPartner("P1", std::string(1000, 'n'));
  ASSERT_TRUE(registry::WriteString(Hive::kCurrentUser, kWrenlock, "AppPath", "/opt/velmora"));
  void* handle = ::dlopen(BuiltLibrary().c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << ::dlerror();
  const auto count =
      reinterpret_cast<GetHandheldUserCountFn>(::dlsym(handle, "GetHandheldUserCount"));
  const auto name = reinterpret_cast<GetHandheldUserNameFn>(::dlsym(handle, "GetHandheldUserName"));
  const auto app_path = reinterpret_cast<GetAppPathFn>(::dlsym(handle, "GetAppPath"));
  ASSERT_TRUE(count && name && app_path);

  EXPECT_EQ(count(nullptr), 1);
  unsigned short stored = 0;
  EXPECT_EQ(count(&stored), 1);
  EXPECT_EQ(stored, 1);

  char buffer[PELTRIX_BUFFER_BYTES + 16];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_NE(name(0, buffer), 0);
  EXPECT_EQ(std::strlen(buffer), PELTRIX_BUFFER_BYTES - 1u);
  EXPECT_EQ(std::string(buffer + PELTRIX_BUFFER_BYTES, 16), std::string(16, '#'));

  EXPECT_EQ(name(1, buffer), 0);
  EXPECT_EQ(name(0xFFFF, buffer), 0);
  EXPECT_EQ(name(0, nullptr), 0);
  EXPECT_EQ(app_path(nullptr), 0);
  ::dlclose(handle);
}

TEST_F(PeltrixTest, AppPathComesWithoutTrailingSlashOrNotAtAll) {
  struct Case {
    const char* stored;
    bool found;
    const char* expected;
  };
  const std::string longest = "/" + std::string(258, 'p');
  const std::string too_long = "/" + std::string(259, 'p');
  const Case cases[] = {
      {"/opt/velmora", true, "/opt/velmora"},
      {"/opt/velmora/", true, "/opt/velmora"},
      {"/opt/velmora///", true, "/opt/velmora"},
      {"/", true, "/"},
      {"/home/ånna/Velmora 1.0", true, "/home/ånna/Velmora 1.0"},
      {"", false, ""},
      {longest.c_str(), true, longest.c_str()},
      // A shortened folder would be another folder: not passed on at all.
      {too_long.c_str(), false, ""},
  };
  EXPECT_EQ(library_.AppPath(), std::nullopt);  // nothing recorded yet
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    ASSERT_TRUE(registry::WriteString(Hive::kCurrentUser, kWrenlock, "AppPath", c.stored));
    ::testing::internal::CaptureStderr();
    const std::optional<std::string> path = library_.AppPath();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(path.has_value(), c.found);
    EXPECT_EQ(path.value_or(""), c.expected);
  }
  ASSERT_TRUE(registry::WriteDword(Hive::kCurrentUser, kWrenlock, "AppPath", 1));
  EXPECT_EQ(library_.AppPath(), std::nullopt);
}

TEST(HandheldUserLibrary, LoadsLibPeltrixRelativeToTheCurrentFolderByDefault) {
  const ScopedRegistry registry;
  AddPartner("P1", "Copied Alone");
  velmora::testing::TempDir app;
  fs::create_directory(app / "lib");
  // The library must work when copied on its own into an application's lib folder.
  fs::copy_file(BuiltLibrary(), app / "lib" / "libpeltrix.so");
  const fs::path before = fs::current_path();
  fs::current_path(app.path());
  {
    const HandheldUserLibrary library;
    EXPECT_TRUE(library.Loaded()) << library.LoadError();
    EXPECT_EQ(library.ListUsers(), std::vector<std::string>{"Copied Alone"});
  }
  // From a folder without lib/ the relative default finds nothing.
  velmora::testing::TempDir empty;
  fs::current_path(empty.path());
  const HandheldUserLibrary elsewhere;
  EXPECT_FALSE(elsewhere.Loaded());
  fs::current_path(before);
}

TEST(HandheldUserLibrary, AMissingOrForeignLibraryIsNotLoaded) {
  const HandheldUserLibrary missing("/nonexistent/libpeltrix.so");
  EXPECT_FALSE(missing.Loaded());
  EXPECT_FALSE(missing.LoadError().empty());
  EXPECT_TRUE(missing.ListUsers().empty());
  EXPECT_EQ(missing.AppPath(), std::nullopt);

  const HandheldUserLibrary foreign(velmora::testing::BuildDir() / "lib" /
                                    "libvelmora_registry.so");
  EXPECT_FALSE(foreign.Loaded());
  EXPECT_NE(foreign.LoadError().find("lacks"), std::string::npos) << foreign.LoadError();
  EXPECT_TRUE(foreign.ListUsers().empty());
}

TEST(HandheldUserLibrary, ListingFollowsTheReturnedCountAndTheStoredCount) {
  struct Case {
    const char* mode;
    std::vector<std::string> users;
  };
  const Case cases[] = {
      {"", {"user0", "user1", "user2", "user3"}},
      {"stored-zero", {}},                                    // stored count 0: ask for nothing
      {"stored-more", {"user0", "user1", "user2", "user3"}},  // indices from the returned count
      {"skip-odd", {"user0", "user2"}},
      {"unterminated",
       {std::string(260, 'x'), std::string(260, 'x'), std::string(260, 'x'),
        std::string(260, 'x')}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ::setenv("FAKE_PELTRIX_MODE", c.mode, 1);
    const HandheldUserLibrary library(FakeLibrary());
    ASSERT_TRUE(library.Loaded()) << library.LoadError();
    EXPECT_EQ(library.ListUsers(), c.users);
  }
  ::setenv("FAKE_PELTRIX_MODE", "no-path", 1);
  EXPECT_EQ(HandheldUserLibrary(FakeLibrary()).AppPath(), std::nullopt);
  ::unsetenv("FAKE_PELTRIX_MODE");
}

}  // namespace
}  // namespace velmora::peltrix

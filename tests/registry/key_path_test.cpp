#include "platform/registry/key_path.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/registry/registry.h"

namespace velmora::registry {
namespace {

struct KeyPathCase {
  const char* input;
  bool accepted;
  Hive hive;
  const char* key;
};

TEST(ParseKeyPath, AcceptsBothHiveSpellingsAndRejectsTheRest) {
  const KeyPathCase cases[] = {
      {"HKCU\\Software\\Microsoft\\Wrenlock", true, Hive::kCurrentUser,
       "Software\\Microsoft\\Wrenlock"},
      {"HKEY_CURRENT_USER\\Software", true, Hive::kCurrentUser, "Software"},
      {"hkcu\\Software", true, Hive::kCurrentUser, "Software"},
      {"HKLM\\SOFTWARE\\Microsoft\\Windows CE Services\\AutoStartOnConnect", true,
       Hive::kLocalMachine, "SOFTWARE\\Microsoft\\Windows CE Services\\AutoStartOnConnect"},
      {"HKEY_LOCAL_MACHINE\\a", true, Hive::kLocalMachine, "a"},
      {"HKCU", true, Hive::kCurrentUser, ""},
      {"HKCU\\", true, Hive::kCurrentUser, ""},
      {"HKCU\\a\\b\\\\", true, Hive::kCurrentUser, "a\\b"},
      {"HKCU\\a\\\\b", false, Hive::kCurrentUser, ""},
      {"HKCU\\\\a", false, Hive::kCurrentUser, ""},
      {"HKCR\\a", false, Hive::kCurrentUser, ""},
      {"HKCUX\\a", false, Hive::kCurrentUser, ""},
      {"\\HKCU\\a", false, Hive::kCurrentUser, ""},
      {"HKCU/Software", false, Hive::kCurrentUser, ""},
      {"", false, Hive::kCurrentUser, ""},
  };
  for (const KeyPathCase& c : cases) {
    SCOPED_TRACE(c.input);
    const auto parsed = ParseKeyPath(c.input);
    ASSERT_EQ(parsed.has_value(), c.accepted);
    if (!parsed) continue;
    EXPECT_EQ(parsed->first, c.hive);
    EXPECT_EQ(parsed->second, c.key);
  }
}

TEST(KeyPath, NamesCompareWithoutAsciiCaseOnly) {
  EXPECT_TRUE(NamesEqual("AutoSync", "AUTOSYNC"));
  EXPECT_TRUE(NamesEqual("", ""));
  EXPECT_FALSE(NamesEqual("AutoSync", "AutoSyn"));
  EXPECT_FALSE(NamesEqual("a[", "A{"));  // '[' and '{' differ by the case bit but are not letters
  EXPECT_FALSE(NamesEqual("\xC3\xA9", "\xC3\x89"));  // é and É stay distinct
}

}  // namespace
}  // namespace velmora::registry

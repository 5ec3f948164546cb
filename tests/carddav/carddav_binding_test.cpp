// Binding a handheld to an address book with velmora-device create: what it refuses, and that
// the password itself never lands in the handheld's folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "handheld/velmora-device/tool.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

constexpr const char* kPassword = "tr0ub4dor&3";

struct BindCase {
  const char* name;
  std::vector<std::string> options;  // after "create DIR --owner Ann"; PWFILE is the file
  fs::perms file_mode;
  int status;
  const char* said;
};

const fs::perms kPrivate = fs::perms::owner_read | fs::perms::owner_write;

const BindCase kCases[] = {
    {"PrivateFile",
     {"--carddav", "http://127.0.0.1:1/book/", "--user", "ann", "--password-file", "PWFILE"},
     kPrivate,
     0,
     "bound to the address book"},
    {"FileOthersCanRead",
     {"--carddav", "http://127.0.0.1:1/", "--user", "ann", "--password-file", "PWFILE"},
     kPrivate | fs::perms::group_read,
     1,
     "can be read by others than its owner"},
    {"MissingFile",
     {"--carddav", "http://127.0.0.1:1/", "--user", "ann", "--password-file", "PWFILE.missing"},
     kPrivate,
     1,
     "cannot open the password file"},
    {"FileWithoutUser",
     {"--carddav", "http://127.0.0.1:1/", "--password-file", "PWFILE"},
     kPrivate,
     1,
     "needs --user"},
    {"PasswordInUrl", {"--carddav", "http://ann:pw@127.0.0.1:1/"}, kPrivate, 1, "names a password"},
    {"PasswordInClearToAnotherMachine",
     {"--carddav", "http://dav.example.org/", "--user", "ann", "--password-file", "PWFILE"},
     kPrivate,
     1,
     "not sent in clear"},
    {"NotHttp", {"--carddav", "ftp://127.0.0.1/"}, kPrivate, 1, "must start with http"},
    {"CredentialsWithoutBook", {"--user", "ann"}, kPrivate, 2, "go with --carddav"},
};

class CardDavBindingTest : public ::testing::TestWithParam<BindCase> {};

TEST_P(CardDavBindingTest, CreateChecksTheBindingAndStoresNoPassword) {
  const BindCase& c = GetParam();
  TempDir dir;
  const fs::path password_file = dir / "password";
  WriteFileBytes(password_file, std::string(kPassword) + "\n");
  fs::permissions(password_file, c.file_mode);
  std::vector<std::string> args = {"create", (dir / "handheld").string(), "--owner", "Ann"};
  for (std::string option : c.options) {
    if (option.rfind("PWFILE", 0) == 0) option.replace(0, 6, password_file.string());
    args.push_back(option);
  }
  std::ostringstream out, err;
  EXPECT_EQ(device_tool::RunDeviceTool(args, out, err), c.status) << err.str();
  EXPECT_THAT(out.str() + err.str(), HasSubstr(c.said));
  EXPECT_THAT(out.str() + err.str(), ::testing::Not(HasSubstr(kPassword)));
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(dir / "handheld", ec)) {
    if (entry.is_regular_file()) {
      EXPECT_THAT(ReadFileBytes(entry.path()), ::testing::Not(HasSubstr(kPassword)))
          << entry.path();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Bindings, CardDavBindingTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::testing

// velmora-device: its commands, the CSV form of contacts and the Windows command-line rules of
// the registered connection commands.
#include "handheld/velmora-device/tool.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "handheld/store/attachment.h"
#include "handheld/store/contact_store.h"
#include "platform/registry/registry.h"
#include "handheld/velmora-device/command_line.h"
#include "handheld/velmora-device/contacts_csv.h"
#include "tests/support/temp_dir.h"

namespace velmora::device_tool {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

struct ToolRun {
  int code;
  std::string out;
  std::string err;
};

ToolRun Tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunDeviceTool(args, out, err);
  return {code, out.str(), err.str()};
}

class DeviceToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("VELMORA_REGISTRY", (dir_ / "registry").c_str(), 1);
    ASSERT_EQ(Tool({"create", handheld_dir(), "--owner", "Ann Lee"}).code, 0);
  }
  std::string handheld_dir() const { return (dir_ / "hh").string(); }

  TempDir dir_;
};

TEST(SplitWindowsCommandLine, FollowsTheWindowsQuotingRules) {
  const struct {
    const char* line;
    std::vector<std::string> args;
  } cases[] = {
      {R"("/opt/Velmora/tavrill" "connect")", {"/opt/Velmora/tavrill", "connect"}},
      {R"(  plain   words	tab )", {"plain", "words", "tab"}},
      {R"("/path with blanks/prog" x)", {"/path with blanks/prog", "x"}},
      {R"(a\\b c\d)", {R"(a\\b)", R"(c\d)"}},
      {R"("a\"b")", {R"(a"b)"}},
      {R"("a\\" b)", {R"(a\)", "b"}},
      {R"("a""b")", {R"(a"b)"}},
      {R"("" x)", {"", "x"}},
      {R"(ab"c d"e)", {"abc de"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitWindowsCommandLine(c.line), c.args) << c.line;
}

TEST(ContactsCsv, RoundTripsAwkwardValues) {
  handheld::Contact contact;
  contact.fields[1] = "Bob";
  contact.fields[3] = "Smith, \"Jr\"";
  contact.fields[43] = "line one\r\nline two";
  contact.fields[44] = "1980-03-15";
  contact.fields[7] = " padded ";
  const std::string csv = ContactsToCsv({contact, handheld::Contact{}});
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")).substr(0, 21), "Title,First,Middle,La");
  std::string error;
  const auto back = ContactsFromCsv(csv, &error);
  ASSERT_TRUE(back) << error;
  EXPECT_THAT(*back, ElementsAre(contact, handheld::Contact{}));
}

TEST(ContactsCsv, ImportsAnySubsetOfFieldsAndRefusesWhatItCannotPlace) {
  std::string error;
  const auto contacts = ContactsFromCsv(
      "\xEF\xBB\xBF"
      "last,First,birthday\nNg,Carla,3/4/1975\n",
      &error);
  ASSERT_TRUE(contacts) << error;
  ASSERT_EQ(contacts->size(), 1u);
  EXPECT_EQ((*contacts)[0].fields[3], "Ng");
  EXPECT_EQ((*contacts)[0].fields[1], "Carla");
  EXPECT_EQ((*contacts)[0].fields[44], "1975-03-04");

  const struct {
    const char* csv;
    const char* why;
  } refused[] = {
      {"First,Shoe size\nA,43\n", "names no contact field"},
      {"First,first\nA,B\n", "twice"},
      {"First\nA,B\n", "more cells"},
      {"First,Birthday\nA,someday\n", "is not a date"},
      {"First\n\"unterminated\n", "malformed"},
      {"", "no header"},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(ContactsFromCsv(c.csv, &error)) << c.csv;
    EXPECT_THAT(error, HasSubstr(c.why)) << c.csv;
  }
}

TEST_F(DeviceToolTest, ImportsListsCountsAndClearsContacts) {
  WriteFileBytes(dir_ / "in.csv",
                 "First,Last,E-mail\r\nBob,Smith,bob@example.org\r\nCarla,Ng,\r\n");
  EXPECT_EQ(Tool({"contacts", handheld_dir(), "import", (dir_ / "in.csv").string()}).code, 0);
  EXPECT_EQ(Tool({"contacts", handheld_dir(), "count"}).out, "2\n");
  const auto list = Tool({"contacts", handheld_dir(), "list"});
  EXPECT_THAT(list.out,
              HasSubstr("Contact 1\n  First: Bob\n  Last: Smith\n  E-mail: bob@example.org\n"));
  const auto csv = Tool({"contacts", handheld_dir(), "list", "--csv"});
  std::string error;
  EXPECT_EQ(ContactsFromCsv(csv.out, &error)->size(), 2u);
  EXPECT_EQ(Tool({"contacts", handheld_dir(), "clear"}).code, 0);
  EXPECT_EQ(Tool({"contacts", handheld_dir(), "count"}).out, "0\n");

  WriteFileBytes(dir_ / "bad.csv", "First,Nickname\nA,B\n");
  const auto bad = Tool({"contacts", handheld_dir(), "import", (dir_ / "bad.csv").string()});
  EXPECT_EQ(bad.code, 1);
  EXPECT_THAT(bad.err, HasSubstr("\"Nickname\" names no contact field"));
}

TEST_F(DeviceToolTest, ADamagedContactsStoreIsSaidSoByEveryReadingAction) {
  WriteFileBytes(dir_ / "in.csv", "First\r\nBob\r\nCarla\r\n");
  ASSERT_EQ(Tool({"contacts", handheld_dir(), "import", (dir_ / "in.csv").string()}).code, 0);
  // Everything past the schema page is overwritten: the store opens but its rows cannot be read.
  std::string bytes = ReadFileBytes(dir_ / "hh" / "contacts.db");
  ASSERT_GT(bytes.size(), 4096u);
  bytes.replace(4096, std::string::npos, bytes.size() - 4096, '\xff');
  WriteFileBytes(dir_ / "hh" / "contacts.db", bytes);
  for (const char* action : {"count", "list"}) {
    const auto run = Tool({"contacts", handheld_dir(), action});
    EXPECT_EQ(run.code, 1) << action;
    EXPECT_THAT(run.err, HasSubstr("cannot read the contacts")) << action;
  }
}

TEST_F(DeviceToolTest, ConnectAttachesAddsThePartnershipAndRunsTheRegisteredCommands) {
  const auto marker = dir_ / "ran connect";
  registry::WriteString(registry::Hive::kLocalMachine, handheld::kAutoStartOnConnectKey, "Tavrill",
                        "\"/usr/bin/touch\" \"" + marker.string() + "\"");
  const auto run = Tool({"connect", handheld_dir(), "--wait"});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(marker));
  EXPECT_THAT(run.out, HasSubstr("Tavrill ended with exit status 0"));
  EXPECT_EQ(handheld::AttachedHandheld(), std::filesystem::path(handheld_dir()));
  EXPECT_EQ(registry::ReadString(registry::Hive::kCurrentUser,
                                 std::string(handheld::kPartnersKey) + "\\P1", "DisplayName"),
            "Ann Lee");
  EXPECT_THAT(Tool({"status"}).out, HasSubstr("Owner: Ann Lee"));

  // A second connection keeps the one partnership.
  EXPECT_EQ(Tool({"connect", handheld_dir(), "--wait"}).code, 0);
  EXPECT_EQ(registry::ListSubkeys(registry::Hive::kCurrentUser, handheld::kPartnersKey).size(), 1u);
}

TEST_F(DeviceToolTest, DisconnectDetachesBeforeRunningItsCommands) {
  ASSERT_EQ(Tool({"connect", handheld_dir()}).code, 0);
  // The command sees the desktop as it is once the handheld has gone.
  const auto marker = dir_ / "status.txt";
  const auto tool = testing::BuildDir() / "bin" / "velmora-device";
  registry::WriteString(
      registry::Hive::kLocalMachine, handheld::kAutoStartOnDisconnectKey, "Tavrill",
      "/bin/sh -c \"'" + tool.string() + "' status > '" + marker.string() + "'\"");
  const auto run = Tool({"disconnect", "--wait"});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_FALSE(handheld::AttachedHandheld());
  EXPECT_EQ(ReadFileBytes(marker), "No handheld is attached\n");
}

TEST_F(DeviceToolTest, ArgumentErrorsAndHelp) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"frobnicate"},
      {"create", (dir_ / "x").string()},
      {"contacts", handheld_dir(), "sort"},
      {"fault", handheld_dir(), "meteor-strike"},
      {"fault", handheld_dir(), "unplug-after-bytes", "lots"},
      {"status", "extra"},
  };
  for (const auto& args : bad) {
    const auto run = Tool(args);
    EXPECT_EQ(run.code, 2) << (args.empty() ? "" : args[0]);
    EXPECT_THAT(run.err, HasSubstr("usage: velmora-device"));
  }
  for (const char* command : {"create", "connect", "disconnect", "status", "contacts", "fault"}) {
    const auto run = Tool({command, "--help"});
    EXPECT_EQ(run.code, 0) << command;
    EXPECT_THAT(run.out, HasSubstr(std::string("usage: velmora-device ") + command));
  }
  EXPECT_EQ(Tool({"create", handheld_dir(), "--owner", "Again"}).code, 1);  // already a handheld
  EXPECT_EQ(Tool({"contacts", (dir_ / "nothing").string(), "count"}).code, 1);
}

TEST(SorrelinArguments, HelpUsageAndErrorsCreateNothing) {
  TempDir dir;
  const std::string agent = (testing::BuildDir() / "bin" / "sorrelin").string();
  const std::string missing = (dir / "nonexist").string();
  const struct {
    std::vector<std::string> args;
    int status;
    const char* prints;  // on stdout for 0, on stderr otherwise
  } cases[] = {
      {{"-h"}, 0, "usage: sorrelin"},      {{"--help"}, 0, "usage: sorrelin"},
      {{"--bogus"}, 2, "unknown option"},  {{""}, 2, "empty"},
      {{}, 2, "usage: sorrelin"},          {{"a", "b"}, 2, "usage: sorrelin"},
      {{missing}, 1, "holds no handheld"},
  };
  for (const auto& c : cases) {
    std::string command = "cd '" + dir.path().string() + "' && '" + agent + "'";
    for (const auto& arg : c.args) command += " '" + arg + "'";
    command += c.status == 0 ? " 2>/dev/null" : " 2>&1 >/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[512];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
      output.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    const std::string what = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(WEXITSTATUS(status), c.status) << what;
    EXPECT_THAT(output, HasSubstr(c.prints)) << what;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "a folder was made after an argument";
}

}  // namespace
}  // namespace velmora::device_tool

#include "platform/registry/reg_tool.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "tests/registry/scoped_registry.h"
#include "tests/support/temp_dir.h"

namespace velmora::registry {
namespace {

using testing::ScopedRegistry;

struct ToolRun {
  int code;
  std::string out;
  std::string err;
};

ToolRun Reg(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int code = RunRegTool(args, in, out, err);
  return ToolRun{code, out.str(), err.str()};
}

class RegToolTest : public ::testing::Test {
 protected:
  ScopedRegistry registry_;
};

TEST_F(RegToolTest, AddThenQueryShowsValuesInTheRegLayout) {
  const std::string key = "HKCU\\Software\\Microsoft\\Wrenlock";
  EXPECT_EQ(Reg({"add", key, "/v", "AppPath", "/d", "/opt/velmora"}).code, kRegToolOk);
  EXPECT_EQ(Reg({"add", key, "/v", "Ver", "/t", "REG_SZ", "/d", "1.0", "/f"}).code, kRegToolOk);
  EXPECT_EQ(Reg({"add", key, "/v", "Count", "/t", "REG_DWORD", "/d", "255"}).code, kRegToolOk);
  EXPECT_EQ(Reg({"add", key + "\\Sub"}).code, kRegToolOk);
  EXPECT_EQ(Reg({"add", key, "/ve", "/d", "dflt"}).code, kRegToolOk);

  const ToolRun one =
      Reg({"query", "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Wrenlock", "/v", "apppath"});
  EXPECT_EQ(one.code, kRegToolOk);
  EXPECT_EQ(one.out,
            "\nHKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Wrenlock\n"
            "    AppPath    REG_SZ    /opt/velmora\n\n");

  const ToolRun all = Reg({"query", key});
  EXPECT_EQ(all.code, kRegToolOk);
  EXPECT_EQ(all.out,
            "\nHKEY_CURRENT_USER\\Software\\Microsoft\\Wrenlock\n"
            "    AppPath    REG_SZ    /opt/velmora\n"
            "    Ver    REG_SZ    1.0\n"
            "    Count    REG_DWORD    0xff\n"
            "    (Default)    REG_SZ    dflt\n"
            "\n"
            "HKEY_CURRENT_USER\\Software\\Microsoft\\Wrenlock\\Sub\n");
  EXPECT_EQ(ReadDword(Hive::kCurrentUser, "Software\\Microsoft\\Wrenlock", "Count"), 255u);
}

TEST_F(RegToolTest, DwordDataIsDecimalOrHexWithinThirtyTwoBits) {
  struct Case {
    const char* data;
    int code;
    std::uint32_t stored;
  };
  const Case cases[] = {
      {"0", kRegToolOk, 0},
      {"1", kRegToolOk, 1},
      {"4294967295", kRegToolOk, 0xFFFFFFFF},
      {"0x1F", kRegToolOk, 0x1F},
      {"0XffffFFFF", kRegToolOk, 0xFFFFFFFF},
      {"4294967296", kRegToolBadSyntax, 0},
      {"0x100000000", kRegToolBadSyntax, 0},
      {"-1", kRegToolBadSyntax, 0},
      {"+1", kRegToolBadSyntax, 0},
      {"12abc", kRegToolBadSyntax, 0},
      {"0x", kRegToolBadSyntax, 0},
      {"", kRegToolBadSyntax, 0},
      {" 1", kRegToolBadSyntax, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    const ToolRun run =
        Reg({"add", "HKLM\\SOFTWARE\\T", "/v", "n", "/t", "reg_dword", "/d", c.data, "/f"});
    EXPECT_EQ(run.code, c.code) << run.err;
    if (c.code == kRegToolOk) {
      EXPECT_EQ(ReadDword(Hive::kLocalMachine, "SOFTWARE\\T", "n"), c.stored);
    } else {
      EXPECT_NE(run.err.find("REG_DWORD"), std::string::npos);
    }
  }
}

TEST_F(RegToolTest, BadArgumentsExitWithTwoAndSayWhy) {
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const Case cases[] = {
      {{}, "no operation"},
      {{"copy", "HKCU\\a"}, "unknown operation"},
      {{"query"}, "no KEY"},
      {{"query", "HKCR\\a"}, "is not a key"},
      {{"query", "HKCU\\a\\\\b"}, "is not a key"},
      {{"query", "HKCU\\a", "/v"}, "/v needs an argument"},
      {{"query", "HKCU\\a", "/x"}, "unknown option"},
      {{"query", "HKCU\\a", "/d", "x"}, "add only"},
      {{"query", "HKCU\\a", "/f"}, "does not apply"},
      {{"query", "HKCU\\a", "/s", "/v", "x"}, "/s cannot"},
      {{"add", "HKCU\\a", "/v", "x", "/t", "REG_BINARY", "/d", "00"}, "Unsupported type"},
      {{"add", "HKCU\\a", "/v", "x", "/d", "1", "/d", "2"}, "/d given twice"},
      {{"delete", "HKCU", "/f"}, "whole hive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    const ToolRun run = Reg(c.args);
    EXPECT_EQ(run.code, kRegToolBadSyntax);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
  EXPECT_FALSE(KeyExists(Hive::kCurrentUser, "a"));
}

TEST_F(RegToolTest, HelpGoesToStdoutWithStatusZero) {
  for (const char* help : {"/?", "--help", "-?"}) {
    const ToolRun run = Reg({help});
    EXPECT_EQ(run.code, kRegToolOk);
    EXPECT_NE(run.out.find("velmora-reg query KEY"), std::string::npos);
    EXPECT_NE(run.out.find("2 bad arguments"), std::string::npos);
  }
  EXPECT_EQ(Reg({"add", "HKCU\\a", "/?"}).code, kRegToolOk);
  EXPECT_FALSE(KeyExists(Hive::kCurrentUser, "a"));
  // As the data of /d it is data, not a request for help.
  EXPECT_EQ(Reg({"add", "HKCU\\a", "/v", "q", "/d", "/?"}).code, kRegToolOk);
  EXPECT_EQ(ReadString(Hive::kCurrentUser, "a", "q"), "/?");
}

TEST_F(RegToolTest, AbsentKeysAndValuesExitWithOne) {
  ASSERT_TRUE(WriteString(Hive::kCurrentUser, "Software\\K", "v", "x"));
  const std::vector<std::vector<std::string>> absent = {
      {"query", "HKCU\\Software\\Nope"},        {"query", "HKCU\\Software\\K", "/v", "w"},
      {"query", "HKCU\\Software\\K", "/ve"},    {"query", "HKLM\\Software\\K"},
      {"delete", "HKCU\\Software\\Nope", "/f"}, {"delete", "HKCU\\Software\\K", "/v", "w", "/f"},
  };
  for (const auto& args : absent) {
    const ToolRun run = Reg(args);
    EXPECT_EQ(run.code, kRegToolFailed) << args[0] << " " << args[1];
    EXPECT_NE(run.err.find("unable to find"), std::string::npos);
  }
}

// A key the hive could not hold is refused, and the existing values stay readable.
TEST_F(RegToolTest, AnAddTheHiveCannotHoldExitsWithOne) {
  ASSERT_TRUE(WriteString(Hive::kCurrentUser, "Software\\K", "v", "x"));
  std::string deep = "HKCU";
  for (int level = 0; level < 10000; ++level) deep += "\\a";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"add", deep, "/v", "v", "/d", "x", "/f"},
        std::vector<std::string>{"add", deep}}) {
    ::testing::internal::CaptureStderr();
    const ToolRun run = Reg(args);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(run.code, kRegToolFailed) << args.size();
    EXPECT_NE(run.err.find("could not be written"), std::string::npos) << run.err;
  }
  EXPECT_EQ(ReadString(Hive::kCurrentUser, "Software\\K", "v"), "x");
}

TEST_F(RegToolTest, WithoutForceAnOverwriteOrDeleteAsksFirst) {
  const std::string key = "HKCU\\Software\\K";
  ASSERT_EQ(Reg({"add", key, "/v", "v", "/d", "old"}).code, kRegToolOk);

  ToolRun run = Reg({"add", key, "/v", "V", "/d", "new"}, "no\n");
  EXPECT_EQ(run.code, kRegToolFailed);
  EXPECT_NE(run.out.find("Value V exists, overwrite (Yes/No)?"), std::string::npos);
  EXPECT_EQ(ReadString(Hive::kCurrentUser, "Software\\K", "v"), "old");
  EXPECT_EQ(Reg({"add", key, "/v", "v", "/d", "new"}, "").code, kRegToolFailed);  // no answer
  EXPECT_EQ(Reg({"add", key, "/v", "v", "/d", "new"}, "yes\n").code, kRegToolOk);
  EXPECT_EQ(ReadString(Hive::kCurrentUser, "Software\\K", "v"), "new");

  EXPECT_EQ(Reg({"delete", key, "/v", "v"}, "n\n").code, kRegToolFailed);
  EXPECT_EQ(Reg({"delete", key, "/v", "v"}, "Y\r\n").code, kRegToolOk);
  EXPECT_EQ(ReadValue(Hive::kCurrentUser, "Software\\K", "v"), std::nullopt);
  run = Reg({"delete", key}, "no\n");
  EXPECT_NE(run.out.find("Permanently delete the registry key HKEY_CURRENT_USER\\Software\\K"),
            std::string::npos);
  EXPECT_TRUE(KeyExists(Hive::kCurrentUser, "Software\\K"));
  EXPECT_EQ(Reg({"delete", key, "/f"}).code, kRegToolOk);
  EXPECT_FALSE(KeyExists(Hive::kCurrentUser, "Software\\K"));
}

TEST_F(RegToolTest, RecursiveQueryWalksTheTree) {
  ASSERT_TRUE(WriteString(Hive::kCurrentUser, "A\\B", "x", "1"));
  ASSERT_TRUE(WriteDword(Hive::kCurrentUser, "A\\C\\D", "y", 2));
  const ToolRun run = Reg({"query", "HKCU\\A", "/s"});
  EXPECT_EQ(run.code, kRegToolOk);
  EXPECT_EQ(run.out,
            "\nHKEY_CURRENT_USER\\A\n"
            "\nHKEY_CURRENT_USER\\A\\B\n    x    REG_SZ    1\n"
            "\nHKEY_CURRENT_USER\\A\\C\n"
            "\nHKEY_CURRENT_USER\\A\\C\\D\n    y    REG_DWORD    0x2\n\n");
}

// The installed program, run as a separate process, gives the same exit codes.
int RunProgram(const std::string& arguments, std::string* output = nullptr) {
  const std::string command =
      (velmora::testing::BuildDir() / "bin" / "velmora-reg").string() + " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  std::string text;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
  const int status = ::pclose(pipe);
  if (output != nullptr) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(RegToolTest, TheProgramReportsThroughItsExitStatus) {
  std::string output;
  EXPECT_EQ(RunProgram("add 'HKCU\\Software\\Microsoft\\Fendrel\\SyncOption' /v AutoSync "
                       "/t REG_DWORD /d 1 /f"),
            0);
  EXPECT_EQ(
      RunProgram("query 'HKCU\\Software\\Microsoft\\Fendrel\\SyncOption' /v AutoSync", &output), 0);
  EXPECT_NE(output.find("    AutoSync    REG_DWORD    0x1\n"), std::string::npos) << output;
  EXPECT_EQ(RunProgram("query 'HKCU\\Software\\Microsoft\\Fendrel\\SyncOption' /v Other"), 1);
  EXPECT_EQ(RunProgram("frobnicate", &output), 2);
  EXPECT_NE(output.find("velmora-reg /?"), std::string::npos);
  EXPECT_EQ(RunProgram("--help", &output), 0);
  EXPECT_EQ(ReadDword(Hive::kCurrentUser, "Software\\Microsoft\\Fendrel\\SyncOption", "AutoSync"),
            1u);
}

}  // namespace
}  // namespace velmora::registry

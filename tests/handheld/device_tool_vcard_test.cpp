// velmora-device's vCard files, through the built program: what one handheld exports another
// imports field for field, and a file it cannot take changes nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "handheld/vcard/vcard_reader.h"
#include "tests/support/temp_dir.h"

namespace velmora::device_tool {
namespace {

using ::testing::HasSubstr;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

struct ToolRun {
  int status;
  std::string output;  // stdout and stderr
};

ToolRun DeviceTool(const std::vector<std::string>& args) {
  std::string command = "'" + (testing::BuildDir() / "bin" / "velmora-device").string() + "'";
  for (const auto& arg : args) command += " '" + arg + "'";
  std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return {-1, "popen failed"};
  std::string output;
  char buffer[512];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    output.append(buffer, got);
  }
  const int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::vector<handheld::Contact> Contacts(const std::string& vcf) {
  std::string why;
  auto cards = handheld::vcard::ReadCards(vcf, &why);
  EXPECT_TRUE(cards) << why;
  std::vector<handheld::Contact> out;
  for (auto& card : cards.value_or(std::vector<handheld::vcard::Card>{})) {
    out.push_back(card.contact);
  }
  return out;
}

TEST(DeviceToolVcard, ExportedCardsImportIntoAnotherHandheldFieldForField) {
  TempDir dir;
  ::setenv("VELMORA_REGISTRY", (dir / "registry").c_str(), 1);
  const std::string a = (dir / "a").string(), b = (dir / "b").string();
  for (const auto& hh : {a, b}) {
    ASSERT_EQ(DeviceTool({"create", hh, "--owner", "Ann Lee", "--no-agent"}).status, 0);
  }
  WriteFileBytes(dir / "in.vcf",
                 "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1:M\xFCller;J\xFCrgen\r\n"
                 "NOTE;ENCODING=QUOTED-PRINTABLE:one=0D=0Atwo\r\nEND:VCARD\r\n"
                 "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ng;Carla\\, \xF0\x9F\x98\x80\r\n"
                 "ORG:A\\;B;Sales\r\nBDAY:1975-03-04\r\nPHOTO;ENCODING=b:QUJD\r\nEND:VCARD\r\n"
                 "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Solo\r\nTEL;VALUE=uri;TYPE=cell:tel:+1\r\n"
                 "END:VCARD\r\n");
  const auto imported = DeviceTool({"contacts", a, "import", (dir / "in.vcf").string()});
  EXPECT_EQ(imported.status, 0) << imported.output;
  EXPECT_EQ(imported.output, "Imported 3 contacts\n");

  const auto exported = DeviceTool({"contacts", a, "export", (dir / "a.vcf").string()});
  EXPECT_EQ(exported.output, "Exported 3 contacts\n");
  const std::string a_vcf = ReadFileBytes(dir / "a.vcf");
  auto contacts = Contacts(a_vcf);
  ASSERT_EQ(contacts.size(), 3u);
  EXPECT_EQ(contacts[0].fields[3], "M\xC3\xBCller");
  EXPECT_EQ(contacts[0].fields[43], "one\r\ntwo");
  EXPECT_EQ(contacts[1].fields[1], "Carla, \xF0\x9F\x98\x80");
  EXPECT_EQ(contacts[1].fields[7], "A;B");
  EXPECT_EQ(contacts[1].fields[44], "1975-03-04");
  EXPECT_EQ(contacts[2].fields[12], "+1");
  EXPECT_EQ(a_vcf.find("PHOTO"), std::string::npos) << "the store keeps the 46 fields only";

  ASSERT_EQ(DeviceTool({"contacts", b, "import", (dir / "a.vcf").string()}).status, 0);
  ASSERT_EQ(DeviceTool({"contacts", b, "export", (dir / "b.vcf").string()}).status, 0);
  EXPECT_EQ(ReadFileBytes(dir / "b.vcf"), a_vcf);

  const struct {
    const char* text;
    const char* why;
  } refused[] = {
      {"BEGIN:VCARD\r\nVERSION:3.0\r\nBDAY;VALUE=text:spring\r\nEND:VCARD\r\n",
       "card 1: \"spring\" is not a date"},
      {"BEGIN:VCARD\r\nN:x\r\n", "line 1: the card has no END:VCARD"},
  };
  for (const auto& r : refused) {
    WriteFileBytes(dir / "bad.vcf", r.text);
    const auto run = DeviceTool({"contacts", b, "import", (dir / "bad.vcf").string()});
    EXPECT_EQ(run.status, 1) << r.text;
    EXPECT_THAT(run.output, HasSubstr(r.why));
  }
  EXPECT_EQ(DeviceTool({"contacts", b, "count"}).output, "3\n");
}

}  // namespace
}  // namespace velmora::device_tool

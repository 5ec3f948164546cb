#include "platform/registry/hive_format.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora::registry {
namespace {

RegValue Text(std::string text) {
  return RegValue{RegValue::Type::kString, std::move(text), 0};
}
RegValue Dword(std::uint32_t n) {
  return RegValue{RegValue::Type::kDword, {}, n};
}

HiveContents HostileHive() {
  HiveContents hive;
  hive.keys[0].values.push_back({"", Text("root default")});
  hive.keys.push_back({"Software", {}});
  hive.keys.push_back({"Software\\Odd \"key\" 100% ../..", {}});
  hive.keys.push_back({"Software\\Odd \"key\" 100% ../..\\Sørensen ✓", {}});
  HiveKey& odd = hive.keys[2];
  odd.values.push_back({"quote\"d", Text("say \"hi\"")});
  odd.values.push_back({"a=b", Text("x=y=z")});
  odd.values.push_back({"lines", Text("first\nsecond\r\nthird\tend")});
  odd.values.push_back({"percent%41", Text("%41%%")});
  odd.values.push_back({"nul", Text(std::string("a\0b", 3))});
  odd.values.push_back({std::string(200, 'N'), Text(std::string(5000, 'v'))});
  odd.values.push_back({"key \"x\"", Text("key \"y\"")});
  odd.values.push_back({"max", Dword(0xFFFFFFFF)});
  odd.values.push_back({"zero", Dword(0)});
  odd.values.push_back({"empty", Text("")});
  hive.keys[3].values.push_back({"Ærø", Text("日本語 \xF0\x9F\x98\x80")});
  return hive;
}

TEST(HiveFormat, RoundTripsHostileNamesAndValues) {
  const HiveContents hive = HostileHive();
  const std::string bytes = SerialiseHive(hive);
  const ParsedHive parsed = ParseHive(bytes);
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.contents, hive);
  // One record per line: newlines inside values never reach the file unescaped.
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 2 + 4 + 12);
}

TEST(HiveFormat, EveryTruncationIsRecognisedAsDamage) {
  const std::string bytes = SerialiseHive(HostileHive());
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    const ParsedHive parsed = ParseHive(std::string_view(bytes).substr(0, length));
    ASSERT_FALSE(parsed.ok) << "accepted a file cut to " << length << " bytes";
    EXPECT_FALSE(parsed.error.empty());
    EXPECT_EQ(parsed.contents, HiveContents{});
  }
}

TEST(HiveFormat, AnyChangedByteIsRecognisedAsDamage) {
  const std::string bytes = SerialiseHive(HostileHive());
  for (std::size_t i = 0; i < bytes.size(); i += 7) {
    std::string altered = bytes;
    altered[i] = static_cast<char>(altered[i] ^ 0x01);
    EXPECT_FALSE(ParseHive(altered).ok) << "accepted a change at byte " << i;
  }
}

TEST(HiveFormat, GarbageIsDamageNotACrash) {
  const std::string inputs[] = {
      "",
      "\n",
      "\n\n\n",
      std::string(4096, '\0'),
      "velmora-registry-hive 1\n",
      "velmora-registry-hive 2\nkey \"\"\nend 2 0000000000000000\n",
      "PK\x03\x04 not a hive at all\n",
      "velmora-registry-hive 1\nend 99999999999999999999999 0000000000000000\n",
      "velmora-registry-hive 1\nend 1 zz\n",
  };
  for (const std::string& input : inputs) EXPECT_FALSE(ParseHive(input).ok);
}

// Record-level damage behind a valid end record; the hash check is skipped so that the record
// parser is what must notice.
TEST(HiveFormat, RecordParserRefusesBrokenStructure) {
  struct Case {
    const char* records;
    const char* why;
  };
  const Case cases[] = {
      {"", "no hive key"},
      {"key \"a\"\n", "first key not the hive"},
      {"key \"\"\nkey \"a\\b\"\n", "key before its parent"},
      {"key \"\"\nkey \"a\"\nkey \"A\"\n", "duplicate key in another case"},
      {"key \"\"\nkey \"\"\n", "second hive key"},
      {"key \"\"\nkey \"a\\\\b\"\n", "empty component"},
      {"key \"\"\nsz \"v\" \"1\"\nsz \"V\" \"2\"\n", "duplicate value"},
      {"sz \"v\" \"1\"\n", "value before any key"},
      {"key \"\"\nsz \"v\" \"unterminated\n", "unterminated quote"},
      {"key \"\"\nsz \"v\" \"bad %G1\"\n", "bad escape"},
      {"key \"\"\nsz \"v\" \"cut %4\"\n", "short escape"},
      {"key \"\"\nsz \"v\" \"raw\ttab\"\n", "unescaped control byte"},
      {"key \"\"\ndword \"v\" 0x1\n", "short dword"},
      {"key \"\"\ndword \"v\" 0x1234567g\n", "bad dword digit"},
      {"key \"\"\ndword \"v\" 4294967295\n", "dword without 0x"},
      {"key \"\"\nbinary \"v\" 00\n", "unknown record"},
      {"key \"\"\nkey \"a\" trailing\n", "trailing text"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::string body = std::string("velmora-registry-hive 1\n") + c.records;
    const auto lines = std::count(body.begin(), body.end(), '\n');
    const std::string bytes = body + "end " + std::to_string(lines) + " 0000000000000000\n";
    const ParsedHive parsed = ParseHive(bytes, /*verify_hash=*/false);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.contents, HiveContents{});
  }
}

}  // namespace
}  // namespace velmora::registry

// The inspector: telling the two formats apart by content, the person-readable listing, the CSV
// forms, and the exit status and message for unknown, damaged and unreadable files.
#include "transfer/inspect.h"

#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "db/type_codes.h"
#include "tests/support/temp_dir.h"
#include "tests/transfer/memory_result_set.h"
#include "transfer/pdb_writer.h"
#include "transfer/pim_writer.h"

namespace velmora::transfer {
namespace {

using ::testing::HasSubstr;
using testing::MemoryResultSet;
using testing::TempDir;

struct InspectRun {
  int status;
  std::string out;
  std::string err;
};

InspectRun Inspect(std::vector<std::string> args) {
  std::ostringstream out, err;
  int status = RunInspect(args, out, err);
  return {status, out.str(), err.str()};
}

void WriteSamplePdb(const std::filesystem::path& file) {
  MemoryResultSet rows({{"Name", db::kTypeChar, 50, 0},
                        {"Born", db::kTypeDate, 10, 0},
                        {"Score", db::kTypeDouble, 15, 2}},
                       {{std::string("Ann, \"A\"\nLee"), db::Date{2008, 3, 15}, 12345678.0},
                        {db::Null{}, db::Null{}, 1.5}});
  ASSERT_TRUE(WriteTablePdb(rows, file, "Sample"));
}

TEST(Inspect, PrintsAContactPdbFileForAPerson) {
  TempDir dir;
  WriteSamplePdb(dir / "s.pdb");
  InspectRun run = Inspect({(dir / "s.pdb").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("Contact PDB file"));
  EXPECT_THAT(run.out, HasSubstr("Database name:           Sample"));
  EXPECT_THAT(run.out, HasSubstr("Type and creator:        KOBA DBPL"));
  EXPECT_THAT(run.out, HasSubstr("Columns: 3 (3 slots per record)"));
  EXPECT_THAT(run.out, HasSubstr("1. Born  type 8 (date), size 10, digits 0"));
  EXPECT_THAT(run.out, HasSubstr("2. Score  type 2 (double), size 15, digits 2"));
  EXPECT_THAT(run.out, HasSubstr("  Score: 1.234568e+07"));
  EXPECT_THAT(run.out, HasSubstr("  Name: Ann, \"A\"  Lee"));
}

TEST(Inspect, PrintsAContactPdbFileAsCsvInFullForm) {
  TempDir dir;
  WriteSamplePdb(dir / "s.pdb");
  InspectRun run = Inspect({"--csv", (dir / "s.pdb").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Name,Born,Score\r\n"
            "\"Ann, \"\"A\"\"\r\nLee\",2008-03-15,12345678.000000\r\n"
            ",,1.500000\r\n");
}

TEST(Inspect, PrintsAPimExportByPositionUnderItsFieldNames) {
  TempDir dir;
  PimContact c;
  c.texts[0] = "Dr";
  c.texts[3] = "Lee";
  c.anniversary = 39448.0;
  ASSERT_TRUE(WritePimFile(dir / "Contact1.pim", {c}));
  InspectRun csv = Inspect({(dir / "Contact1.pim").string(), "--csv"});
  EXPECT_EQ(csv.status, 0) << csv.err;
  std::string header = csv.out.substr(0, csv.out.find("\r\n"));
  EXPECT_EQ(header.substr(0, 30), "Title,First,Middle,Last,Suffix");
  EXPECT_EQ(header.substr(header.size() - 35), "Children,Notes,Birthday,Anniversary");
  EXPECT_EQ(csv.out.substr(csv.out.find("\r\n") + 2),
            "Dr,,,Lee" + std::string(40, ',') + ", ,1/1/2008\r\n");

  InspectRun text = Inspect({(dir / "Contact1.pim").string()});
  EXPECT_EQ(text.status, 0);
  EXPECT_THAT(text.out, HasSubstr("PIM export file"));
  EXPECT_THAT(text.out, HasSubstr("Records: 1"));
  EXPECT_THAT(text.out, HasSubstr("46. Anniversary: 1/1/2008"));
}

TEST(Inspect, RefusesUnknownDamagedAndUnreadableFiles) {
  TempDir dir;
  WriteSamplePdb(dir / "s.pdb");
  std::string damaged = testing::ReadFileBytes(dir / "s.pdb");
  damaged.resize(damaged.size() - 20);
  testing::WriteFileBytes(dir / "damaged.pdb", damaged);
  testing::WriteFileBytes(dir / "text.txt", "hello, this is not a transfer file\n");
  testing::WriteFileBytes(dir / "empty", "");
  testing::WriteFileBytes(dir / "huge", "");
  std::filesystem::resize_file(dir / "huge", 300u << 20);  // sparse
  struct Case {
    std::string file;
    std::string message;
  } cases[] = {
      {"damaged.pdb", "damaged contact PDB file"},
      {"text.txt", "neither a contact PDB file"},
      {"empty", "neither a contact PDB file"},
      {"missing.pdb", "cannot be read"},
      {".", "not a regular file"},
      {"/dev/zero", "not a regular file"},
      {"huge", "too large"},
  };
  for (const Case& c : cases) {
    InspectRun run = Inspect({c.file.starts_with("/") ? c.file : (dir / c.file).string()});
    EXPECT_EQ(run.status, 1) << c.file;
    EXPECT_THAT(run.err, HasSubstr(c.message)) << c.file;
    EXPECT_EQ(run.out, "") << c.file;
  }
}

TEST(Inspect, Arguments) {
  EXPECT_EQ(Inspect({"--help"}).status, 0);
  EXPECT_THAT(Inspect({"--help"}).out, HasSubstr("Usage: velmora-inspect [--csv] FILE"));
  EXPECT_EQ(Inspect({}).status, 2);
  EXPECT_EQ(Inspect({"--bogus", "f"}).status, 2);
  EXPECT_EQ(Inspect({"a", "b"}).status, 2);
}

}  // namespace
}  // namespace velmora::transfer

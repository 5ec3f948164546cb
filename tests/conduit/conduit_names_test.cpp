// File-name parts, the command line and the column-name list: the small rules of the conduit.
#include <gtest/gtest.h>

#include "conduit/column_names.h"
#include "conduit/command_line.h"
#include "conduit/file_names.h"
#include "conduit/mapping_plan.h"

namespace velmora::conduit {
namespace {

TEST(SafeFileNamePart, NeverLeavesItsFolder) {
  struct Case {
    std::string name;
    std::string part;
  } cases[] = {
      {"Sample Contacts", "Sample Contacts"},
      {"../../x", ".._.._x"},
      {".", "_"},
      {"..", "__"},
      {"...", "..."},
      {std::string("a\0b", 3), "a_b"},
      {"O'Brien", "O'Brien"},
  };
  for (const Case& c : cases) EXPECT_EQ(SafeFileNamePart(c.name), c.part) << c.name;
}

TEST(BareColumnName, ReadsEveryFormAProfileMayHold) {
  struct Case {
    std::string stored;
    std::string bare;
  } cases[] = {
      {"FirstName", "FirstName"},
      {"\"Last Name\"", "Last Name"},
      {"\"Say \"\"Hi\"\"\"", "Say \"Hi\""},
      {"People.FirstName", "People.FirstName"},
      {"\"People\".\"Last Name\"", "People.Last Name"},
      {"\"x\".\"y", "\"x\".\"y"},  // not two quoted parts: left as it is
  };
  for (const Case& c : cases) EXPECT_EQ(BareColumnName(c.stored), c.bare) << c.stored;
}

TEST(ResultColumnEntries, EachResultColumnStandsForItsOwnColumn) {
  const std::vector<std::string> single = {"ID", "FirstName", "LastName", "Email"};
  const std::vector<std::string> several = {"P.ID", "P.Name", "O.ID", "O.Total"};
  struct Case {
    const char* what;
    std::vector<std::string> entries;
    std::vector<std::string> reported;
    std::vector<std::string> result;
  } cases[] = {
      {"all columns in catalogue order", single, single, single},
      {"some columns, another order", single, {"Email", "FirstName"}, {"Email", "FirstName"}},
      {"several tables", several, {"ID", "Name", "ID", "Total"}, several},
      {"several tables, some columns", several, {"Total", "Name"}, {"O.Total", "P.Name"}},
      {"an alias keeps the position", single, {"ID", "Given"}, {"ID", "FirstName"}},
      {"past the end of the list",
       single,
       {"ID", "FirstName", "LastName", "Email", "Extra"},
       {"ID", "FirstName", "LastName", "Email", "Extra"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResultColumnEntries(c.entries, c.reported), c.result) << c.what;
  }
}

TEST(CommandLine, DisconnectAloneEndsTheProgram) {
  struct Case {
    std::vector<std::string> args;
    bool disconnect;
  } cases[] = {
      {{"disconnect"}, true},
      {{"DISCONNECT"}, true},
      {{"\"Disconnect\""}, true},
      {{"connect"}, false},
      {{}, false},
      {{"disconnect", "x"}, false},
      {{"--unattended"}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseCommandLine(c.args).disconnect, c.disconnect)
        << (c.args.empty() ? "(none)" : c.args[0]);
  }
}

TEST(CommandLine, UnattendedOptions) {
  CommandLine line = ParseCommandLine({"--unattended", "--backup", "yes"});
  EXPECT_TRUE(line.unattended);
  EXPECT_TRUE(line.backup);
  EXPECT_TRUE(line.error.empty());
  // Unasked, the device is backed up before a profile may overwrite it; "no" still says no.
  EXPECT_TRUE(ParseCommandLine({"--unattended"}).backup);
  EXPECT_FALSE(ParseCommandLine({"--unattended", "--backup", "no"}).backup);
  EXPECT_FALSE(ParseCommandLine({"--backup", "maybe"}).error.empty());
  EXPECT_FALSE(ParseCommandLine({"--backup"}).error.empty());
  EXPECT_FALSE(ParseCommandLine({"--frobnicate"}).error.empty());
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
}

TEST(ColumnNames, TableTextIsSplitAtCommas) {
  EXPECT_EQ(SplitTableText("  Contacts  "), (std::vector<std::string>{"Contacts"}));
  EXPECT_EQ(SplitTableText("Customers, Orders"),
            (std::vector<std::string>{"Customers", " Orders"}));
  EXPECT_TRUE(SplitTableText("   ").empty());
  std::string many;
  for (int i = 0; i < 25; ++i) many += "t" + std::to_string(i) + ",";
  EXPECT_EQ(SplitTableText(many).size(), kMaxTables);
}

TEST(ColumnNames, SeveralTablesQualifyTheirColumns) {
  auto columns_of = [](std::string& table) -> std::vector<std::string> {
    if (table == "\"Customers\"") table = "Customers";
    if (table == "Customers") return {"Name", "City"};
    if (table == "Orders") return {"Total"};
    return {};
  };
  EXPECT_EQ(ColumnNameEntries({"\"Customers\""}, columns_of),
            (std::vector<std::string>{"Name", "City"}));
  EXPECT_EQ(ColumnNameEntries({"Customers", "Orders"}, columns_of),
            (std::vector<std::string>{"Customers.Name", "Customers.City", "Orders.Total"}));
  // The second table keeps its leading blank and so is not found.
  EXPECT_EQ(ColumnNameEntries({"Customers", " Orders"}, columns_of),
            (std::vector<std::string>{"Customers.Name", "Customers.City"}));
}

TEST(ColumnNames, ListIsFullAtItsLimit) {
  auto columns_of = [](std::string&) { return std::vector<std::string>(200, "c"); };
  EXPECT_EQ(ColumnNameEntries({"a", "b"}, columns_of).size(), kMaxColumnNames);
}

}  // namespace
}  // namespace velmora::conduit

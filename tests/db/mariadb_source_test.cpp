// A MariaDB data source on the "MariaDB Unicode" driver with a private server: the desktop
// manager's reconfiguration before each connect, the kind it records, and the bare identifiers
// of the wizard's and the conduit's statements through Execute and OdbcResultSet.
#include <gtest/gtest.h>

#include <algorithm>

#include "db/connection.h"
#include "db/data_sources.h"
#include "db/odbc_result_set.h"
#include "db/statements.h"
#include "tests/support/mariadb_server.h"
#include "tests/support/odbc_env.h"

namespace velmora::db {
namespace {

using velmora::testing::MariaDbServer;
using velmora::testing::OdbcEnvironment;

constexpr const char* kContactsSql =
    "DROP TABLE IF EXISTS contacts;"
    "CREATE TABLE contacts (FirstName VARCHAR(40), LastName VARCHAR(40), Birthday DATE,"
    " Visits INT);"
    "INSERT INTO contacts VALUES ('Grace', 'Hopper', '1906-12-09', 3),"
    " ('Bo', 'Old', NULL, 1);";

class MariaDbSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MariaDbServer& maria = MariaDbServer::Shared();
    if (!maria.Available()) GTEST_SKIP() << maria.SkipReason();
    std::string output;
    ASSERT_TRUE(maria.Sql(kContactsSql, &output)) << output;
    maria.AddDataSource(odbc_, "Shop");
  }

  OdbcEnvironment odbc_;
};

TEST_F(MariaDbSourceTest, TheDesktopManagerSetsOption1024BeforeEveryConnect) {
  Connection c;
  for (int attempt = 0; attempt < 2; ++attempt) {
    ASSERT_TRUE(UpdateDataSource("Shop", {{"Option", "0"}}));
    std::string error;
    ASSERT_TRUE(c.Connect(kCustomDsnDesktop, kDatabaseDsn, "Shop", "", "", &error, true)) << error;
    EXPECT_EQ(odbc_.UserIniValue("Shop", "Option"), "1024") << "attempt " << attempt;
    EXPECT_EQ(c.DatabaseKind(), kKindMySql);
    EXPECT_EQ(c.DataSourceText(), "Shop");
  }
  EXPECT_EQ(ListTables(c), (std::vector<std::string>{"contacts"}));
  std::string table = "contacts";
  EXPECT_EQ(ListColumns(c, table),
            (std::vector<std::string>{"FirstName", "LastName", "Birthday", "Visits"}));
}

TEST_F(MariaDbSourceTest, BareIdentifiersWorkInTheConduitsWritesAndTheWizardsSelect) {
  Connection conduit(Program::kConduit);
  std::string error;
  ASSERT_TRUE(conduit.Connect(kCustomDsnConduit, kDatabaseDsn, "Shop", "", "", &error, false))
      << error;
  EXPECT_FALSE(conduit.IsFoxPro());
  ASSERT_TRUE(Succeeded(Execute(conduit, "DELETE FROM contacts WHERE FirstName='Bo'", &error)))
      << error;
  ASSERT_TRUE(Succeeded(Execute(conduit,
                                "INSERT INTO contacts (FirstName, LastName, Birthday, Visits) "
                                "VALUES ('S\xC3\xB8ren', 'O''Neil, Jr.', '2000-02-29', 7)",
                                &error)))
      << error;
  EXPECT_TRUE(conduit.Close(&error)) << error;

  Connection desktop;
  ASSERT_TRUE(desktop.Connect(kCustomDsnDesktop, kDatabaseDsn, "Shop", "", "", &error, true))
      << error;
  OdbcResultSet rows;
  ASSERT_TRUE(rows.Open(desktop,
                        "SELECT FirstName, LastName, Birthday, Visits FROM contacts ORDER BY "
                        "Birthday"))
      << rows.ErrorReport();
  ASSERT_EQ(rows.RowCount(), 2);
  ASSERT_TRUE(rows.MoveToRow(0));
  EXPECT_EQ(rows.GetValue(0), Value(std::string("Grace")));
  EXPECT_EQ(rows.GetValue(2), Value(Date{1906, 12, 9}));
  ASSERT_TRUE(rows.MoveToRow(1));
  EXPECT_EQ(rows.GetValue(0), Value(std::string("S\xC3\xB8ren")));
  EXPECT_EQ(rows.GetValue(1), Value(std::string("O'Neil, Jr.")));
  EXPECT_EQ(rows.GetValue(2), Value(Date{2000, 2, 29}));
  EXPECT_EQ(rows.GetValue(3), Value(std::int64_t{7}));
  long count = 0;
  EXPECT_TRUE(RecordCount(desktop, "SELECT FirstName FROM contacts WHERE Visits > 2", &count));
  EXPECT_EQ(count, 2);
}

}  // namespace
}  // namespace velmora::db

#include "db/connection.h"

#include <gtest/gtest.h>
#include <sqlext.h>

#include <chrono>
#include <thread>

#include "db/data_sources.h"
#include "db/file_stager.h"
#include "db/statements.h"
#include "tests/db/sqlite_file.h"
#include "tests/support/odbc_env.h"

namespace velmora::db {
namespace {

using velmora::testing::OdbcEnvironment;

constexpr const char* kRefusalPrefix =
    "Failed to connect to database.\n\nODBC Reports : \n\n SQLSTATE:HY000 \n Native Error "
    "Code:0 \n Driver Message:=' [Velmora] ";

class ConnectionTest : public ::testing::Test {
 protected:
  std::string Sqlite(const std::string& leaf) {
    std::filesystem::path file = odbc_.folder() / leaf;
    std::filesystem::create_directories(file.parent_path());
    EXPECT_TRUE(testing::MakeSqliteFile(file,
                                        "CREATE TABLE Contacts(Name TEXT);"
                                        "INSERT INTO Contacts VALUES('Ann');"));
    return file.string();
  }

  OdbcEnvironment odbc_;
};

TEST_F(ConnectionTest, OpensAnSqliteFileThroughATemporaryDataSourceAndRemovesItAfter) {
  const std::string file = Sqlite("Orvendel.mdb");
  Connection c;
  std::string error;
  ASSERT_TRUE(c.Connect(kProfileDsnDesktop, kDatabaseAccess, file, "", kProfileDatabasePassword,
                        &error, false))
      << error;
  EXPECT_TRUE(c.IsConnected());
  EXPECT_EQ(c.DatabaseType(), kDatabaseAccess);
  EXPECT_EQ(c.DataSourceText(), "DSN=TempQuenlowDSN;DBQ=" + file + ";UID=;PWD=QRT482");
  EXPECT_EQ(odbc_.UserIniValue("TempQuenlowDSN", "Driver"), "SQLite3");
  EXPECT_EQ(odbc_.UserIniValue("TempQuenlowDSN", "Database"), file);
  EXPECT_EQ(odbc_.UserIniValue("TempQuenlowDSN", "Timeout"), "10000");
  EXPECT_EQ(odbc_.UserIniValue("TempQuenlowDSN", "PWD"), std::nullopt)
      << "the password goes to the driver, not into the data source file";
  long count = 0;
  EXPECT_TRUE(RecordCount(c, "SELECT * FROM Contacts", &count));
  EXPECT_EQ(count, 1);

  c.Disconnect();
  EXPECT_FALSE(c.IsConnected());
  EXPECT_FALSE(odbc_.UserHasDataSource("TempQuenlowDSN"));
}

TEST_F(ConnectionTest, ConnectWhileConnectedRemovesTheEarlierTemporaryDataSourceFirst) {
  const std::string first = Sqlite("a.mdb");
  const std::string second = Sqlite("b.mdb");
  Connection c(Program::kConduit);
  ASSERT_TRUE(c.Connect("TempOne", kDatabaseAccess, first, "", "", nullptr, false));
  ASSERT_TRUE(odbc_.UserHasDataSource("TempOne"));
  ASSERT_TRUE(c.Connect("TempTwo", kDatabaseAccess, second, "", "", nullptr, false));
  EXPECT_FALSE(odbc_.UserHasDataSource("TempOne"));
  EXPECT_EQ(odbc_.UserIniValue("TempTwo", "Database"), second);

  // The same name again points the data source at the new file.
  ASSERT_TRUE(c.Connect("TempTwo", kDatabaseAccess, first, "", "", nullptr, false));
  EXPECT_EQ(odbc_.UserIniValue("TempTwo", "Database"), first);
}

TEST_F(ConnectionTest, TheDestructorRemovesTheTemporaryDataSource) {
  const std::string file = Sqlite("a.mdb");
  {
    Connection c;
    ASSERT_TRUE(c.Connect("TempGone", kDatabaseAccess, file, "", "", nullptr, false));
  }
  EXPECT_FALSE(odbc_.UserHasDataSource("TempGone"));
}

struct RefusedFile {
  const char* what;
  const char* bytes;  // nullptr: no file at all; "/": a folder
  std::size_t size;
  const char* found;
};

const RefusedFile kRefused[] = {
    {"missing file", nullptr, 0, ": file not found"},
    {"folder", "/", 0, " is not an SQLite database (found a folder)"},
    {"empty file", "", 0, " is not an SQLite database (found an empty file)"},
    {"Jet file", "\0\x01\0\0Standard Jet DB\0\x01\0\0\0", 24,
     " is not an SQLite database (found a Jet/Access file)"},
    {"ACE file", "\0\x01\0\0Standard ACE DB\0\x02\0\0\0", 24,
     " is not an SQLite database (found an Access 2007 file)"},
    {"OLE workbook", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10,
     " is not an SQLite database (found an OLE compound file (Excel?))"},
    {"text", "Name,Phone\r\nAnn,555\r\n", 21, " is not an SQLite database (found a text file)"},
    {"SQLite 2 file", "** This file contains an SQLite 2.1 database **", 48,
     " is not an SQLite database (found an unknown format)"},
};

TEST_F(ConnectionTest, RefusesAnAccessFileThatIsNotAnSqliteDatabaseAndSaysWhatItFound) {
  for (const RefusedFile& r : kRefused) {
    const std::string path = (odbc_.folder() / (std::string(r.what) + ".mdb")).string();
    if (r.bytes != nullptr && std::string_view(r.bytes) == "/") {
      std::filesystem::create_directories(path);
    } else if (r.bytes != nullptr) {
      velmora::testing::WriteFileBytes(path, std::string(r.bytes, r.size));
    }
    Connection c;
    std::string error = "untouched";
    EXPECT_FALSE(c.Connect("TempBad", kDatabaseAccess, path, "", "", &error, false)) << r.what;
    EXPECT_EQ(error, kRefusalPrefix + path + r.found + " '") << r.what;
    EXPECT_FALSE(c.IsConnected());
    EXPECT_EQ(c.LastReturnCode(), SQL_ERROR);
    bool login = true;
    std::string report;
    c.ClassifyFailure(&login, &report);
    EXPECT_FALSE(login) << r.what;
    EXPECT_EQ(report.rfind("SQLSTATE:HY000 \n Native Error Code:0 \n Driver Message:=' ", 0), 0u);
  }
}

TEST_F(ConnectionTest, FileTypesWithoutAStagerFailLikeAnAccessFileOfTheWrongFormat) {
  const std::string file = Sqlite("book.xls");
  SetFileDatabaseStager(nullptr);
  struct {
    int type;
    const char* driver;
  } kinds[] = {{kDatabaseExcel, "Microsoft Excel Driver (*.xls)"},
               {kDatabaseDbase, "Microsoft dBase Driver (*.dbf)"},
               {kDatabaseCsv, "Microsoft Text Driver (*.txt; *.csv)"}};
  for (const auto& k : kinds) {
    Connection c;
    std::string error;
    EXPECT_FALSE(c.Connect("TempX", k.type, file, "", "", &error, true));
    EXPECT_EQ(error, kRefusalPrefix + std::string("no driver for ") + k.driver + " on " + file +
                         " (found an SQLite database) '");
  }
  EXPECT_FALSE(odbc_.UserHasDataSource("TempX"));
  SetFileDatabaseStager(DefaultFileDatabaseStager());
}

TEST_F(ConnectionTest, AFailedConnectWithoutErrorBufferOnlyReturnsFalse) {
  Connection c;
  EXPECT_FALSE(c.Connect("TempBad", kDatabaseAccess, (odbc_.folder() / "none.mdb").string(), "", "",
                         nullptr, false));
  EXPECT_FALSE(c.IsConnected());
}

TEST_F(ConnectionTest, AFailedConnectAfterAGoodOneLeavesNothingConnected) {
  const std::string file = Sqlite("a.mdb");
  Connection c;
  ASSERT_TRUE(c.Connect("TempOne", kDatabaseAccess, file, "", "", nullptr, false));
  EXPECT_FALSE(c.Connect("TempTwo", kDatabaseAccess, file + ".missing", "", "", nullptr, false));
  EXPECT_FALSE(c.IsConnected());
  EXPECT_FALSE(odbc_.UserHasDataSource("TempOne"));
}

TEST_F(ConnectionTest, DisconnectOfADataSourceNameNeverRemovesIt) {
  odbc_.AddSqliteDataSource("Contacts", Sqlite("contacts.db"));
  const std::string before = odbc_.UserIniText();
  for (Program p : {Program::kDesktopManager, Program::kConduit}) {
    Connection c(p);
    std::string error;
    ASSERT_TRUE(c.Connect(kCustomDsnDesktop, kDatabaseDsn, "Contacts", "", "", &error, true))
        << error;
    EXPECT_EQ(c.DataSourceText(), "Contacts");
    EXPECT_EQ(c.DatabaseKind(), kKindOther);
    c.Disconnect();
    EXPECT_FALSE(c.IsConnected());
  }
  EXPECT_EQ(odbc_.UserIniText(), before);
}

TEST_F(ConnectionTest, AnUnknownDataSourceNameFailsWithTheDriverManagersReport) {
  Connection c;
  std::string error;
  EXPECT_FALSE(c.Connect(kCustomDsnDesktop, kDatabaseDsn, "NoSuchSource", "", "", &error, false));
  EXPECT_EQ(
      error.rfind("Failed to connect to database.\n\nODBC Reports : \n\n SQLSTATE:IM002 \n", 0), 0u)
      << error;
}

TEST_F(ConnectionTest, TextThatWouldAddAttributesIsRefusedAndNeverWritten) {
  // A real database below a folder whose name carries a line break and an attribute.
  const std::string injected = Sqlite("x\nLoadExt=/tmp/evil.so\n/a.mdb");
  odbc_.AddSqliteDataSource("Contacts", Sqlite("contacts.db"));
  const struct {
    const char* what;
    int type;
    std::string dsn;
    std::string source;
  } cases[] = {
      {"line break in a path", kDatabaseAccess, "TempOne", injected},
      {"carriage return in a path", kDatabaseAccess, "TempOne", Sqlite("c.mdb") + "\rLoadExt=x"},
      {"NUL in a path", kDatabaseAccess, "TempOne", Sqlite("n.mdb") + std::string(1, '\0') + "x"},
      {"line break in a temporary name", kDatabaseAccess, "Temp\nLoadExt=x", Sqlite("d.mdb")},
      {"attributes in a source name", kDatabaseDsn, "", "Contacts;Database=/tmp/other.db"},
      {"section head in a source name", kDatabaseDsn, "", "Contacts]\n[Evil"},
  };
  const std::string before = odbc_.UserIniText();
  for (const auto& c : cases) {
    for (Program p : {Program::kDesktopManager, Program::kConduit}) {
      Connection connection(p);
      std::string error;
      EXPECT_FALSE(connection.Connect(c.dsn, c.type, c.source, "", "", &error, false)) << c.what;
      EXPECT_EQ(error.rfind(kRefusalPrefix, 0), 0u) << c.what << ": " << error;
      EXPECT_EQ(odbc_.UserIniText(), before) << c.what;
    }
  }
  EXPECT_FALSE(WriteDataSource("TempOne", "SQLite3", {{"Database", "a\nLoadExt=x"}}));
  EXPECT_FALSE(UpdateDataSource("Contacts", {{"Option\nLoadExt", "x"}}));
  EXPECT_EQ(odbc_.UserIniText(), before);
}

TEST_F(ConnectionTest, NonAsciiPathsReachTheDriver) {
  const std::string file = Sqlite("Ünïcødé 𝄞/Orvendel.mdb");
  Connection c;
  std::string error;
  ASSERT_TRUE(c.Connect(kProfileDsnDesktop, kDatabaseAccess, file, "", "", &error, false)) << error;
  long count = 0;
  EXPECT_TRUE(RecordCount(c, "SELECT * FROM Contacts", &count));
  EXPECT_EQ(count, 1);
}

// A MySQL source (here a driver entry over the MariaDB library, with no server behind it).
class MySqlSourceTest : public ConnectionTest {
 protected:
  void SetUp() override {
    odbc_.AddDriver("MySQL ODBC 8.0 Unicode Driver", "/usr/lib/x86_64-linux-gnu/odbc/libmaodbc.so",
                    "MySQL");
    odbc_.AddDataSource("Shop", "MySQL ODBC 8.0 Unicode Driver",
                        {{"Server", "localhost"},
                         {"Socket", (odbc_.folder() / "no-server.sock").string()},
                         {"Database", "shop"},
                         {"UID", "stored"},
                         {"PWD", "secret"}});
    odbc_.AddDataSource(
        "Maria", velmora::testing::kMariaDbDriverName,
        {{"Server", "localhost"}, {"Socket", (odbc_.folder() / "no-server.sock").string()}});
  }
};

TEST_F(MySqlSourceTest, TheDesktopManagerSetsOption1024AndNeverStoresTheCallersCredentials) {
  Connection c;
  EXPECT_FALSE(c.Connect(kCustomDsnDesktop, kDatabaseDsn, "Shop", "bob", "pw", nullptr, false));
  EXPECT_EQ(c.DatabaseKind(), kKindMySql);
  EXPECT_EQ(odbc_.UserIniValue("Shop", "Option"), "1024");
  EXPECT_EQ(odbc_.UserIniValue("Shop", "UID"), "stored");
  EXPECT_EQ(odbc_.UserIniValue("Shop", "PWD"), "secret");
  EXPECT_EQ(odbc_.UserIniText().find("=pw\n"), std::string::npos);
  EXPECT_EQ(odbc_.UserIniValue("Shop", "Driver"), "MySQL ODBC 8.0 Unicode Driver");
  EXPECT_EQ(odbc_.UserIniValue("Shop", "Database"), "shop");
}

TEST_F(MySqlSourceTest, AnEmptyLoginKeepsTheStoredCredentials) {
  Connection c;
  EXPECT_FALSE(c.Connect(kCustomDsnDesktop, kDatabaseDsn, "Shop", "", "", nullptr, false));
  EXPECT_EQ(odbc_.UserIniValue("Shop", "Option"), "1024");
  EXPECT_EQ(odbc_.UserIniValue("Shop", "UID"), "stored");
  EXPECT_EQ(odbc_.UserIniValue("Shop", "PWD"), "secret");
}

TEST_F(MySqlSourceTest, AMariaDbSourceCountsAsMySql) {
  Connection c;
  EXPECT_FALSE(c.Connect(kCustomDsnDesktop, kDatabaseDsn, "Maria", "", "", nullptr, false));
  EXPECT_EQ(c.DatabaseKind(), kKindMySql);
  EXPECT_EQ(odbc_.UserIniValue("Maria", "Option"), "1024");
}

TEST_F(MySqlSourceTest, TheConduitAndOtherDriversLeaveTheSourceAlone) {
  odbc_.AddSqliteDataSource("Contacts", Sqlite("contacts.db"));
  const std::string before = odbc_.UserIniText();
  Connection conduit(Program::kConduit);
  EXPECT_FALSE(
      conduit.Connect(kCustomDsnConduit, kDatabaseDsn, "Shop", "bob", "pw", nullptr, false));
  Connection desktop;
  EXPECT_TRUE(desktop.Connect(kCustomDsnDesktop, kDatabaseDsn, "Contacts", "", "", nullptr, true));
  EXPECT_EQ(odbc_.UserIniText(), before);
}

TEST_F(MySqlSourceTest, ASystemSourceIsChangedWhereItIsDefined) {
  odbc_.AddDataSource(
      "SysShop", "MySQL ODBC 8.0 Unicode Driver",
      {{"Server", "localhost"}, {"Socket", (odbc_.folder() / "no-server.sock").string()}},
      /*system=*/true);
  Connection c;
  EXPECT_FALSE(c.Connect(kCustomDsnDesktop, kDatabaseDsn, "SysShop", "", "", nullptr, false));
  EXPECT_FALSE(odbc_.UserHasDataSource("SysShop")) << "a partial user entry would shadow it";
  EXPECT_EQ(velmora::testing::IniValue(velmora::testing::ReadFileBytes(odbc_.SystemIni()),
                                       "SysShop", "Option"),
            "1024");
}

TEST_F(ConnectionTest, TheKindOfDatabaseComesFromTheDriverDescriptionOrTheFileType) {
  const std::string file = Sqlite("contacts.db");
  const std::string sqlite_library = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
  odbc_.AddDriver("Microsoft Visual FoxPro Driver", sqlite_library, "FoxPro stand-in");
  odbc_.AddDriver("Microsoft Text Driver (*.txt; *.csv)", sqlite_library, "Text stand-in");
  odbc_.AddDataSource("Fox", "Microsoft Visual FoxPro Driver", {{"Database", file}});
  odbc_.AddDataSource("Csv", "Microsoft Text Driver (*.txt; *.csv)", {{"Database", file}});
  odbc_.AddDataSource("foxpro lower", "SQLite3", {{"Database", file}});

  struct {
    int type;
    const char* source;
    int kind;
  } cases[] = {
      {kDatabaseDsn, "Fox", kKindFoxPro},         {kDatabaseDsn, "Csv", kKindText},
      {kDatabaseDsn, "foxpro lower", kKindOther}, {kDatabaseExcel, file.c_str(), kKindExcel},
      {kDatabaseCsv, file.c_str(), kKindText},    {kDatabaseAccess, file.c_str(), kKindOther}};
  Connection c;
  for (const auto& k : cases) {
    c.Connect(kCustomDsnDesktop, k.type, k.source, "", "", nullptr, true);
    EXPECT_EQ(c.DatabaseKind(), k.kind) << k.source << " type " << k.type;
  }

  Connection conduit(Program::kConduit);
  ASSERT_TRUE(conduit.Connect(kCustomDsnConduit, kDatabaseDsn, "Fox", "", "", nullptr, false));
  EXPECT_TRUE(conduit.IsFoxPro());
  ASSERT_TRUE(conduit.Connect(kCustomDsnConduit, kDatabaseDsn, "Csv", "", "", nullptr, false));
  EXPECT_FALSE(conduit.IsFoxPro()) << "cleared at every connect";
}

// Serves dBase, CSV and Excel sources from one SQLite file and records what it was asked.
class FakeStager : public FileDatabaseStager {
 public:
  explicit FakeStager(std::string staged) : staged_(std::move(staged)) {}
  std::optional<std::string> Stage(int type, const std::string& source, bool,
                                   std::string* reason) override {
    staged_calls.push_back(std::to_string(type) + ":" + source);
    if (source.ends_with(".broken")) {
      *reason = "[Stager] cannot read " + source;
      return std::nullopt;
    }
    return staged_;
  }
  bool Release(int type, const std::string& source, const std::string& path, bool,
               std::string*) override {
    released.push_back(std::to_string(type) + ":" + source + "=" + path);
    return true;
  }
  std::vector<std::string> staged_calls;
  std::vector<std::string> released;

 private:
  std::string staged_;
};

TEST_F(ConnectionTest, AFileStagerServesOtherFormatsAndGetsThemBackOnDisconnect) {
  const std::string staged = Sqlite("staged.sqlite");
  auto stager = std::make_shared<FakeStager>(staged);
  SetFileDatabaseStager(stager);
  Connection c(Program::kConduit);
  c.SetDefaultFolder("/data/dBase files");
  EXPECT_EQ(c.DefaultFolder(), "/DATA/DBASE FILES");
  ASSERT_TRUE(
      c.Connect(kCustomDsnConduit, kDatabaseDbase, "/data/dBase files", "u", "p", nullptr, false));
  EXPECT_EQ(c.DataSourceText(),
            "DSN=MardelSyncDSN;UID=u;PWD=p;DEFAULTDIR=/DATA/DBASE FILES;PAGETIMEOUT=600;"
            "DELETED=1;");
  EXPECT_EQ(odbc_.UserIniValue(std::string(kCustomDsnConduit), "Database"), staged);
  c.Disconnect();
  ASSERT_EQ(stager->released.size(), 1u);
  EXPECT_EQ(stager->released[0], "3:/data/dBase files=" + staged);

  std::string error;
  EXPECT_FALSE(
      c.Connect(kCustomDsnConduit, kDatabaseExcel, "/data/book.broken", "", "", &error, false));
  EXPECT_EQ(error,
            "Failed to connect to database.\n\nODBC Reports : \n\n SQLSTATE:HY000 \n Native Error "
            "Code:0 \n Driver Message:=' [Stager] cannot read /data/book.broken '");
  ASSERT_TRUE(
      c.Connect(kCustomDsnConduit, kDatabaseExcel, "/data/book.xls", "", "", nullptr, false));
  EXPECT_EQ(c.DataSourceText(), "DSN=MardelSyncDSN;DBQ=/data/book.xls;UID=;PWD=;");
  SetFileDatabaseStager(DefaultFileDatabaseStager());
  c.Disconnect();
  EXPECT_EQ(stager->released.size(), 2u) << "released by the stager that staged it";
}

TEST_F(ConnectionTest, TwoConnectionsToOneFileWaitForEachOthersWrites) {
  const std::string file = Sqlite("shared.mdb");
  Connection writer(Program::kConduit);
  Connection other;
  ASSERT_TRUE(writer.Connect(kProfileDsnConduit, kDatabaseAccess, file, "", "", nullptr, false));
  ASSERT_TRUE(other.Connect(kProfileDsnDesktop, kDatabaseAccess, file, "", "", nullptr, false));
  ASSERT_TRUE(Succeeded(SQLSetConnectAttr(writer.Handle(), SQL_ATTR_AUTOCOMMIT,
                                          reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)));
  ASSERT_TRUE(Succeeded(Execute(writer, "INSERT INTO Contacts VALUES('Bo')")));
  std::thread commit([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SQLEndTran(SQL_HANDLE_DBC, writer.Handle(), SQL_COMMIT);
  });
  std::string error;
  SQLRETURN rc = Execute(other, "INSERT INTO Contacts VALUES('Cy')", &error);
  commit.join();
  EXPECT_TRUE(Succeeded(rc)) << error;
  long count = 0;
  EXPECT_TRUE(RecordCount(other, "SELECT * FROM Contacts", &count));
  EXPECT_EQ(count, 3);
}

}  // namespace
}  // namespace velmora::db

#include "db/diagnostics.h"

#include <gtest/gtest.h>
#include <sqlext.h>

#include "db/odbc_handles.h"

namespace velmora::db {
namespace {

const DiagRecord kRecord{"28000", -17, "Login failed for user 'sa'"};

TEST(Reports, AreTheFixedTextsByteForByte) {
  EXPECT_EQ(PlainReport(kRecord),
            "SQLSTATE:28000 \n Native Error Code:-17 \n Driver Message:=' Login failed for user "
            "'sa' '");
  EXPECT_EQ(ConnectFailureReport(kRecord),
            "Failed to connect to database.\n\nODBC Reports : \n\n SQLSTATE:28000 \n Native Error "
            "Code:-17 \n Driver Message:=' Login failed for user 'sa' '");
  EXPECT_EQ(StatementReport(kRecord),
            "ODBC Reports : \n\nSQLSTATE:28000 \nNative Error Code:-17 \nDriver Message:=' Login "
            "failed for user 'sa' '");
  EXPECT_EQ(ConduitReport(kRecord),
            "ODBC Reports : \n\n SQLSTATE:28000 \n Native Error Code:-17 \n Driver Message:=' "
            "Login failed for user 'sa' '");
}

TEST(Reports, PrintEmptyFieldsWhenTheDriverHasNoRecord) {
  EnvHandle env;
  ASSERT_TRUE(Succeeded(env.Allocate(SQL_NULL_HANDLE)));
  SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  DbcHandle dbc;
  ASSERT_TRUE(Succeeded(dbc.Allocate(env.get())));
  DiagRecord none = FirstDiagRecord(SQL_HANDLE_DBC, dbc.get());
  EXPECT_EQ(none.state, "");
  EXPECT_EQ(none.native_code, 0);
  EXPECT_EQ(ConnectionReport(dbc.get()),
            "SQLSTATE: \n Native Error Code:0 \n Driver Message:='  '");
  EXPECT_EQ(StatementErrorReport(SQL_NULL_HANDLE),
            "ODBC Reports : \n\nSQLSTATE: \nNative Error Code:0 \nDriver Message:='  '");
}

TEST(Reports, KeepPercentSignsOfTheMessage) {
  DiagRecord record{"HY000", 1, "near \"%s\": syntax error 100%"};
  EXPECT_EQ(PlainReport(record),
            "SQLSTATE:HY000 \n Native Error Code:1 \n Driver Message:=' near \"%s\": syntax error "
            "100% '");
}

struct LoginCase {
  const char* state;
  const char* message;
  bool login;
};

const LoginCase kLoginCases[] = {
    {"08001", "password authentication failed", true},
    {"08001", "FATAL: role \"bob\" does not exist for User", true},
    {"HY000", "access denied for uSeR 'x'", true},
    {"HY000", "Login timeout expired", true},
    {"HYT00", "login timeout expired", true},
    {"HY000", "Bad Password", true},
    {"28000", "no message words", true},
    {"42000", "syntax error", true},
    {"37000", "syntax error", true},
    {"S1000", "unable to open database file", false},
    {"08001", "could not connect to server", false},
    {"IM002", "Data source name not found and no default driver specified", false},
    {"", "", false},
    {"HY000", "USR", false},
};

TEST(ClassifyFailure, TellsLoginFailuresByWordsInAnyCaseOrByState) {
  for (const LoginCase& c : kLoginCases) {
    EXPECT_EQ(IsLoginFailure({c.state, 0, c.message}), c.login) << c.state << " " << c.message;
  }
}

}  // namespace
}  // namespace velmora::db

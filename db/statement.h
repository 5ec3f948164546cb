// One statement on a connection, prepared once and run as often as needed: each run binds its
// values (`db::Value`s, sent as the parameter types given) and executes. Used by the writers that
// fill a table row by row and by the transaction guard's savepoints. Never throws; a failed step
// returns false and leaves the driver's first diagnostic record readable.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "db/diagnostics.h"
#include "db/odbc_handles.h"
#include "db/value.h"

namespace velmora::db {

// The SQL type a parameter is sent as: an ODBC SQL type code (SQL_VARCHAR, SQL_INTEGER, …), its
// column size and decimal digits. A text is sent with a column size of at least its length.
struct ParameterType {
  int sql_type = 12;  // SQL_VARCHAR
  std::size_t size = 0;
  int digits = 0;
};

// The parameter type for a column of normalised type code `type_code` (db/type_codes.h): texts
// as wide variable-length text, numerics with the column's size and digits, each integer kind as
// its own SQL type, dates and times as the ODBC date, time and timestamp types.
ParameterType ParameterTypeOfCode(int type_code, int size, int digits);

class Statement {
 public:
  explicit Statement(Connection& connection);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Prepares `sql` (in the text the driver takes) for Bind and Execute; false on refusal.
  bool Prepare(std::string_view sql);

  // Binds parameter `number` (counting from 1) to a copy of `value`, held until the next Bind of
  // that number: Null as SQL NULL, texts as UTF-16, integers as 64 bits, reals as doubles, dates,
  // times and timestamps as the ODBC structures.
  bool Bind(int number, const Value& value, const ParameterType& type = {});

  // Runs the prepared statement with the values bound. A statement that changes no row runs
  // too. Any cursor it opens is closed again.
  bool Execute();

  // Runs `sql` at once, without parameters, past the statement crash point.
  bool ExecuteDirect(std::string_view sql);

  // The first column of the first row of `sql` as an integer (NULL as 0); none when the
  // statement fails or returns no row.
  std::optional<long> QueryInteger(std::string_view sql);

  // The first diagnostic record of the last failed step; of the connection when the statement
  // could not even be allocated.
  const DiagRecord& Diagnostic() const { return diagnostic_; }
  // That record as "SQLSTATE:… Native Error Code:… Driver Message:=' … '".
  std::string Report() const { return PlainReport(Diagnostic()); }

 private:
  struct Parameter;
  bool Allocated();
  bool Finished(SQLRETURN return_code);

  Connection& connection_;
  StmtHandle handle_;
  DiagRecord diagnostic_;
  // Addresses stay put while bound: the driver reads them at Execute.
  std::vector<std::unique_ptr<Parameter>> parameters_;
};

}  // namespace velmora::db

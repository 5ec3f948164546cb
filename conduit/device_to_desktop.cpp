#include "conduit/device_to_desktop.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>

#include "conduit/backups.h"
#include "conduit/device_export.h"
#include "conduit/mapping_plan.h"
#include "conduit/odbc_direct.h"
#include "conduit/writer_values.h"
#include "db/connection.h"
#include "db/diagnostics.h"
#include "db/driver_text.h"
#include "db/odbc_handles.h"
#include "db/odbc_result_set.h"
#include "db/query_tables.h"
#include "db/sql_literal.h"
#include "db/type_codes.h"
#include "platform/files/crash_point.h"
#include "platform/text/utf.h"
#include "profile/sync_settings.h"
#include "transfer/pim_reader.h"

namespace velmora::conduit {
namespace {

struct RunTarget {
  std::string table;         // exactly as the query names it
  std::string quoted_table;  // in double quotes unless the database is MySQL
  bool bare_names = false;
  long mapped_count = 0;                        // n
  std::vector<profile::TypedMapping> logged;    // the first n, column names bare
  std::vector<profile::TypedMapping> mappings;  // those of them whose column the table has
  std::vector<std::string> mapped_fields;       // device field names, in mapping order
};

using Slots = std::vector<transfer::PimValue>;

std::string QuoteName(const RunTarget& target, std::string_view name) {
  return db::SourceIdentifier(name, target.bare_names);
}

// False when the delete failed: the new rows must then not be added to the old ones.
bool DeleteAllRows(RunContext& context, db::Connection& custom_db, const RunTarget& target,
                   WriteTransaction& transaction) {
  context.Status("Deleting records from desktop Custom Database...");
  context.Log("\r\n\tDeleting desktop custom database record contents...");
  // A count that cannot be read does not prove the table empty.
  std::optional<long> count =
      QueryCount(custom_db.Handle(), "SELECT count(*) FROM " + target.quoted_table);
  if (count && *count <= 0) return true;
  transaction.BeginRow();
  DirectResult deleted = ExecuteDirect(custom_db.Handle(), "Delete from " + target.quoted_table);
  const bool kept = transaction.EndRow(deleted.ok);
  if (!deleted.ok) {
    context.SetRunError();
    context.Log("\r\n\tCould not delete records\r\n\t\tODBC Reports : \r\n\t\t" +
                deleted.diagnostic);
    return false;
  }
  context.Log("\r\n\tRecords Deleted Successfully.");
  return kept;
}

// False when a failed row stopped the writing.
bool WriteWithStatements(RunContext& context, db::Connection& custom_db, const RunTarget& target,
                         const std::string& pim, long records, WriteTransaction& transaction) {
  std::vector<InsertColumn> columns;
  for (const profile::TypedMapping& mapping : target.mappings) {
    columns.push_back({NameInStatement(mapping.db_field_name), mapping.db_data_type});
  }
  Slots slots;
  const std::string table = NameInStatement(target.table);
  for (long r = 1; r <= records; ++r) {
    context.Status("Adding record " + std::to_string(r) + " of " + std::to_string(records) +
                   " ...");
    transfer::PimValuesByCode(pim, r, target.mapped_fields, slots);
    std::string sql = BuildInsertStatement(table, columns, slots);
    context.Log("\r\n\t Record# " + std::to_string(r));
    context.Log("\r\n\tInsert Query: " + sql);
    transaction.BeginRow();
    DirectResult inserted = ExecuteDirect(custom_db.Handle(), sql);
    const bool kept = transaction.EndRow(inserted.ok);
    if (!inserted.ok) {
      context.SetRunError();
      context.Log("\r\n\tCould not insert record\r\n\t\tODBC Reports : \r\n\t\t" +
                  inserted.diagnostic);
    } else {
      context.Log("\r\n\tRecord Inserted Successfully");
      context.Log("\r\n");
    }
    if (!kept) return false;
  }
  return true;
}

// One column of the table that the cursor writer fills.
struct BoundColumn {
  std::string name;  // as the table reports it
  int type = 0;      // normalised code
  int size = 0;
  int digits = 0;
  int slot = -1;  // index of its mapping, -1 when unmapped
};

// Storage of one parameter for one row.
struct ParameterValue {
  std::u16string text;
  std::int32_t int32 = 0;
  std::int16_t int16 = 0;
  std::int8_t int8 = 0;
  std::uint16_t uint16 = 0;
  std::uint32_t uint32 = 0;
  double real = 0.0;
  SQL_DATE_STRUCT date{};
  SQL_TIMESTAMP_STRUCT timestamp{};
  SQLLEN indicator = 0;
};

bool IsBindable(int type) {
  switch (type) {
    case db::kTypeChar:
    case db::kTypeNumeric:
    case db::kTypeInteger:
    case db::kTypeSmallInt:
    case db::kTypeReal:
    case db::kTypeDouble:
    case db::kTypeDate:
    case db::kTypeTimestamp:
    case db::kTypeTime:
    case db::kTypeTinyInt:
    case db::kTypeBit:
    case db::kTypeSTinyInt:
    case db::kTypeUShort:
    case db::kTypeULong:
      return true;
    default:
      return false;
  }
}

bool IsAutoIncrement(SQLHSTMT statement, int column) {
  SQLLEN flag = SQL_FALSE;
  SQLRETURN rc = SQLColAttributeW(statement, static_cast<SQLUSMALLINT>(column + 1),
                                  SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0, nullptr, &flag);
  return db::Succeeded(rc) && flag == SQL_TRUE;
}

// Names of the table's primary key columns, as the catalogue reports them.
// A driver without the wide calls gets the table name and gives the key names as UTF-8 (see
// db/driver_text.h); through the wide calls the driver manager would mangle both.
std::vector<std::string> PrimaryKeyColumns(SQLHDBC connection, const std::string& table) {
  std::vector<std::string> names;
  db::StmtHandle statement;
  if (!db::Succeeded(statement.Allocate(connection))) return names;
  const bool utf8 = db::TakesUtf8(connection);
  std::string narrow = table;
  std::basic_string<SQLWCHAR> wide = WideSql(table);
  const SQLRETURN rc = utf8 ? SQLPrimaryKeys(statement.get(), nullptr, 0, nullptr, 0,
                                             reinterpret_cast<SQLCHAR*>(narrow.data()), SQL_NTS)
                            : SQLPrimaryKeysW(statement.get(), nullptr, 0, nullptr, 0, wide.data(),
                                              static_cast<SQLSMALLINT>(wide.size()));
  if (!db::Succeeded(rc)) return names;
  while (db::Succeeded(SQLFetch(statement.get()))) {
    SQLLEN length = 0;
    if (utf8) {
      char name[1024] = {};
      if (db::Succeeded(SQLGetData(statement.get(), 4, SQL_C_CHAR, name, sizeof name, &length)) &&
          length > 0) {
        names.emplace_back(name);
      }
      continue;
    }
    SQLWCHAR name[256] = {};
    if (db::Succeeded(SQLGetData(statement.get(), 4, SQL_C_WCHAR, name, sizeof name, &length)) &&
        length > 0) {
      std::u16string units;
      for (SQLWCHAR* c = name; *c != 0; ++c) units.push_back(static_cast<char16_t>(*c));
      names.push_back(text::Utf16ToUtf8(units));
    }
  }
  return names;
}

// The table's column name without what a driver puts before the first ".".
std::string ColumnNameWithoutPrefix(std::string name) {
  if (std::size_t dot = name.find('.'); dot != std::string::npos) name.erase(0, dot + 1);
  return name;
}

std::vector<BoundColumn> ColumnsToFill(db::Connection& custom_db, db::OdbcResultSet& table,
                                       const RunTarget& target) {
  const std::vector<std::string> keys = PrimaryKeyColumns(custom_db.Handle(), target.table);
  std::vector<BoundColumn> columns;
  for (int j = 0; j < table.ColumnCount(); ++j) {
    BoundColumn column{table.ColumnName(j), table.ColumnType(j), table.ColumnSize(j),
                       table.DecimalDigits(j), -1};
    if (!IsBindable(column.type)) continue;
    const std::string name = ColumnNameWithoutPrefix(column.name);
    for (std::size_t i = 0; i < target.mappings.size(); ++i) {
      if (target.mappings[i].db_field_name == name) {
        column.slot = static_cast<int>(i);
        break;
      }
    }
    // A key that no device field feeds is left to the database (which numbers it); the 0 an
    // unmapped column gets would clash from the second row on.
    const bool key = std::find(keys.begin(), keys.end(), column.name) != keys.end();
    if (column.slot < 0 && (key || IsAutoIncrement(table.Statement(), j))) continue;
    columns.push_back(column);
  }
  return columns;
}

std::string InsertText(const RunTarget& target, const std::vector<BoundColumn>& columns) {
  std::string sql = "INSERT INTO " + target.quoted_table + "(";
  std::string marks;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) {
      sql += ",";
      marks += ",";
    }
    sql += QuoteName(target, columns[i].name);
    marks += "?";
  }
  return sql + ")VALUES(" + marks + ")";
}

SQLRETURN BindValue(SQLHSTMT statement, SQLUSMALLINT number, const BoundColumn& column,
                    const db::Value& value, ParameterValue& p) {
  SQLSMALLINT c_type = SQL_C_WCHAR;
  SQLSMALLINT sql_type = SQL_WVARCHAR;
  SQLULEN size = 0;
  SQLSMALLINT digits = 0;
  SQLPOINTER data = nullptr;
  SQLLEN length = 0;
  const bool null = db::IsNull(value);
  auto integer = [&] { return null ? 0 : std::get<std::int64_t>(value); };
  switch (column.type) {
    case db::kTypeChar:
    case db::kTypeNumeric:
      if (!null) p.text = text::Utf8ToUtf16(std::get<std::string>(value));
      data = p.text.data();
      length = static_cast<SQLLEN>(p.text.size() * 2);
      size = std::max<SQLULEN>(p.text.size(), 1);
      if (column.type == db::kTypeNumeric) {
        sql_type = SQL_NUMERIC;
        size = static_cast<SQLULEN>(std::max(column.size, 1));
        digits = static_cast<SQLSMALLINT>(column.digits);
      }
      break;
    case db::kTypeInteger:
      p.int32 = static_cast<std::int32_t>(integer());
      c_type = SQL_C_SLONG, sql_type = SQL_INTEGER, data = &p.int32;
      break;
    case db::kTypeSmallInt:
      p.int16 = static_cast<std::int16_t>(integer());
      c_type = SQL_C_SSHORT, sql_type = SQL_SMALLINT, data = &p.int16;
      break;
    case db::kTypeTinyInt:
    case db::kTypeSTinyInt:
    case db::kTypeBit:
      p.int8 = static_cast<std::int8_t>(integer());
      c_type = SQL_C_STINYINT, data = &p.int8;
      sql_type = column.type == db::kTypeBit ? SQL_BIT : SQL_TINYINT;
      break;
    case db::kTypeUShort:
      p.uint16 = static_cast<std::uint16_t>(integer());
      c_type = SQL_C_USHORT, sql_type = SQL_SMALLINT, data = &p.uint16;
      break;
    case db::kTypeULong:
      p.uint32 = static_cast<std::uint32_t>(integer());
      c_type = SQL_C_ULONG, sql_type = SQL_INTEGER, data = &p.uint32;
      break;
    case db::kTypeReal:
    case db::kTypeDouble:
      p.real = null ? 0.0 : std::get<double>(value);
      c_type = SQL_C_DOUBLE, sql_type = SQL_DOUBLE, data = &p.real;
      break;
    case db::kTypeDate:
      if (!null) {
        const auto& d = std::get<db::Date>(value);
        p.date = {static_cast<SQLSMALLINT>(d.year), static_cast<SQLUSMALLINT>(d.month),
                  static_cast<SQLUSMALLINT>(d.day)};
      }
      c_type = SQL_C_TYPE_DATE, sql_type = SQL_TYPE_DATE, data = &p.date, size = 10;
      break;
    case db::kTypeTimestamp:
      if (!null) {
        const auto& d = std::get<db::Date>(value);
        p.timestamp = {static_cast<SQLSMALLINT>(d.year),
                       static_cast<SQLUSMALLINT>(d.month),
                       static_cast<SQLUSMALLINT>(d.day),
                       0,
                       0,
                       0,
                       0};
      }
      c_type = SQL_C_TYPE_TIMESTAMP, sql_type = SQL_TYPE_TIMESTAMP, data = &p.timestamp;
      size = 19;
      break;
    default:  // time
      c_type = SQL_C_WCHAR, sql_type = SQL_TYPE_TIME, data = p.text.data(), size = 8;
      break;
  }
  p.indicator = null ? SQL_NULL_DATA : length;
  return SQLBindParameter(statement, number, SQL_PARAM_INPUT, c_type, sql_type, size, digits, data,
                          length, &p.indicator);
}

// False when the writing stopped: a failed row that could not be undone alone, or no insert.
bool WriteWithCursor(RunContext& context, db::Connection& custom_db, const RunTarget& target,
                     const std::string& pim, long records, WriteTransaction& transaction) {
  db::OdbcResultSet table;
  if (!table.Open(custom_db, "Select * from " + target.quoted_table)) {
    context.SetRunError();
    context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table + " \r\n\t\t" +
                table.ErrorReport());
    return false;
  }
  std::vector<BoundColumn> columns = ColumnsToFill(custom_db, table, target);
  table.Close();

  db::StmtHandle insert;
  insert.Allocate(custom_db.Handle());
  if (!db::Succeeded(
          db::PrepareText(custom_db.Handle(), insert.get(), InsertText(target, columns)))) {
    context.SetRunError();
    context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table + " \r\n\t\t" +
                StatementDiagnostic(insert.get()));
    return false;
  }
  Slots slots;
  std::vector<ParameterValue> parameters(columns.size());
  for (long r = 1; r <= records; ++r) {
    context.Status("Adding record " + std::to_string(r) + " of " + std::to_string(records) +
                   " ...");
    transfer::PimValuesByCode(pim, r, target.mapped_fields, slots);
    bool bound = true;
    for (std::size_t j = 0; j < columns.size(); ++j) {
      const BoundColumn& column = columns[j];
      const bool mapped = column.slot >= 0;
      db::Value value =
          CursorValue(column.type, mapped,
                      mapped ? slots[static_cast<std::size_t>(column.slot)] : std::nullopt);
      parameters[j] = ParameterValue{};
      bound = db::Succeeded(BindValue(insert.get(), static_cast<SQLUSMALLINT>(j + 1), column, value,
                                      parameters[j])) &&
              bound;
    }
    transaction.BeginRow();
    bool added = bound && db::Succeeded(SQLExecute(insert.get()));
    files::CrashPoint("insert");
    std::string diagnostic = added ? std::string() : StatementDiagnostic(insert.get());
    SQLFreeStmt(insert.get(), SQL_CLOSE);
    const bool kept = transaction.EndRow(added);
    if (!added) {
      context.SetRunError();
      context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table +
                  " \r\n\tRow : " + std::to_string(r) + "\r\n\t\t" + diagnostic);
    } else if (r == 1 || r == records) {
      context.Log("\r\n\tRecord # " + std::to_string(r) + " Transfered Successfully");
    }
    if (!kept) return false;
  }
  return true;
}

// The table the run writes to and the mapped columns it has; none when nothing may be written
// (logged, run error flag set).
std::optional<RunTarget> ResolveTarget(RunContext& context, const RunPlan& plan,
                                       db::Connection& custom_db) {
  const profile::ProfileRecord& profile = plan.profile;
  RunTarget target;
  target.bare_names = profile.connection_type == profile::kMySqlKind;
  std::optional<std::string> table = TargetTableName(profile.query);
  // Names of a MySQL source go bare into statements, so only plain names are certain there.
  if (!table || (target.bare_names && !db::IsPlainIdentifier(*table))) {
    context.SetRunError();
    context.Log("\r\n\tNo single table to write to in the profile query: " + profile.query);
    return std::nullopt;
  }
  target.table = *table;
  target.quoted_table = db::SourceIdentifier(target.table, target.bare_names);

  db::OdbcResultSet rows;
  if (!rows.Open(custom_db, "Select * from " + target.quoted_table)) {
    context.SetRunError();
    context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table + " \r\n\t\t" +
                rows.ErrorReport());
    return std::nullopt;
  }
  std::vector<std::string> columns;
  for (int j = 0; j < rows.ColumnCount(); ++j)
    columns.push_back(ColumnNameWithoutPrefix(rows.ColumnName(j)));
  rows.Close();

  target.mapped_count = std::max(0L, plan.mapping.named_count.value_or(0));
  target.logged = CountedRows(plan.mapping);
  target.mappings = CheckMappingAgainstColumns(
      context, target.logged, columns, ColumnSource{ColumnSource::Kind::kTable, target.table});
  if (target.mappings.empty()) return std::nullopt;
  for (const profile::TypedMapping& mapping : target.mappings) {
    target.mapped_fields.push_back(mapping.field_name);
  }
  return target;
}

void LogMappings(RunContext& context, const RunTarget& target) {
  context.Status("Transfering records to desktop Custom Database...");
  context.Log(NumberLine("Number of Map Columns=", target.mapped_count));
  context.Log("\r\n\tColumn Mapping Details...");
  context.Log("\r\n\tDevice side Column Name\tCustom Database Column Name\tData Type");
  for (const profile::TypedMapping& mapping : target.logged) {
    context.Log("\r\n\t\t" + mapping.field_name + "\t\t" + mapping.db_field_name + "\t\t\t\t" +
                mapping.db_data_type);
  }
  context.Log("\r\n");
}

// The delete and the inserts as one transaction; a failure that stops the writing rolls all
// of it back, so the table holds its old rows or the new ones, never a mix.
void WriteRows(RunContext& context, const profile::ProfileRecord& profile,
               db::Connection& custom_db, DesktopWriter writer, const RunTarget& target,
               const DeviceExport& pim) {
  WriteTransaction transaction(custom_db.Handle());
  bool went_on = true;
  if (profile.sync_type == profile::kDeviceOverwritesDesktop) {
    went_on = DeleteAllRows(context, custom_db, target, transaction);
  }
  if (went_on) {
    context.Log(
        "\r\n\tTransfering record by record contents from PIM database to Custom Database...");
    went_on =
        writer == DesktopWriter::kStatement
            ? WriteWithStatements(context, custom_db, target, pim.bytes, pim.records, transaction)
            : WriteWithCursor(context, custom_db, target, pim.bytes, pim.records, transaction);
  }
  if (!went_on) {
    transaction.Rollback();
    context.SetRunError();
    context.Log("\r\n\tWriting stopped: the changes to " + target.table + " were rolled back.");
    return;
  }
  if (!transaction.Commit()) {
    context.SetRunError();
    context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table + " \r\n\t\t" +
                db::PlainReport(db::FirstDiagRecord(SQL_HANDLE_DBC, custom_db.Handle())));
  }
}

}  // namespace

void RunDeviceToDesktop(RunContext& context, const RunPlan& plan, db::Connection& custom_db,
                        DesktopWriter writer, bool query_ran) {
  const profile::ProfileRecord& profile = plan.profile;
  const bool overwrite = profile.sync_type == profile::kDeviceOverwritesDesktop;
  std::optional<RunTarget> target = ResolveTarget(context, plan, custom_db);
  if (!target) return;
  // Rows are deleted only when the profile's query ran and every one of them is in the backup.
  if (overwrite && !query_ran) {
    context.SetRunError();
    context.Log("\r\n\tNo record deleted or added: the profile query did not run.");
    return;
  }
  // The export is checked before the backup is taken, so that a damaged one leaves the
  // backup generations as they were too.
  std::optional<DeviceExport> pim =
      FetchDeviceExport(context, plan, writer == DesktopWriter::kStatement);
  if (!pim) return;
  context.Status("Taking Backup...");
  const bool backed_up = BackupCustomDatabase(context, profile, custom_db, target->quoted_table);
  context.Status("Backup Completed");
  if (overwrite && !backed_up) {
    context.Log("\r\n\tNo record deleted or added: the backup of the table could not be taken.");
    return;
  }
  LogMappings(context, *target);
  if (pim->records < 1) return;

  context.Status("Connected to desktop Custom Database...");
  WriteRows(context, profile, custom_db, writer, *target, *pim);
  context.Status("Finishing...");
  std::error_code ignored;
  std::filesystem::remove(DesktopExportPath(context), ignored);
}

}  // namespace velmora::conduit

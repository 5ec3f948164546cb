#include "conduit/device_to_desktop.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>

#include "conduit/device_export.h"
#include "conduit/odbc_direct.h"
#include "conduit/writer_values.h"
#include "db/connection.h"
#include "db/diagnostics.h"
#include "db/driver_text.h"
#include "db/odbc_handles.h"
#include "db/odbc_result_set.h"
#include "db/sql_literal.h"
#include "db/type_codes.h"
#include "platform/files/crash_point.h"
#include "platform/text/utf.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"
#include "transfer/pim_reader.h"

namespace velmora::conduit {
namespace {

struct RunTarget {
  std::string table;         // as taken from the query
  std::string quoted_table;  // in double quotes unless the database is MySQL
  bool bare_names = false;
  std::vector<profile::TypedMapping> mappings;  // the first n
  std::vector<std::string> mapped_fields;       // device field names, in mapping order
};

std::string QuoteName(const RunTarget& target, std::string_view name) {
  return db::SourceIdentifier(name, target.bare_names);
}

void DeleteAllRows(RunContext& context, db::Connection& custom_db, const RunTarget& target,
                   WriteTransaction& transaction) {
  context.Status("Deleting records from desktop Custom Database...");
  context.Log("\r\n\tDeleting desktop custom database record contents...");
  std::optional<long> count =
      QueryCount(custom_db.Handle(), "SELECT count(*) FROM " + target.quoted_table);
  if (count.value_or(0) <= 0) return;
  transaction.BeginRow();
  DirectResult deleted = ExecuteDirect(custom_db.Handle(), "Delete from " + target.quoted_table);
  transaction.EndRow(deleted.ok);
  if (!deleted.ok) {
    context.SetRunError();
    context.Log("\r\n\tCould not delete records\r\n\t\tODBC Reports : \r\n\t\t" +
                deleted.diagnostic);
    return;
  }
  context.Log("\r\n\tRecords Deleted Successfully.");
}

void WriteWithStatements(RunContext& context, db::Connection& custom_db, const RunTarget& target,
                         const std::string& pim, long records, WriteTransaction& transaction) {
  std::vector<InsertColumn> columns;
  for (const profile::TypedMapping& mapping : target.mappings) {
    columns.push_back({mapping.db_field_name, mapping.db_data_type});
  }
  std::vector<std::string> slots(target.mapped_fields.size(), "NULL");
  for (long r = 1; r <= records; ++r) {
    context.Status("Adding record " + std::to_string(r) + " of " + std::to_string(records) +
                   " ...");
    std::fill(slots.begin(), slots.end(), "NULL");
    transfer::PimRecordByCode(pim, r, target.mapped_fields, slots);
    std::string sql = BuildInsertStatement(target.table, columns, slots);
    context.Log("\r\n\t Record# " + std::to_string(r));
    context.Log("\r\n\tInsert Query: " + sql);
    transaction.BeginRow();
    DirectResult inserted = ExecuteDirect(custom_db.Handle(), sql);
    transaction.EndRow(inserted.ok);
    if (!inserted.ok) {
      context.SetRunError();
      context.Log("\r\n\tCould not insert record\r\n\t\tODBC Reports : \r\n\t\t" +
                  inserted.diagnostic);
    } else {
      context.Log("\r\n\tRecord Inserted Successfully");
      context.Log("\r\n");
    }
  }
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

std::vector<BoundColumn> ColumnsToFill(RunContext& context, long prof_id, db::Connection& custom_db,
                                       db::OdbcResultSet& table, const RunTarget& target) {
  profile::ProfileStore store(context.ProfileDb());
  const std::vector<std::string> keys = PrimaryKeyColumns(custom_db.Handle(), target.table);
  std::vector<BoundColumn> columns;
  for (int j = 0; j < table.ColumnCount(); ++j) {
    BoundColumn column{table.ColumnName(j), table.ColumnType(j), table.ColumnSize(j),
                       table.DecimalDigits(j), -1};
    if (!IsBindable(column.type)) continue;
    std::string name = column.name;
    if (std::size_t dot = name.find('.'); dot != std::string::npos) name.erase(0, dot + 1);
    if (store.IsColumnMapped(name, prof_id)) {
      for (std::size_t i = 0; i < target.mappings.size(); ++i) {
        // Profiles saved by earlier versions hold the name between double quotes.
        if (db::BareIdentifier(target.mappings[i].db_field_name) == name) {
          column.slot = static_cast<int>(i);
          break;
        }
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

void WriteWithCursor(RunContext& context, long prof_id, db::Connection& custom_db,
                     const RunTarget& target, const std::string& pim, long records,
                     WriteTransaction& transaction) {
  db::OdbcResultSet table;
  if (!table.Open(custom_db, "Select * from " + target.quoted_table)) {
    context.SetRunError();
    context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table + " \r\n\t\t" +
                table.ErrorReport());
    return;
  }
  std::vector<BoundColumn> columns = ColumnsToFill(context, prof_id, custom_db, table, target);
  table.Close();

  db::StmtHandle insert;
  insert.Allocate(custom_db.Handle());
  if (!db::Succeeded(
          db::PrepareText(custom_db.Handle(), insert.get(), InsertText(target, columns)))) {
    context.SetRunError();
    context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table + " \r\n\t\t" +
                StatementDiagnostic(insert.get()));
    return;
  }
  std::vector<std::string> slots(target.mapped_fields.size(), "NULL");
  std::vector<ParameterValue> parameters(columns.size());
  for (long r = 1; r <= records; ++r) {
    context.Status("Adding record " + std::to_string(r) + " of " + std::to_string(records) +
                   " ...");
    std::fill(slots.begin(), slots.end(), "NULL");
    transfer::PimRecordByCode(pim, r, target.mapped_fields, slots);
    bool bound = true;
    for (std::size_t j = 0; j < columns.size(); ++j) {
      const BoundColumn& column = columns[j];
      const bool mapped = column.slot >= 0;
      db::Value value = CursorValue(column.type, mapped,
                                    mapped ? slots[static_cast<std::size_t>(column.slot)] : "");
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
    transaction.EndRow(added);
    if (!added) {
      context.SetRunError();
      context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table +
                  " \r\n\tRow : " + std::to_string(r) + "\r\n\t\t" + diagnostic);
    } else if (r == 1 || r == records) {
      context.Log("\r\n\tRecord # " + std::to_string(r) + " Transfered Successfully");
    }
  }
}

}  // namespace

void RunDeviceToDesktop(RunContext& context, const profile::ProfileRecord& profile,
                        db::Connection& custom_db, DesktopWriter writer) {
  std::optional<long> records =
      FetchDeviceExport(context, profile, writer == DesktopWriter::kStatement);
  if (!records) return;
  profile::ProfileStore store(context.ProfileDb());
  long mapped_count = std::max(0L, store.MappedFieldCountForConduit(profile.prof_id));
  RunTarget target;
  target.table = TargetTableName(profile.query);
  target.bare_names = profile.connection_type == profile::kMySqlKind;
  target.quoted_table = QuoteName(target, target.table);

  context.Status("Transfering records to desktop Custom Database...");
  context.Log(NumberLine("Number of Map Columns=", mapped_count));
  context.Log("\r\n\tColumn Mapping Details...");
  context.Log("\r\n\tDevice side Column Name\tCustom Database Column Name\tData Type");
  target.mappings = store.MappingWithTypes(profile.prof_id);
  if (target.mappings.size() > static_cast<std::size_t>(mapped_count)) {
    target.mappings.resize(static_cast<std::size_t>(mapped_count));
  }
  for (const profile::TypedMapping& mapping : target.mappings) {
    context.Log("\r\n\t\t" + mapping.field_name + "\t\t" + mapping.db_field_name + "\t\t\t\t" +
                mapping.db_data_type);
    target.mapped_fields.push_back(mapping.field_name);
  }
  context.Log("\r\n");
  if (*records < 1) return;

  context.Status("Connected to desktop Custom Database...");
  const std::string pim = ReadExportBytes(DesktopExportPath(context));
  {
    // One transaction for the delete and the inserts: a run that dies half-way leaves the
    // table as it was.
    WriteTransaction transaction(custom_db.Handle());
    if (profile.sync_type == profile::kDeviceOverwritesDesktop) {
      DeleteAllRows(context, custom_db, target, transaction);
    }
    context.Log(
        "\r\n\tTransfering record by record contents from PIM database to Custom Database...");
    if (writer == DesktopWriter::kStatement) {
      WriteWithStatements(context, custom_db, target, pim, *records, transaction);
    } else {
      WriteWithCursor(context, profile.prof_id, custom_db, target, pim, *records, transaction);
    }
    if (!transaction.Commit()) {
      context.SetRunError();
      context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table + " \r\n\t\t" +
                  db::PlainReport(db::FirstDiagRecord(SQL_HANDLE_DBC, custom_db.Handle())));
    }
  }
  context.Status("Finishing...");
  std::error_code ignored;
  std::filesystem::remove(DesktopExportPath(context), ignored);
}

}  // namespace velmora::conduit

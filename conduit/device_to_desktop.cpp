#include "conduit/device_to_desktop.h"

#include <algorithm>
#include <cstring>

#include "conduit/backups.h"
#include "conduit/device_export.h"
#include "conduit/mapping_plan.h"
#include "conduit/value_cuts.h"
#include "conduit/writer_values.h"
#include "db/connection.h"
#include "db/diagnostics.h"
#include "db/insert_statement.h"
#include "db/odbc_result_set.h"
#include "db/query_tables.h"
#include "db/sql_literal.h"
#include "db/statement.h"
#include "db/statements.h"
#include "db/transaction.h"
#include "db/type_codes.h"
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

db::NameStyle Names(const RunTarget& target) {
  return target.bare_names ? db::NameStyle::kMySql : db::NameStyle::kQuoted;
}

// False when the delete failed: the new rows must then not be added to the old ones.
bool DeleteAllRows(RunContext& context, db::Connection& custom_db, const RunTarget& target,
                   db::Transaction& transaction) {
  context.Status("Deleting records from desktop Custom Database...");
  context.Log("\r\n\tDeleting desktop custom database record contents...");
  db::Statement statement(custom_db);
  // A count that cannot be read does not prove the table empty.
  std::optional<long> count = statement.QueryInteger("SELECT count(*) FROM " + target.quoted_table);
  if (count && *count <= 0) return true;
  transaction.BeginStep();
  const bool deleted = statement.ExecuteDirect("Delete from " + target.quoted_table);
  const bool kept = transaction.EndStep(deleted);
  if (!deleted) {
    context.SetRunError();
    context.Log("\r\n\tCould not delete records\r\n\t\tODBC Reports : \r\n\t\t" +
                statement.Report());
    return false;
  }
  context.Log("\r\n\tRecords Deleted Successfully.");
  return kept;
}

// False when a failed row stopped the writing.
bool WriteWithStatements(RunContext& context, db::Connection& custom_db, const RunTarget& target,
                         const std::string& pim, long records, db::Transaction& transaction) {
  std::vector<InsertColumn> columns;
  for (const profile::TypedMapping& mapping : target.mappings) {
    columns.push_back({NameInStatement(mapping.db_field_name), mapping.db_data_type});
  }
  Slots slots;
  const std::string table = NameInStatement(target.table);
  db::Statement statement(custom_db);
  for (long r = 1; r <= records; ++r) {
    context.Status("Adding record " + std::to_string(r) + " of " + std::to_string(records) +
                   " ...");
    transfer::PimValuesByCode(pim, r, target.mapped_fields, slots);
    std::string sql = BuildInsertStatement(table, columns, slots);
    context.Log("\r\n\t Record# " + std::to_string(r));
    context.Log("\r\n\tInsert Query: " + sql);
    transaction.BeginStep();
    const bool inserted = statement.ExecuteDirect(sql);
    const bool kept = transaction.EndStep(inserted);
    if (!inserted) {
      context.SetRunError();
      context.Log("\r\n\tCould not insert record\r\n\t\tODBC Reports : \r\n\t\t" +
                  statement.Report());
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

// The table's column name without what a driver puts before the first ".".
std::string ColumnNameWithoutPrefix(std::string name) {
  if (std::size_t dot = name.find('.'); dot != std::string::npos) name.erase(0, dot + 1);
  return name;
}

std::vector<BoundColumn> ColumnsToFill(db::Connection& custom_db, db::OdbcResultSet& table,
                                       const RunTarget& target) {
  const std::vector<std::string> keys = db::PrimaryKeyColumns(custom_db, target.table);
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
    if (column.slot < 0 && (key || db::IsAutoIncrement(table.Statement(), j))) continue;
    columns.push_back(column);
  }
  return columns;
}

// The value as the column's parameter takes it: integers cut to the column's width as its C
// type would hold them, a date as a timestamp at midnight for a timestamp column.
db::Value ParameterValue(const BoundColumn& column, db::Value value) {
  if (const auto* integer = std::get_if<std::int64_t>(&value)) {
    switch (column.type) {
      case db::kTypeInteger:
        return std::int64_t{static_cast<std::int32_t>(*integer)};
      case db::kTypeSmallInt:
        return std::int64_t{static_cast<std::int16_t>(*integer)};
      case db::kTypeTinyInt:
      case db::kTypeSTinyInt:
      case db::kTypeBit:
        return std::int64_t{static_cast<std::int8_t>(*integer)};
      case db::kTypeUShort:
        return std::int64_t{static_cast<std::uint16_t>(*integer)};
      case db::kTypeULong:
        return std::int64_t{static_cast<std::uint32_t>(*integer)};
      default:
        return value;
    }
  }
  if (const auto* date = std::get_if<db::Date>(&value); date && column.type == db::kTypeTimestamp) {
    return db::Timestamp{date->year, date->month, date->day, 0, 0, 0, 0};
  }
  return value;
}

// False when the writing stopped: a failed row that could not be undone alone, or no insert.
bool WriteWithCursor(RunContext& context, db::Connection& custom_db, const RunTarget& target,
                     const std::string& pim, long records, db::Transaction& transaction) {
  db::OdbcResultSet table;
  if (!table.Open(custom_db, "Select * from " + target.quoted_table)) {
    context.SetRunError();
    context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table + " \r\n\t\t" +
                table.ErrorReport());
    return false;
  }
  std::vector<BoundColumn> columns = ColumnsToFill(custom_db, table, target);
  table.Close();

  std::vector<std::string> names;
  std::vector<db::ParameterType> types;
  for (const BoundColumn& column : columns) {
    names.push_back(column.name);
    types.push_back(db::ParameterTypeOfCode(column.type, column.size, column.digits));
  }
  db::Statement insert(custom_db);
  if (!insert.Prepare(db::InsertWithMarks(target.table, names, Names(target)))) {
    context.SetRunError();
    context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table + " \r\n\t\t" +
                insert.Report());
    return false;
  }
  Slots slots;
  for (long r = 1; r <= records; ++r) {
    context.Status("Adding record " + std::to_string(r) + " of " + std::to_string(records) +
                   " ...");
    transfer::PimValuesByCode(pim, r, target.mapped_fields, slots);
    bool bound = true;
    for (std::size_t j = 0; j < columns.size() && bound; ++j) {
      const BoundColumn& column = columns[j];
      const bool mapped = column.slot >= 0;
      db::Value value =
          CursorValue(column.type, mapped,
                      mapped ? slots[static_cast<std::size_t>(column.slot)] : std::nullopt);
      bound =
          insert.Bind(static_cast<int>(j + 1), ParameterValue(column, std::move(value)), types[j]);
    }
    transaction.BeginStep();
    const bool added = bound && insert.Execute();
    const bool kept = transaction.EndStep(added);
    if (!added) {
      context.SetRunError();
      context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table +
                  " \r\n\tRow : " + std::to_string(r) + "\r\n\t\t" + insert.Report());
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
  db::Transaction transaction(custom_db);
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
    std::string report;
    custom_db.ClassifyFailure(nullptr, &report);
    context.Log("\r\n\tError in record transfer.\r\n\tTable : " + target.table + " \r\n\t\t" +
                report);
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

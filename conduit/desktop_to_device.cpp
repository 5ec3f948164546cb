#include "conduit/desktop_to_device.h"

#include <optional>

#include "conduit/category_sender.h"
#include "conduit/column_names.h"
#include "conduit/device_export.h"
#include "conduit/file_names.h"
#include "conduit/mapping_plan.h"
#include "conduit/value_cuts.h"
#include "db/diagnostics.h"
#include "db/odbc_result_set.h"
#include "device/device_agent.h"
#include "device/device_files.h"
#include "platform/prompt/prompt.h"
#include "profile/sync_settings.h"
#include "transfer/pdb_format.h"
#include "transfer/pdb_reader.h"
#include "transfer/pdb_writer.h"

namespace velmora::conduit {
namespace {

// Logs the building of the transfer file as it goes.
class TransferLog final : public transfer::TransferProgress {
 public:
  TransferLog(RunContext& context, db::OdbcResultSet& rows, const std::vector<std::string>& names,
              long map_count)
      : context_(context), rows_(rows), names_(names), map_count_(map_count) {}

  void RowCount(long rows) override {
    context_.Log(NumberLine("Number of Records in Custom Database=", rows));
    context_.Log(CountedLine("Number of Columns:", rows_.ColumnCount()));
    context_.Log(CountedLine("Number of Map Columns:", map_count_));
    context_.Log("\r\n\r\n\tColumn Mapping Details...");
    context_.Log("\r\n\tDevice side Column Name\tCustom Database Column Name\tData Type");
  }
  void ColumnWritten(const transfer::PdbColumnChoice& column, int type_code) override {
    const std::size_t index = static_cast<std::size_t>(column.result_column);
    context_.Log("\r\n\t " + (index < names_.size() ? names_[index] : std::string()));
    context_.Log("\t\t\t" + column.name);
    context_.Log("\t\t\t" + std::to_string(type_code));
  }
  void RowStarted(long row, long rows) override {
    EndColumnList();
    context_.Status("Processing Contact " + std::to_string(row + 1) + " of " +
                    std::to_string(rows) + " ...");
    if (row == 0 || row == rows - 1) context_.Log(NumberLine("Record#", row));
  }
  void RowFetchFailed(long row) override {
    context_.SetRunError();
    prompt::ShowMessage(db::ConduitReport(SQL_HANDLE_STMT, rows_.Statement()), "Velmora",
                        prompt::Icon::kExclamation);
    context_.Log("\r\n Problem in fetching " + std::to_string(row + 2) + " record");
  }
  void ValueCut(long row, const transfer::PdbColumnChoice& column, std::size_t units,
                std::size_t kept) override {
    context_.Log(ValueCutLine(row + 1, column.name, units, kept));
  }
  void EndColumnList() {
    if (column_list_ended_) return;
    column_list_ended_ = true;
    context_.Log("\r\n");
  }

 private:
  RunContext& context_;
  db::OdbcResultSet& rows_;
  const std::vector<std::string>& names_;
  long map_count_;
  bool column_list_ended_ = false;
};

// The column-name entries that the query's result columns stand for.
std::vector<std::string> ResultColumnNames(const std::vector<std::string>& names,
                                           db::ResultSet& rows) {
  std::vector<std::string> reported;
  for (int column = 0; column < rows.ColumnCount(); ++column) {
    reported.push_back(rows.ColumnName(column));
  }
  return ResultColumnEntries(names, reported);
}

// The mapped columns of the result in result order, under their device field names.
std::vector<transfer::PdbColumnChoice> MappedColumns(
    const std::vector<profile::TypedMapping>& mappings, db::ResultSet& rows,
    const std::vector<std::string>& columns) {
  std::vector<transfer::PdbColumnChoice> chosen;
  for (std::size_t column = 0; column < columns.size(); ++column) {
    const profile::TypedMapping* mapping = FindMapping(mappings, columns[column]);
    if (mapping == nullptr) continue;
    const int index = static_cast<int>(column);
    if (!transfer::PdbCodeForColumnType(rows.ColumnType(index))) continue;
    chosen.push_back({index, mapping->field_name});
  }
  return chosen;
}

// True when the written file holds contacts and not one of them has a value. (A file without
// contacts is what an empty table gives; it is sent as it is.)
bool HoldsOnlyBlankContacts(const std::filesystem::path& file) {
  transfer::PdbReader reader;
  if (!reader.Open(file) || reader.RecordCount() == 0) return false;
  for (long record = 0; record < reader.RecordCount(); ++record) {
    for (int column = 0; column < reader.ColumnCount(); ++column) {
      if (!reader.ValueText(record, column, transfer::TextForm::kFull).empty()) return false;
    }
  }
  return true;
}

// The folder of the transfer file; a failure is logged as the file's own.
bool MakeFolderOf(RunContext& context, const std::filesystem::path& target) {
  std::error_code error;
  std::filesystem::create_directories(target.parent_path(), error);
  if (!error) return true;
  context.Log("\r\n\t Erorr Creating PDB : " + target.string() + "\r\n\t\t" + error.message());
  return false;
}

enum class Generated { kWritten, kFailed, kNothingToSend };

Generated GeneratePdb(RunContext& context, const RunPlan& plan, db::Connection& custom_db,
                      db::OdbcResultSet& rows, const std::filesystem::path& target) {
  const profile::ProfileRecord& profile = plan.profile;
  const std::vector<std::string> names = BuildColumnNameList(custom_db, plan.table_text);
  const std::vector<std::string> result_columns = ResultColumnNames(names, rows);
  const std::vector<profile::TypedMapping> matched =
      CheckMappingAgainstColumns(context, NamedRows(plan.mapping), result_columns,
                                 ColumnSource{ColumnSource::Kind::kQuery, ""});
  if (matched.empty()) return Generated::kNothingToSend;
  const std::vector<transfer::PdbColumnChoice> columns =
      MappedColumns(matched, rows, result_columns);
  if (columns.empty()) {
    context.SetRunError();
    context.Log("\r\n\tNo mapped column has a type the handheld can take: nothing is transferred");
    return Generated::kNothingToSend;
  }
  if (!MakeFolderOf(context, target)) return Generated::kFailed;
  const long slot_count = SlotCount(plan.mapping);
  TransferLog log(context, rows, result_columns, slot_count);
  bool written = transfer::WriteTransferPdb(rows, target, profile.prof_name,
                                            static_cast<int>(slot_count), columns, &log);
  log.EndColumnList();
  if (!written) {
    context.Log("\r\n\t Erorr Creating PDB : " + target.string());
    return Generated::kFailed;
  }
  // Overwriting the handheld's contacts with blank ones loses them and moves nothing.
  if (profile.sync_type == profile::kDesktopOverwritesDevice && HoldsOnlyBlankContacts(target)) {
    context.SetRunError();
    context.Log("\r\n\tEvery contact would be empty: the Pocket PC contacts are not replaced");
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    return Generated::kNothingToSend;
  }
  return Generated::kWritten;
}

}  // namespace

std::filesystem::path TransferFilePath(const RunContext& context, std::string_view prof_name) {
  return context.WorkFolder() / "Update" / (SafeFileNamePart(prof_name) + ".pdb");
}

void RunDesktopToDevice(RunContext& context, const RunPlan& plan, db::Connection& custom_db,
                        db::OdbcResultSet& rows) {
  const profile::ProfileRecord& profile = plan.profile;
  context.Log(QuotedPair("Generating PDB", profile.prof_name));
  context.Status("Transfering Contacts to Pocket PC...");
  std::filesystem::path target = TransferFilePath(context, profile.prof_name);
  std::error_code ignored;
  switch (GeneratePdb(context, plan, custom_db, rows, target)) {
    case Generated::kWritten:
      break;
    case Generated::kNothingToSend:
      return;
    case Generated::kFailed:
      context.SetRunError();
      context.Log(QuotedLine("Problem in Generating the PDB"));
      return;
  }
  SendCategoryList(context, plan);
  context.Log(QuotedPair("PDB Generated at ", target.string()));
  context.Log(QuotedLine("Copying PDB from Desktop to Device"));
  if (!device::CopyFileToDevice(context.Rapi(), target, kDeviceTransferPath, context.Report())) {
    context.SetRunError();
    context.Log(QuotedPair(profile.prof_name, "Not Transfered"));
    return;
  }
  context.Log(QuotedPair(profile.prof_name, "Transfered to Device"));
  context.Log(QuotedLine("Executing device side Application..."));
  context.Status("Executing Pocket PC side Application...");
  const std::uint32_t request = profile.sync_type == profile::kDesktopOverwritesDevice
                                    ? device::kAgentOverwrite
                                    : device::kAgentAdd;
  switch (RunAgent(context, request)) {
    case AgentOutcome::kFinished:
      context.Log(QuotedLine("Device side Application Execute Successfully"));
      std::filesystem::remove(target, ignored);
      break;
    case AgentOutcome::kNotStarted:
      context.Log(QuotedLine("Problem in invoking device side application"));
      context.Log(QuotedLine("Problem in executing Device side Application"));
      break;
    case AgentOutcome::kTimedOut:
    case AgentOutcome::kFailed:
      context.Log(QuotedLine("Problem in executing Device side Application"));
      break;
  }
}

}  // namespace velmora::conduit

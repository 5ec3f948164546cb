#include "conduit/desktop_to_device.h"

#include <optional>

#include "conduit/category_sender.h"
#include "conduit/column_names.h"
#include "conduit/device_export.h"
#include "conduit/file_names.h"
#include "conduit/value_cuts.h"
#include "db/diagnostics.h"
#include "db/odbc_result_set.h"
#include "device/device_agent.h"
#include "device/device_files.h"
#include "platform/prompt/prompt.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"
#include "transfer/pdb_format.h"
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

// The mapped columns of the result in result order, under their device field names.
std::vector<transfer::PdbColumnChoice> MappedColumns(profile::ProfileStore& store, long prof_id,
                                                     db::ResultSet& rows,
                                                     const std::vector<std::string>& names) {
  std::vector<transfer::PdbColumnChoice> columns;
  const int count = std::min<int>(rows.ColumnCount(), static_cast<int>(names.size()));
  for (int column = 0; column < count; ++column) {
    const std::string& entry = names[static_cast<std::size_t>(column)];
    if (!store.IsColumnMapped(entry, prof_id)) continue;
    if (!transfer::PdbCodeForColumnType(rows.ColumnType(column))) continue;
    columns.push_back({column, store.DeviceFieldOfColumn(entry, prof_id)});
  }
  return columns;
}

bool GeneratePdb(RunContext& context, const profile::ProfileRecord& profile,
                 db::Connection& custom_db, db::OdbcResultSet& rows,
                 const std::filesystem::path& target) {
  profile::ProfileStore store(context.ProfileDb());
  std::string table_text = store.TableName(profile.prof_id);
  if (table_text == profile::kTableNameReadFailed) table_text.clear();
  std::vector<std::string> names = BuildColumnNameList(custom_db, table_text);
  long map_count = store.MappedFieldCountForConduit(profile.prof_id);
  if (map_count < 0) map_count = 0;
  std::vector<transfer::PdbColumnChoice> columns =
      MappedColumns(store, profile.prof_id, rows, names);
  TransferLog log(context, rows, names, map_count);
  std::filesystem::create_directories(target.parent_path());
  bool written = transfer::WriteTransferPdb(rows, target, profile.prof_name,
                                            static_cast<int>(map_count), columns, &log);
  log.EndColumnList();
  if (!written) context.Log("\r\n\t Erorr Creating PDB : " + target.string());
  return written;
}

}  // namespace

std::filesystem::path TransferFilePath(const RunContext& context, std::string_view prof_name) {
  return context.WorkFolder() / "Update" / (SafeFileNamePart(prof_name) + ".pdb");
}

void RunDesktopToDevice(RunContext& context, const profile::ProfileRecord& profile,
                        db::Connection& custom_db, db::OdbcResultSet& rows) {
  context.Log(QuotedPair("Generating PDB", profile.prof_name));
  context.Status("Transfering Contacts to Pocket PC...");
  std::filesystem::path target = TransferFilePath(context, profile.prof_name);
  std::error_code ignored;
  if (!GeneratePdb(context, profile, custom_db, rows, target)) {
    context.SetRunError();
    context.Log(QuotedLine("Problem in Generating the PDB"));
    return;
  }
  SendCategoryList(context, profile.prof_id);
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
      context.Log(QuotedLine("Problem in executing Device side Application"));
      break;
  }
}

}  // namespace velmora::conduit

#include "conduit/backups.h"

#include <thread>

#include "conduit/device_export.h"
#include "conduit/file_names.h"
#include "conduit/value_cuts.h"
#include "db/odbc_result_set.h"
#include "device/device_agent.h"
#include "device/device_files.h"
#include "platform/files/crash_point.h"
#include "profile/backup_files.h"
#include "profile/field_catalogue.h"
#include "transfer/device_backup.h"
#include "transfer/pdb_format.h"
#include "transfer/pdb_writer.h"
#include "transfer/pim_reader.h"

namespace velmora::conduit {
namespace {

bool Exists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

std::vector<std::string> BackupColumnNames() {
  std::vector<std::string> names;
  for (const profile::ContactField& field : profile::ContactFields()) {
    names.emplace_back(field.export_header);
  }
  return names;
}

// Reads every record of the export by position, logging as it goes.
std::vector<std::vector<std::string>> ReadAllContacts(RunContext& context, std::string_view pim,
                                                      long records) {
  std::vector<std::vector<std::string>> contacts;
  contacts.reserve(static_cast<std::size_t>(std::max(records, 0L)));
  transfer::PimPositionSlots fields;
  for (long r = 1; r <= records; ++r) {
    context.Status("Adding Record " + std::to_string(r) + " of " + std::to_string(records) + "...");
    fields.fill(std::string());
    transfer::PimRecordByPosition(pim, r, fields);
    contacts.emplace_back(fields.begin(), fields.end());
    if (r == 1 || r == records) context.Log(NumberLine("Record#", r));
  }
  return contacts;
}

}  // namespace

std::filesystem::path CustomBackupPath(const std::filesystem::path& app_folder,
                                       std::string_view owner, std::string_view prof_name,
                                       int generation) {
  return profile::TableBackupFile(app_folder, owner, prof_name, generation);
}

bool RotateCustomBackups(const std::filesystem::path& app_folder, std::string_view owner,
                         std::string_view prof_name) {
  auto path = [&](int generation) {
    return CustomBackupPath(app_folder, owner, prof_name, generation);
  };
  int free_generation = 0;
  for (int g = 1; g <= kBackupGenerations && free_generation == 0; ++g) {
    if (!Exists(path(g))) free_generation = g;
  }
  std::error_code error;
  if (free_generation == 0) {
    free_generation = kBackupGenerations;
    if (!std::filesystem::remove(path(kBackupGenerations), error)) return false;
    files::CrashPoint("backup rotation");
  }
  // Oldest first, so that a run stopped half way leaves a gap, never two copies of one
  // generation, and the next rotation fills the gap.
  for (int g = free_generation; g >= 2; --g) {
    std::filesystem::rename(path(g - 1), path(g), error);
    if (error) return false;
    files::CrashPoint("backup rotation");
  }
  return true;
}

bool BackupCustomDatabase(RunContext& context, const profile::ProfileRecord& profile,
                          db::Connection& custom_db, const std::string& table_in_statement) {
  const std::filesystem::path newest =
      CustomBackupPath(context.AppFolder(), context.Owner(), profile.prof_name, 1);
  context.Log("\r\n\tTaking Backup of custom desktop database contents.");
  // The new generation is written aside first, so that a failed backup shifts nothing.
  std::filesystem::path aside = newest;
  aside += ".new";
  std::error_code error;
  std::filesystem::create_directories(newest.parent_path(), error);
  db::OdbcResultSet rows;
  CutLog cuts(context);
  bool written = rows.OpenForward(custom_db, "SELECT * FROM " + table_in_statement);
  if (!written) {
    context.Log("\r\n\t\t" + rows.ErrorReport());
  } else if (rows.RowCount() > transfer::kPdbMaxRecords) {
    // The format holds at most 65535 records; a partial backup is no backup.
    context.Log(NumberLine("Rows in the table, more than a backup file holds:", rows.RowCount()));
    written = false;
  }
  written = written && transfer::WriteTablePdb(rows, aside, profile.prof_name, &cuts) &&
            !cuts.Incomplete() &&
            RotateCustomBackups(context.AppFolder(), context.Owner(), profile.prof_name);
  if (written) {
    std::filesystem::rename(aside, newest, error);
    written = !error;
    files::CrashPoint("backup rename");
  }
  if (!written) {
    std::filesystem::remove(aside, error);
    context.SetRunError();
    context.Log("\r\n\tFail to take custom desktop database Backup.");
    return false;
  }
  context.Log("\r\n\tBackup taken at " + newest.string());
  return true;
}

std::filesystem::path DeviceBackupPath(const std::filesystem::path& app_folder) {
  return app_folder / (std::string(transfer::kDeviceBackupName) + ".pdb");
}

bool BackupDeviceContacts(RunContext& context) {
  context.Log("\r\n\r\n\tTaking Backup of Pocket Contacts..");
  context.Log("\r\n\tOpening Device side Application");
  context.Status("Opening Device side Application");
  AgentOutcome outcome = RunAgent(context, device::kAgentBackup);
  if (outcome == AgentOutcome::kNotStarted) {
    context.Log(QuotedLine("Problem in invoking device side application"));
    context.Status("Problem in invoking device side application");
  }
  if (outcome != AgentOutcome::kFinished) return false;
  context.Log("\r\n\tDevice side Application execute Successfully");
  context.Status("Device side Application execute Successfully");
  context.Log("\r\n\tOpening PIM database ");
  context.Status("Opening PIM database ");
  if (context.Settings().export_pause.count() > 0) {
    std::this_thread::sleep_for(context.Settings().export_pause);
  }
  const std::filesystem::path export_copy = DesktopExportPath(context);
  if (!device::CopyFileFromDevice(context.Rapi(), kDeviceExportPath, export_copy,
                                  context.Report())) {
    context.Log("\r\n\tFail to Copy PIM  database from Device to Desktop");
    return false;
  }
  std::optional<DeviceExport> pim = CheckedExport(context, export_copy);
  if (!pim) {
    std::error_code ignored;
    std::filesystem::remove(export_copy, ignored);
    return false;
  }
  context.Log("\r\n\tPIM Database Opened.");
  context.Status("PIM Database Opened.");
  const long records = pim->records;
  context.Log("\r\n\r\n\tCONDUIT SIDE::");
  context.Log(NumberLine("Number of Records in PIM Database=", records));
  context.Status("Importing records from Pocket PC...");
  context.Log("\r\n\tImporting Records from Pocket PC...");
  std::vector<std::vector<std::string>> contacts = ReadAllContacts(context, pim->bytes, records);
  // Built aside and renamed over the previous backup only when whole.
  std::vector<std::pair<std::size_t, transfer::PdbCut>> cuts;
  const std::vector<std::string> names = BackupColumnNames();
  bool written =
      transfer::WriteDeviceBackupPdb(DeviceBackupPath(context.AppFolder()), names, contacts, &cuts);
  for (const auto& [record, cut] : cuts) {
    context.Log(ValueCutLine(static_cast<long>(record) + 1, names[cut.cell], cut.units, cut.kept));
  }
  if (written) {
    context.Log("\r\n\tImported Successfully.");
    context.Status("Imported Successfully.");
  }
  std::error_code ignored;
  std::filesystem::remove(export_copy, ignored);
  device::DeleteDeviceFile(context.Rapi(), kDeviceExportPath);
  return written;
}

}  // namespace velmora::conduit

#include "conduit/profile_run.h"

#include "conduit/csv_export.h"
#include "conduit/desktop_to_device.h"
#include "conduit/device_to_desktop.h"
#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "platform/text/utf.h"
#include "profile/password.h"
#include "profile/sync_settings.h"

namespace velmora::conduit {
namespace {

// The type line of the log, by sync type.
std::string_view SyncTypeLogLine(int sync_type) {
  switch (sync_type) {
    case profile::kDesktopAddsDevice:
      return "Synchronization Type::Desktop Append Pocket PC";
    case profile::kDesktopOverwritesDevice:
      return "Synchronization Type::Desktop Overwrites Pocket PC";
    case profile::kDeviceAddsDesktop:
      return "Synchronization Type::Pocket PC Append Desktop";
    case profile::kDeviceOverwritesDesktop:
      return "Synchronization Type::Pocket PC Overwrites Desktop";
    case profile::kDoNothing:
      return "Synchronization Type::Do Nothing";
    case profile::kExportCsv:
      return "Synchronization Type::Import Pocket PC Contacts data to Desktop as a CSV File";
    default:
      return "";
  }
}

void LogQueryFailure(RunContext& context, const db::OdbcResultSet& rows) {
  context.SetRunError();
  context.Log(QuotedLine("Problem in executing the profile query") + "\r\n\t\t" +
              rows.ErrorReport());
}

void RunOnCustomDatabase(RunContext& context, const RunPlan& plan, db::Connection& custom_db) {
  const profile::ProfileRecord& profile = plan.profile;
  db::OdbcResultSet rows;
  const bool opened = rows.OpenForward(custom_db, profile.query);
  if (profile::IsDesktopToDevice(profile.sync_type)) {
    if (!opened) {
      LogQueryFailure(context, rows);
      return;
    }
    RunDesktopToDevice(context, plan, custom_db, rows);
    return;
  }
  if (!opened) LogQueryFailure(context, rows);
  rows.Close();
  const bool statements = custom_db.IsFoxPro() || context.Settings().force_statement_writer;
  RunDeviceToDesktop(context, plan, custom_db,
                     statements ? DesktopWriter::kStatement : DesktopWriter::kCursor, opened);
}

}  // namespace

std::string SourceText(const profile::ProfileRecord& profile) {
  if (profile.db_type != profile::kDsnDatabase) return profile.db_path + profile.db_dsn;
  return profile.db_dsn;
}

bool RunProfile(RunContext& context, const RunPlan& plan) {
  const profile::ProfileRecord& profile = plan.profile;
  context.BeginProfile();
  context.Log("\r\nOpening profile \"" + profile.prof_name + "\"");
  context.Log("\r\n" + std::string(SyncTypeLogLine(profile.sync_type)));
  if (profile::SyncTypeText(profile.sync_type).empty()) {
    context.SetRunError();
    context.Log("\r\n\tUnknown Synchronization Type " + std::to_string(profile.sync_type));
    return false;
  }

  db::Connection custom_db(db::Program::kConduit);
  // The rows sent to the handheld are read once from the start.
  custom_db.SetStreamedReads(true);
  custom_db.SetDefaultFolder(text::AsciiUpper(profile.db_path));
  if (profile.sync_type == profile::kExportCsv) {
    RunCsvExport(context, plan);
    return context.ProfileWentThrough();
  }
  const std::string source = SourceText(profile);
  context.Status("Connecting to Custom Database...");
  std::string log_text = "\r\n\tConnecting to Custom Database " + source;
  std::string error_text;
  if (!custom_db.Connect(db::kCustomDsnConduit, profile.db_type, source, profile.db_user,
                         profile::UnscramblePassword(profile.db_password), &error_text, false)) {
    context.SetRunError();
    context.Log(log_text + "\r\n\tFail to Connect Custom Database");
    return false;
  }
  context.Log(log_text + "... Connected");
  context.Status("Connected to Custom Database ");
  if (profile::IsDesktopToDevice(profile.sync_type) ||
      profile::IsDeviceToDesktop(profile.sync_type)) {
    RunOnCustomDatabase(context, plan, custom_db);
  }
  // Closing writes a changed dBase table back to its file; a failed write-back fails the run.
  std::string close_error;
  if (!custom_db.Close(&close_error)) {
    context.SetRunError();
    context.Log("\r\n\t" + close_error);
  }
  return context.ProfileWentThrough();
}

}  // namespace velmora::conduit

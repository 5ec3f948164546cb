// Runs one of the desktop manager's commands on its own, so that a kill test can kill it:
//   velmora-kill-desktop backup <application folder>
//   velmora-kill-desktop restore <SQLite file> <table backup> <query>
// Exits 0 when the command did its work, 1 when it reported a failure, 2 on a usage error.
#include <iostream>
#include <string>

#include "db/connection.h"
#include "desktop/backup_device_contacts.h"
#include "desktop/table_restore.h"
#include "device/device_connection.h"
#include "device/rapi_library.h"
#include "platform/prompt/scripted_prompt.h"
#include "profile/sync_settings.h"
#include "transfer/pdb_reader.h"

namespace {

using namespace velmora;

int Backup(const std::string& app_folder) {
  const device::RapiLibrary& rapi = device::ProgramRapiLibrary();
  if (!device::StartDeviceConnection(rapi)) {
    std::cerr << "no connection to the handheld\n";
    return 1;
  }
  desktop::DeviceBackupOptions options = desktop::ProgramBackupOptions();
  options.export_pause = std::chrono::milliseconds(0);
  const desktop::DeviceBackupResult result =
      desktop::BackupDeviceContactsFromDesktop(rapi, app_folder, options, nullptr).Run();
  device::EndDeviceConnection(rapi);
  if (result != desktop::DeviceBackupResult::kDone) {
    std::cerr << "backup failed (" << static_cast<int>(result) << ")\n";
    return 1;
  }
  return 0;
}

int Restore(const std::string& database, const std::string& backup_file, const std::string& query) {
  db::Connection connection(db::Program::kDesktopManager);
  std::string error;
  if (!connection.Connect("KillRestoreDSN", profile::kAccessDatabase, database, "", "", &error,
                          false)) {
    std::cerr << error << "\n";
    return 1;
  }
  transfer::PdbReader backup;
  if (!backup.Open(backup_file)) return 1;
  const desktop::TableRestoreResult result = desktop::RestoreTableBackup(connection, backup, query);
  connection.Disconnect();
  if (!result.restored) std::cerr << desktop::TableRestoreMessage(result) << "\n";
  return result.restored ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  prompt::ScriptedPrompt prompt;
  prompt::SetCurrentPrompt(&prompt);
  const std::string command = argc > 1 ? argv[1] : "";
  int status = 2;
  if (command == "backup" && argc == 3) status = Backup(argv[2]);
  if (command == "restore" && argc == 5) status = Restore(argv[2], argv[3], argv[4]);
  prompt::SetCurrentPrompt(nullptr);
  return status;
}

#include "desktop/help_commands.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <system_error>

#include "desktop/conduit_log_text.h"
#include "desktop/messages.h"
#include "platform/prompt/prompt.h"

namespace velmora::desktop {
namespace {

bool OpenExisting(const std::filesystem::path& file, const std::string& missing_message,
                  FileOpener& opener) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) {
    prompt::ShowMessage(missing_message, kCaption, prompt::Icon::kExclamation);
    return false;
  }
  if (!opener.Open(file)) {
    prompt::ShowMessage(OpenFailedMessage(file), kCaption, prompt::Icon::kExclamation);
    return false;
  }
  return true;
}

}  // namespace

bool XdgOpener::Open(const std::filesystem::path& file) {
  // Not detached: xdg-open starts fine and only then finds that nothing opens the file.
  auto* process = new QProcess;
  QObject::connect(process, &QProcess::finished, process,
                   [process, file](int code, QProcess::ExitStatus status) {
                     process->deleteLater();
                     if (status == QProcess::NormalExit && code == 0) return;
                     prompt::ShowMessage(OpenFailedMessage(file), kCaption,
                                         prompt::Icon::kExclamation);
                   });
  process->start(QStringLiteral("xdg-open"), {QString::fromStdString(file.string())});
  if (process->waitForStarted()) return true;
  delete process;
  return false;
}

std::string MissingLogMessage(const std::filesystem::path& file) {
  return "There is no synchronization log yet (" + file.string() +
         "). The log is written the first time the Pocket PC is synchronized.";
}

std::string MissingGuideMessage(const std::filesystem::path& file) {
  return "The user guide " + file.string() +
         " is missing. Please reinstall Velmora to get it back.";
}

std::string OpenFailedMessage(const std::filesystem::path& file) {
  return "Could not open " + file.string() +
         ". Please check that a program is set up on this computer to open such files "
         "(xdg-open).";
}

std::string UnreadableLogMessage(std::string_view reason) {
  return "The synchronization log could not be read (" + std::string(reason) + ").";
}

std::optional<std::string> ReadSyncLog(const std::filesystem::path& app_folder) {
  const std::filesystem::path file = app_folder / std::string(kConduitLogFile);
  std::error_code error;
  if (!std::filesystem::exists(file, error)) {
    prompt::ShowMessage(MissingLogMessage(file), kCaption, prompt::Icon::kExclamation);
    return std::nullopt;
  }
  std::string reason;
  std::optional<std::string> text = ReadConduitLog(file, &reason);
  if (!text)
    prompt::ShowMessage(UnreadableLogMessage(reason), kCaption, prompt::Icon::kExclamation);
  return text;
}

bool OpenUserGuide(const std::filesystem::path& app_folder, FileOpener& opener) {
  const std::filesystem::path file = app_folder / std::string(kUserGuideFile);
  return OpenExisting(file, MissingGuideMessage(file), opener);
}

}  // namespace velmora::desktop

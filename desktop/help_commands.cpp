#include "desktop/help_commands.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <system_error>

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
  return QProcess::startDetached(QStringLiteral("xdg-open"),
                                 {QString::fromStdString(file.string())});
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

bool OpenSyncLog(const std::filesystem::path& app_folder, FileOpener& opener) {
  const std::filesystem::path file = app_folder / std::string(kConduitLogFile);
  return OpenExisting(file, MissingLogMessage(file), opener);
}

bool OpenUserGuide(const std::filesystem::path& app_folder, FileOpener& opener) {
  const std::filesystem::path file = app_folder / std::string(kUserGuideFile);
  return OpenExisting(file, MissingGuideMessage(file), opener);
}

}  // namespace velmora::desktop

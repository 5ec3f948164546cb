// The progress window of the handheld Backup and Restore commands: a small borderless note
// over the main window with one line of text, shown while the window thread waits for the
// handheld. Used by the main window with the Backup and Restore commands; holds no logic.
#pragma once

#include <QDialog>

#include "desktop/device_contacts_backup.h"

class QLabel;

namespace velmora::desktop {

class BackupProgressWindow final : public QDialog, public ProgressDisplay {
  Q_OBJECT

 public:
  explicit BackupProgressWindow(QWidget* parent = nullptr);

  // Puts `text` in place of "Please Wait...", shows the window over its parent and paints it
  // at once, since the caller blocks the event loop until the operation ends.
  void Show(std::string_view text) override;
  void Close() override;

  QString Text() const;

 private:
  QLabel* label_;
};

}  // namespace velmora::desktop

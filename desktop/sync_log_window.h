// The Sync log window: the conduit's log shown read-only in the desktop manager's own window,
// decoded from the UTF-16LE the conduit writes, with Refresh (read it again) and Close. One
// window per main window; the main frame opens it and brings it forward.
#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <filesystem>
#include <string>

namespace velmora::desktop {

class CSyncLogWindow : public QWidget {
  Q_OBJECT

 public:
  // `app_folder` holds the log; `text` is what ReadSyncLog gave for it.
  CSyncLogWindow(std::filesystem::path app_folder, const std::string& text,
                 QWidget* parent = nullptr);

  // Shows `text`, scrolled to its end (the newest run).
  void ShowText(const std::string& text);
  // Reads the log again; a failure is reported and the shown text stays.
  void Refresh();

  QPlainTextEdit* text_view() const { return view_; }

 private:
  std::filesystem::path app_folder_;
  QPlainTextEdit* view_;
};

}  // namespace velmora::desktop

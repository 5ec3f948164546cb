// The main window `CMainFrame`: the outer splitter (profile tree | right side) and the inner
// one (properties over contents), the menus, toolbar, accelerators and status bar, and the
// routing of commands to the active pane. Used by the brisklet program and the window tests.
#pragma once

#include <QAction>
#include <QMainWindow>
#include <QPointer>
#include <QSplitter>
#include <map>
#include <memory>

#include "desktop/commands.h"
#include "desktop/help_commands.h"
#include "desktop/sync_log_window.h"

namespace velmora::desktop {

class DesktopSession;
class CProfileView;
class CPropertiesView;
class CContentGrid;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(DesktopSession& session, QWidget* parent = nullptr);
  ~CMainFrame() override;  // drops the rows it shows and its hook on the session

  // A command from a menu, the toolbar or an accelerator, as the active pane receives it.
  void OnCommand(int command);
  // Hands the current profile to the top-right pane, updates the contents and puts the
  // profile pane's status text into the status bar.
  void RefreshPanes();
  // Enables each command that can run from the pane holding the focus and that has what it
  // needs (a selected item, a linked result); runs again whenever the focus moves.
  void UpdateCommandEnabling();

  QAction* action(int command) const;
  CProfileView* profile_view() const { return profile_view_; }
  CPropertiesView* properties_view() const { return properties_view_; }
  CContentGrid* content_grid() const { return content_grid_; }
  QSplitter* outer_splitter() const { return outer_; }
  QSplitter* inner_splitter() const { return inner_; }

  // Shows the conduit log in the log window (opened once, brought forward after).
  void ShowSyncLog();
  CSyncLogWindow* sync_log_window() const { return log_window_; }

  // Opens the user guide; tests stand in for the desktop's own.
  std::unique_ptr<FileOpener> file_opener = std::make_unique<XdgOpener>();

 private:
  void BuildMenus();
  void BuildToolbar();
  void BuildStatusBar();
  QAction* MakeAction(int command, const QString& text, const QKeySequence& shortcut = {});
  Pane ActivePane() const;
  void ShowStoredAutoSync();

  DesktopSession& session_;
  QSplitter* outer_;
  QSplitter* inner_;
  CProfileView* profile_view_;
  CPropertiesView* properties_view_;
  CContentGrid* content_grid_;
  std::map<int, QAction*> actions_;
  std::map<int, QAction*> toolbar_actions_;  // the toolbar's own buttons
  QPointer<CSyncLogWindow> log_window_;
  QMetaObject::Connection focus_watch_;
};

}  // namespace velmora::desktop

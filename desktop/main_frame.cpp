#include "desktop/main_frame.h"

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

#include "desktop/content_grid.h"
#include "desktop/desktop_session.h"
#include "desktop/profile_view.h"
#include "desktop/properties_view.h"
#include "desktop/sync_log_window.h"
#include "desktop/toolbar_icons.h"

namespace velmora::desktop {
namespace {

constexpr int kLeftPaneWidth = 200;
constexpr int kTopRightHeight = 130;

// Status-bar prompt, then the tool tip after the line break.
const std::map<int, const char*>& CommandStrings() {
  static const std::map<int, const char*> strings = {
      {kCmdDelete, "Delete existing profile\nDelete Profile"},
      {kCmdRestoreContents, "Restore a backup data\nRestore "},
      {kCmdNew, "Create a new Profile\nNew Profile"},
      {kCmdProfileName, "Edit profile name\n"},
      {kCmdSyncLog, "View Synchronization log activities"},
      {kCmdHelp, "Display Help of this application"},
      {kCmdAbout, "About the Application\nAbout"},
      {kCmdFieldEditing, "Edit filed Mapping\nField Mapping"},
      {kCmdEditProfile, "Edit the profile properties\nEdit Profile"},
      {kCmdRename, "Rename Profile Name\n Rename Profile Name"},
      {kCmdSynchronize, "Click to Synchronize Contacts\tSynchronize Contacts"},
      {kCmdBackupDevice, "Take Backup of Pocket PC Contact list"},
      {kCmdRestoreDevice, "Restore Backup on Pocket PC Contact list"},
  };
  return strings;
}

}  // namespace

CMainFrame::CMainFrame(DesktopSession& session, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      outer_(new QSplitter(Qt::Horizontal)),
      inner_(new QSplitter(Qt::Vertical)),
      profile_view_(new CProfileView(session)),
      properties_view_(new CPropertiesView(session, [this] { RefreshPanes(); })),
      content_grid_(new CContentGrid) {
  setWindowTitle("Velmora");
  setObjectName("Brisklet");
  outer_->addWidget(profile_view_);
  outer_->addWidget(inner_);
  inner_->addWidget(properties_view_);
  inner_->addWidget(content_grid_);
  outer_->setSizes({kLeftPaneWidth, 1000});
  inner_->setSizes({kTopRightHeight, 1000});
  outer_->setStretchFactor(1, 1);
  inner_->setStretchFactor(1, 1);
  setCentralWidget(outer_);
  BuildMenus();
  BuildToolbar();
  BuildStatusBar();
  session_.SetBeforeLinkedClose([this] { content_grid_->Clear(); });
  profile_view_->panes_changed = [this] { RefreshPanes(); };
  profile_view_->preview_sink = [this](std::unique_ptr<db::ResultSet> rows) {
    content_grid_->ShowRows(std::move(rows));
  };
  resize(1000, 700);
  focus_watch_ =
      connect(qApp, &QApplication::focusChanged, this, [this] { UpdateCommandEnabling(); });
  profile_view_->Reload();
}

CMainFrame::~CMainFrame() {
  // The panes lose the focus while they are destroyed, after this frame's own part is gone.
  disconnect(focus_watch_);
  content_grid_->Clear();
  session_.SetBeforeLinkedClose({});
}

QAction* CMainFrame::MakeAction(int command, const QString& text, const QKeySequence& shortcut) {
  auto* act = new QAction(text, this);
  if (!shortcut.isEmpty()) act->setShortcut(shortcut);
  if (const auto it = CommandStrings().find(command); it != CommandStrings().end()) {
    const QString strings = QString::fromUtf8(it->second);
    act->setStatusTip(strings.section('\n', 0, 0));
    if (strings.contains('\n')) act->setToolTip(strings.section('\n', 1));
  }
  connect(act, &QAction::triggered, this, [this, command] { OnCommand(command); });
  actions_[command] = act;
  return act;
}

QAction* CMainFrame::action(int command) const {
  const auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::BuildMenus() {
  QMenu* profile_menu = menuBar()->addMenu("&Profile");
  profile_menu->addAction(MakeAction(kCmdNew, "&New...\tCtrl+N", QKeySequence("Ctrl+N")));
  profile_menu->addAction(MakeAction(kCmdDelete, "&Delete\tCtr+D", QKeySequence("Ctrl+D")));
  profile_menu->addAction(
      MakeAction(kCmdSynchronize, "&Synchronize...\tCtr+S", QKeySequence("Ctrl+S")));
  profile_menu->addAction(
      MakeAction(kCmdRestoreContents, "&Restore Contents...\tCtrl+R", QKeySequence("Ctrl+R")));
  profile_menu->addSeparator();
  QAction* auto_sync = MakeAction(kCmdAutoSync, "Start Syncing when my device connects");
  auto_sync->setCheckable(true);
  auto_sync->setChecked(session_.auto_sync);
  profile_menu->addAction(auto_sync);
  QAction* exit = MakeAction(kCmdExit, "E&xit");
  profile_menu->addAction(exit);

  QMenu* edit_menu = menuBar()->addMenu("&Edit");
  edit_menu->addAction(MakeAction(kCmdProfileName, "Profile &Name\tCtrl+E"));
  // Ctrl+E is the profile pane's own rename; Ctrl+F edits the mapping.
  addAction(MakeAction(kCmdRename, "Rename", QKeySequence("Ctrl+E")));
  addAction(MakeAction(kCmdFieldEditing, "Field Mapping", QKeySequence("Ctrl+F")));

  QMenu* view_menu = menuBar()->addMenu("&View");
  view_menu->addAction(MakeAction(kCmdToolbar, "&Toolbar"));
  view_menu->addAction(MakeAction(kCmdStatusBar, "&Status Bar"));
  view_menu->addAction(MakeAction(kCmdSplit, "S&plit"));
  view_menu->addSeparator();
  view_menu->addAction(MakeAction(kCmdSyncLog, "Sync&Log... \tCtrl+L", QKeySequence("Ctrl+L")));

  QMenu* device_menu = menuBar()->addMenu("PPC &Contacts");
  device_menu->addAction(MakeAction(kCmdBackupDevice, "&Backup"));
  device_menu->addAction(MakeAction(kCmdRestoreDevice, "&Restore"));

  QMenu* help_menu = menuBar()->addMenu("&Help");
  help_menu->addAction(MakeAction(kCmdHelp, "&Help\tF1", QKeySequence("F1")));
  help_menu->addAction(MakeAction(kCmdAbout, "&About Velmora..."));
}

void CMainFrame::BuildToolbar() {
  QToolBar* bar = addToolBar("Toolbar");
  bar->setObjectName("MainToolbar");
  bar->setIconSize(QSize(30, 27));
  bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  bar->setAllowedAreas(Qt::AllToolBarAreas);
  const std::pair<int, std::pair<ToolbarImage, const char*>> buttons[] = {
      {kCmdNew, {ToolbarImage::kNewProfile, "New Profile"}},
      {kCmdRestoreContents, {ToolbarImage::kRestore, "Restore"}},
      {kCmdDelete, {ToolbarImage::kDeleteProfile, "Delete Profile"}},
      {kCmdSynchronize, {ToolbarImage::kSynchronize, "Synchronize"}},
  };
  for (const auto& [command, look] : buttons) {
    QAction* act = bar->addAction(ToolbarIcon(look.first), look.second);
    toolbar_actions_[command] = act;
    act->setStatusTip(action(command)->statusTip());
    act->setToolTip(action(command)->toolTip());
    connect(act, &QAction::triggered, this, [this, command = command] { OnCommand(command); });
    if (QWidget* button = bar->widgetForAction(act)) button->setMinimumSize(75, 50);
  }
}

void CMainFrame::BuildStatusBar() {
  for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
    statusBar()->addPermanentWidget(new QLabel(indicator));
  }
  statusBar()->showMessage("Ready");
}

void CMainFrame::OnCommand(int command) {
  switch (command) {
    case kCmdExit:
      close();
      return;
    case kCmdToolbar:
      for (QToolBar* bar : findChildren<QToolBar*>()) bar->setVisible(!bar->isVisible());
      return;
    case kCmdStatusBar:
      statusBar()->setVisible(!statusBar()->isVisible());
      return;
    case kCmdAbout:
      QMessageBox::about(this, "About Velmora", "Velmora Version 1.0");
      return;
    case kCmdSyncLog:
      ShowSyncLog();
      return;
    case kCmdHelp:
      OpenUserGuide(session_.app_folder(), *file_opener);
      return;
    case kCmdSplit:
      statusBar()->showMessage("Not available yet.", 5000);
      return;
    default:
      break;
  }
  // Profile commands go to the profile pane, whichever pane is active.
  if (CommandRunsFrom(ActivePane(), command)) profile_view_->HandleCommand(command);
  ShowStoredAutoSync();
}

void CMainFrame::ShowSyncLog() {
  const std::optional<std::string> text = ReadSyncLog(session_.app_folder());
  if (!text) return;
  if (log_window_) {
    log_window_->ShowText(*text);
  } else {
    log_window_ = new CSyncLogWindow(session_.app_folder(), *text, this);
    log_window_->setAttribute(Qt::WA_DeleteOnClose);
  }
  log_window_->show();
  log_window_->raise();
  log_window_->activateWindow();
}

Pane CMainFrame::ActivePane() const {
  QWidget* focus = QApplication::focusWidget();
  if (focus != nullptr && content_grid_->isAncestorOf(focus)) return Pane::kContent;
  if (focus != nullptr && properties_view_->isAncestorOf(focus)) return Pane::kProperties;
  return Pane::kProfile;
}

// A checkable item flips its own mark before the command runs; the mark shows what is stored.
void CMainFrame::ShowStoredAutoSync() {
  if (QAction* auto_sync = action(kCmdAutoSync)) auto_sync->setChecked(session_.auto_sync);
}

void CMainFrame::RefreshPanes() {
  properties_view_->ShowProfile(profile_view_->current_profile());
  content_grid_->InitialUpdate(session_, profile_view_->current_profile());
  const std::string& status = profile_view_->status_text();
  statusBar()->showMessage(status.empty() ? QString("Ready") : QString::fromStdString(status));
  UpdateCommandEnabling();
}

void CMainFrame::UpdateCommandEnabling() {
  const bool selected = profile_view_->SelectedItemData().has_value();
  const Pane pane = ActivePane();
  for (const auto& [command, act] : actions_) {
    if (!IsPaneCommand(command)) continue;
    const bool enabled = CommandEnabled(command, selected, session_.linked_has_result()) &&
                         CommandRunsFrom(pane, command);
    act->setEnabled(enabled);
    if (const auto button = toolbar_actions_.find(command); button != toolbar_actions_.end()) {
      button->second->setEnabled(enabled);
    }
  }
}

}  // namespace velmora::desktop

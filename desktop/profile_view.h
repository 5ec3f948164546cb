// The left pane: the tree of profiles (each with its data source and "Field Mapping & Query"
// items, item data = row × 5 + kind) and the one dispatcher that carries out the profile
// commands. Used by CMainFrame; the rules behind the commands are in profile_commands.h.
#pragma once

#include <QTreeWidget>
#include <functional>
#include <optional>
#include <vector>

#include "desktop/profile_wizard.h"
#include "profile/profile_record.h"

namespace velmora::desktop {

class DesktopSession;

class CProfileView : public QTreeWidget {
  Q_OBJECT

 public:
  explicit CProfileView(DesktopSession& session, QWidget* parent = nullptr);

  // Reads the profiles again and rebuilds the tree.
  void Reload();
  // A menu, toolbar or accelerator command arriving at this pane (or passed on to it).
  void HandleCommand(int command);
  // The dispatcher over item data.
  void Dispatch(int command, int item_data);

  std::optional<profile::ProfileRecord> ProfileOfItem(int item_data) const;
  const std::optional<profile::ProfileRecord>& current_profile() const { return current_; }
  std::optional<int> SelectedItemData() const;
  void SelectProfileRow(int row);

  // Runs a wizard modally; tests replace it to drive the wizard themselves.
  std::function<int(CProfileWizard&)> run_wizard = [](CProfileWizard& w) { return w.exec(); };
  // Runs the other modal dialogs of the profile commands (and the wizard's own); tests replace
  // it to look at the dialog a command opened.
  DialogRunner run_dialog = RunDialogModally;
  std::function<void(std::unique_ptr<db::ResultSet>)> preview_sink;
  std::function<void()> panes_changed;  // the frame's refresh of the other panes

 private:
  void SelectProfile(int item_data);
  void NewProfile();
  void FieldEditing(int item_data);
  void Rename(int item_data);
  void RestoreContents(int item_data);
  void DeviceBackup(bool restore);
  void Refresh();

  DesktopSession& session_;
  std::vector<profile::ProfileRecord> profiles_;
  std::optional<profile::ProfileRecord> current_;
  std::optional<int> last_item_;
};

}  // namespace velmora::desktop

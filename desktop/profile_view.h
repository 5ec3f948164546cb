// The left pane `CProfileView`: the tree of profiles (each with its data source and "Field
// Mapping & Query" items, item data = row × 5 + kind), selection that loads a profile and its
// linked database, the double-click and pop-up menu commands, and the one dispatcher that
// carries out the profile commands. Used by CMainFrame; the command rules are profile_commands.h.
#pragma once

#include <QTreeWidget>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/commands.h"
#include "desktop/conduit_process.h"
#include "desktop/profile_wizard.h"
#include "profile/profile_record.h"

namespace velmora::desktop {

class DesktopSession;

inline constexpr std::string_view kMappingItemText = "Field Mapping & Query";
inline constexpr std::string_view kConnectedStatus =
    "Database is connected.           Total records = %d";
inline constexpr std::string_view kExportsToCsvStatus =
    "This profile exports the Pocket PC contacts to ContactDatabase.csv.";

// "File= " + DBPath + DBDSN, or "DSN = " + DBDSN for a data source name (DBType 0).
std::string DataSourceItemText(const profile::ProfileRecord& record);
// What the linked connection is given: the data source name, the file of an Access or Excel
// source, or the folder alone of dBase and CSV files.
std::string LinkedSourceOf(const profile::ProfileRecord& record);
// The status text of a linked database whose query gave `rows` rows.
std::string ConnectedStatusText(long rows);

// An entry of the tree's pop-up menu and whether it can be chosen.
struct MenuEntry {
  std::string text;
  int command = 0;
  bool enabled = true;
  friend bool operator==(const MenuEntry&, const MenuEntry&) = default;
};

// The pop-up menu for a right click on an item of `kind` (nullopt: no item under the pointer).
// Empty when no menu opens: on a data source, and on the mapping without a linked result.
std::vector<MenuEntry> PopupMenuEntries(std::optional<ItemKind> kind, bool linked_has_result);

// The command a double click sends with the item's data; nullopt for a data source item.
std::optional<int> DoubleClickCommand(ItemKind kind);

class CProfileView : public QTreeWidget {
  Q_OBJECT

 public:
  explicit CProfileView(DesktopSession& session, QWidget* parent = nullptr);

  // The initial update: reads the profiles again, rebuilds the tree and selects the first
  // visible item (at least four items) or else loads the profile of row 0.
  void Reload();
  // A menu, toolbar or accelerator command arriving at this pane (or passed on to it).
  void HandleCommand(int command);
  // The dispatcher over item data.
  void Dispatch(int command, int item_data);

  // Loads the profile of row item_data ÷ 5 and its linked database read-only.
  void SelectProfile(int item_data);
  // Connects the current profile's linked database and counts its query's rows; sets the
  // status text and refreshes the panes. True when the query gave a result.
  bool LoadLinkedDatabase(bool read_only);

  // A right click on `item` (nullptr: none): selects it and gives the menu that opens there.
  std::vector<MenuEntry> PrepareContextMenu(QTreeWidgetItem* item);
  // A double click on `item`: sends its command, if it has one.
  void DoubleClickItem(QTreeWidgetItem* item);

  std::optional<profile::ProfileRecord> ProfileOfItem(int item_data) const;
  // The current profile record, with its database password in plain text once loaded.
  const std::optional<profile::ProfileRecord>& current_profile() const { return current_; }
  std::optional<int> SelectedItemData() const;
  std::optional<int> last_item() const { return last_item_; }
  void SelectProfileRow(int row);
  const std::string& status_text() const { return status_text_; }
  static int ItemDataOf(const QTreeWidgetItem* item);

  // Runs a wizard modally; tests replace it to drive the wizard themselves.
  std::function<int(CProfileWizard&)> run_wizard = [](CProfileWizard& w) { return w.exec(); };
  // Runs the other modal dialogs of the profile commands (and the wizard's own); tests replace
  // it to look at the dialog a command opened.
  DialogRunner run_dialog = RunDialogModally;
  std::function<void(std::unique_ptr<db::ResultSet>)> preview_sink;
  std::function<void()> panes_changed;  // the frame's refresh of the other panes
  // Whether the conduit runs; tests stand in for the process table.
  std::function<bool()> conduit_running = [] { return IsConduitRunning(); };

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

 private:
  void Refill();
  void AddProfileItems(const profile::ProfileRecord& record, int row);
  int ItemCount() const;
  void OnSelectionChanged(QTreeWidgetItem* item);
  // The status text after connecting `record`'s linked database and counting its query.
  std::string ConnectAndCount(const profile::ProfileRecord& record, bool read_only,
                              bool* has_result);
  void NewProfile();
  void FieldEditing(int item_data);
  void Rename(int item_data);
  void RestoreContents(int item_data);
  void DeviceBackup(bool restore);
  void SynchronizeNow(int item_data);
  void Refresh();

  DesktopSession& session_;
  std::vector<profile::ProfileRecord> profiles_;  // as stored: passwords scrambled
  std::optional<profile::ProfileRecord> current_;
  std::optional<int> last_item_;
  std::string status_text_;
};

}  // namespace velmora::desktop

// Command numbers of the desktop manager's menus, toolbar and accelerators, the item data of
// the profile tree (row index × 5 + item kind) and the rules by which the panes pass profile
// commands on to the profile pane. Used by the main frame and its panes; plain values, no Qt.
#pragma once

#include <optional>

namespace velmora::desktop {

enum Command : int {
  kCmdDelete = 32783,
  kCmdRestoreContents = 32784,
  kCmdNew = 32786,
  kCmdProfileName = 32787,
  kCmdSyncLog = 32792,
  kCmdHelp = 32794,
  kCmdAbout = 32795,
  kCmdFieldEditing = 32796,
  kCmdEditProfile = 32801,
  kCmdNewProfile = 32804,
  kCmdRename = 32810,
  kCmdSynchronize = 32814,
  kCmdAutoSync = 32817,
  kCmdBackupDevice = 32818,
  kCmdRestoreDevice = 32819,
  kCmdSplit = 57653,
  kCmdExit = 57665,
  kCmdToolbar = 59392,
  kCmdStatusBar = 59393,
};

enum class ItemKind : int { kProfile = 0, kDataSource = 1, kMapping = 2 };

inline constexpr int kItemsPerProfile = 5;

constexpr int MakeItemData(int profile_row, ItemKind kind) {
  return profile_row * kItemsPerProfile + static_cast<int>(kind);
}
constexpr int ProfileRowOfItem(int item_data) {
  return item_data / kItemsPerProfile;
}
constexpr ItemKind KindOfItem(int item_data) {
  return static_cast<ItemKind>(item_data % kItemsPerProfile);
}

enum class Pane { kProfile, kProperties, kContent };

// Whether `pane` hands `command` on to the profile pane (the profile pane handles its own).
bool PanePassesOn(Pane pane, int command);

// Whether `command` is one of the profile commands that go through a pane (the frame's own,
// such as Exit, Sync log or Help, run from anywhere).
bool IsPaneCommand(int command);

// Whether `command` can run while the focus is in `pane`: its own commands in the profile
// pane, those it passes on elsewhere, and every frame command. The others are disabled there.
bool CommandRunsFrom(Pane pane, int command);

// Whether a menu, toolbar or accelerator command is enabled: the item commands need a selected
// tree item, Restore Contents also a linked database connected with a result.
bool CommandEnabled(int command, bool item_selected, bool linked_has_result);

// A command as the profile pane's dispatcher receives it.
struct DispatchedCommand {
  int command = 0;
  int item_data = 0;
  friend bool operator==(const DispatchedCommand&, const DispatchedCommand&) = default;
};

// What the profile pane sends to its dispatcher for an incoming command. `selected_item` is
// the item data of the selected tree item, `last_item` that of the item last selected or
// right-clicked; nullopt when the command goes nowhere (no item for an item command, or
// Edit Profile on an item that is not a profile).
std::optional<DispatchedCommand> ProfilePaneDispatch(int command, std::optional<int> selected_item,
                                                     std::optional<int> last_item);

}  // namespace velmora::desktop

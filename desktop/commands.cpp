#include "desktop/commands.h"

namespace velmora::desktop {

bool CommandEnabled(int command, bool item_selected, bool linked_has_result) {
  switch (command) {
    case kCmdDelete:
    case kCmdProfileName:
    case kCmdEditProfile:
    case kCmdFieldEditing:
      return item_selected;
    case kCmdRestoreContents:
      return item_selected && linked_has_result;
    default:
      return true;
  }
}

bool IsPaneCommand(int command) {
  switch (command) {
    case kCmdNew:
    case kCmdDelete:
    case kCmdRestoreContents:
    case kCmdSynchronize:
    case kCmdAutoSync:
    case kCmdBackupDevice:
    case kCmdRestoreDevice:
    case kCmdProfileName:
    case kCmdRename:
    case kCmdEditProfile:
    case kCmdFieldEditing:
      return true;
    default:
      return false;
  }
}

bool CommandRunsFrom(Pane pane, int command) {
  return pane == Pane::kProfile || !IsPaneCommand(command) || PanePassesOn(pane, command);
}

bool PanePassesOn(Pane pane, int command) {
  switch (pane) {
    case Pane::kProfile:
      return false;
    case Pane::kProperties:
      return command == kCmdNew || command == kCmdDelete || command == kCmdRestoreContents ||
             command == kCmdSynchronize;
    case Pane::kContent:
      return command == kCmdNew || command == kCmdDelete || command == kCmdSynchronize ||
             command == kCmdRename;
  }
  return false;
}

std::optional<DispatchedCommand> ProfilePaneDispatch(int command, std::optional<int> selected_item,
                                                     std::optional<int> last_item) {
  switch (command) {
    case kCmdNew:
      return DispatchedCommand{kCmdNewProfile, 0};
    case kCmdAutoSync:
    case kCmdBackupDevice:
    case kCmdRestoreDevice:
      return DispatchedCommand{command, 0};
    case kCmdSynchronize:  // runs without a selection too; -1 = nothing to reselect
      return DispatchedCommand{command, last_item.value_or(-1)};
    case kCmdDelete:
    case kCmdRestoreContents:
      if (!last_item) return std::nullopt;
      return DispatchedCommand{command, *last_item};
    case kCmdProfileName:
    case kCmdRename:
      if (!selected_item) return std::nullopt;
      return DispatchedCommand{kCmdRename, *selected_item};
    case kCmdEditProfile:
      if (!last_item || KindOfItem(*last_item) != ItemKind::kProfile) return std::nullopt;
      return DispatchedCommand{kCmdRename, *last_item};
    case kCmdFieldEditing:
      if (!selected_item) return std::nullopt;
      return DispatchedCommand{kCmdFieldEditing, *selected_item};
    default:
      return std::nullopt;
  }
}

}  // namespace velmora::desktop

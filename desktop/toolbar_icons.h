// The four toolbar images of the main window (New Profile, Restore, Delete Profile,
// Synchronize), drawn in code at 30 × 27 pixels so that no image files need shipping.
// Used by CMainFrame only.
#pragma once

#include <QIcon>

namespace velmora::desktop {

enum class ToolbarImage { kNewProfile, kRestore, kDeleteProfile, kSynchronize };

QIcon ToolbarIcon(ToolbarImage image);

}  // namespace velmora::desktop

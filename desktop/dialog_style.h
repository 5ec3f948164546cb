// The look every dialog, form pane and the profile tree share: the light green background
// RGB(230, 255, 246) and the Tahoma font of height 13. Used by the desktop manager's windows.
#pragma once

#include <QColor>
#include <QWidget>

namespace velmora::desktop {

inline const QColor kDialogBackground(230, 255, 246);

void ApplyDialogStyle(QWidget* widget);

}  // namespace velmora::desktop

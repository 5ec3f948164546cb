// The top-right pane: the selected profile's sync settings as text. The in-place controls
// and their rules (properties_rules.h) come with the full pane. Used by CMainFrame.
#pragma once

#include <QLabel>
#include <optional>

#include "profile/profile_record.h"

namespace velmora::desktop {

class CPropertiesView : public QLabel {
  Q_OBJECT

 public:
  explicit CPropertiesView(QWidget* parent = nullptr);
  void ShowProfile(const std::optional<profile::ProfileRecord>& record);
};

}  // namespace velmora::desktop

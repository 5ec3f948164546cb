// The "Edit Profile" dialog: "Profile Name:" with the current name, "Change" and "Cancel".
// Opened by the edit-profile-name command on the current profile record; "Change" runs the
// RenameProfile rule and closes only when the new name is stored.
#pragma once

#include <QDialog>

#include "profile/profile_record.h"
#include "profile/profile_store.h"

class QLineEdit;

namespace velmora::desktop {

class RenameProfileDialog : public QDialog {
  Q_OBJECT

 public:
  // `record` is the current profile record; it gets the new name when the rename is stored.
  RenameProfileDialog(profile::ProfileStore& store, profile::ProfileRecord& record,
                      QWidget* parent = nullptr);

  QLineEdit* edit() const { return edit_; }

 public slots:
  void Change();

 private:
  profile::ProfileStore& store_;
  profile::ProfileRecord& record_;
  QLineEdit* edit_;
};

}  // namespace velmora::desktop

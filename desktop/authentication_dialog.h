// The authentication dialog of the data-source page: user name and password for one more
// connect after a login failure. Used by CSyncPropertyPage; holds the two texts only.
#pragma once

#include <QDialog>
#include <QLineEdit>

namespace velmora::desktop {

class CAuthenticationDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CAuthenticationDialog(QWidget* parent = nullptr);
  QString user() const { return user_->text(); }
  QString password() const { return password_->text(); }
  QLineEdit* user_edit() const { return user_; }
  QLineEdit* password_edit() const { return password_; }

 private:
  QLineEdit* user_;
  QLineEdit* password_;
};

}  // namespace velmora::desktop

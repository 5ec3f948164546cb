#include "desktop/authentication_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "desktop/dialog_style.h"

namespace velmora::desktop {

CAuthenticationDialog::CAuthenticationDialog(QWidget* parent)
    : QDialog(parent), user_(new QLineEdit), password_(new QLineEdit) {
  setWindowTitle("username");
  ApplyDialogStyle(this);
  password_->setEchoMode(QLineEdit::Password);
  auto* form = new QFormLayout;
  form->addRow("User Name:", user_);
  form->addRow("Password:", password_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  resize(320, 140);
}

}  // namespace velmora::desktop

#include "desktop/rename_profile_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/rename_profile.h"
#include "desktop/what_is_this_window.h"

namespace velmora::desktop {

RenameProfileDialog::RenameProfileDialog(profile::ProfileStore& store,
                                         profile::ProfileRecord& record, QWidget* parent)
    : QDialog(parent), store_(store), record_(record), edit_(new QLineEdit(this)) {
  ApplyDialogLook(*this);
  setWindowTitle(QStringLiteral("Edit Profile"));
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Profile Name:"), this));
  edit_->setMaxLength(kProfileNameEditLimit);
  edit_->setText(QString::fromStdString(record_.prof_name));
  edit_->selectAll();
  row->addWidget(edit_, 1);
  layout->addLayout(row);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* change = new QPushButton(QStringLiteral("Change"), this);
  change->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  buttons->addWidget(change);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(change, &QPushButton::clicked, this, &RenameProfileDialog::Change);
  connect(cancel, &QPushButton::clicked, this, &RenameProfileDialog::reject);
  setMinimumWidth(340);
}

void RenameProfileDialog::Change() {
  if (RenameProfile(store_, record_, edit_->text().toStdString()) == RenameOutcome::kRenamed) {
    accept();
  }
}

}  // namespace velmora::desktop

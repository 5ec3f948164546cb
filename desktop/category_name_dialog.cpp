#include "desktop/category_name_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/what_is_this_window.h"

namespace velmora::desktop {

CategoryNameDialog::CategoryNameDialog(CategoriesModel& model, std::string old_name,
                                       QWidget* parent)
    : QDialog(parent), model_(model), old_name_(std::move(old_name)), edit_(new QLineEdit(this)) {
  ApplyDialogLook(*this);
  setWindowTitle(old_name_.empty() ? QStringLiteral("New Category")
                                   : QStringLiteral("Rename Category"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Enter new category name"), this));
  edit_->setMaxLength(99);
  edit_->setText(QString::fromStdString(old_name_));
  edit_->selectAll();
  layout->addWidget(edit_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &CategoryNameDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CategoryNameDialog::reject);
  layout->addWidget(buttons);
  setMinimumWidth(300);
  edit_->setFocus();
}

void CategoryNameDialog::accept() {
  const std::string name = edit_->text().toStdString();
  const NameOutcome outcome =
      old_name_.empty() ? model_.Create(name) : model_.Rename(old_name_, name);
  if (outcome == NameOutcome::kRefused) return;
  stored_name_ = model_.stored_name();
  QDialog::accept();
}

}  // namespace velmora::desktop

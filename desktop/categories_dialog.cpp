#include "desktop/categories_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/category_name_dialog.h"
#include "desktop/what_is_this_texts.h"
#include "desktop/what_is_this_window.h"

namespace velmora::desktop {

CategoriesDialog::CategoriesDialog(profile::ProfileStore& store, QWidget* parent)
    : QDialog(parent), model_(store), list_(new QListWidget(this)) {
  ApplyDialogLook(*this);
  setWindowTitle(QStringLiteral("Categories"));
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Select Category :"), this), 0, 0);
  layout->addWidget(list_, 1, 0, 6, 1);
  auto* buttons = new QVBoxLayout;
  const auto add = [&](const QString& text, auto slot) {
    auto* button = new QPushButton(text, this);
    connect(button, &QPushButton::clicked, this, slot);
    buttons->addWidget(button);
    return button;
  };
  add(QStringLiteral("OK"), &CategoriesDialog::accept)->setDefault(true);
  add(QStringLiteral("&New..."), &CategoriesDialog::NewCategory);
  add(QStringLiteral("&Delete"), &CategoriesDialog::DeleteCategory);
  add(QStringLiteral("&Rename..."), &CategoriesDialog::RenameCategory);
  add(QStringLiteral("Help"), [this] { WhatIsThisWindow::ShowHelp(kHelpCategories, this); });
  buttons->addStretch();
  layout->addLayout(buttons, 1, 1, 6, 1);
  resize(360, 260);
  Refill();
}

std::string CategoriesDialog::SelectedName() const {
  const QListWidgetItem* item = list_->currentItem();
  return item && item->isSelected() ? item->text().toStdString() : std::string();
}

void CategoriesDialog::Refill(const std::string& name) {
  list_->clear();
  for (const std::string& entry : model_.Names()) {
    auto* item = new QListWidgetItem(QString::fromStdString(entry), list_);
    if (!name.empty() && entry == name && !list_->currentItem()) list_->setCurrentItem(item);
  }
}

void CategoriesDialog::RunNameDialog(const std::string& old_name) {
  CategoryNameDialog dialog(model_, old_name, this);
  if (dialog.exec() != QDialog::Accepted) return;
  Refill(dialog.stored_name());
}

void CategoriesDialog::NewCategory() {
  RunNameDialog({});
}

void CategoriesDialog::RenameCategory() {
  const std::string old_name = SelectedName();
  if (old_name.empty()) return;
  RunNameDialog(old_name);
}

void CategoriesDialog::DeleteCategory() {
  model_.Delete(SelectedName());
  Refill();
}

void CategoriesDialog::accept() {
  chosen_name_ = SelectedName();
  QDialog::accept();
}

}  // namespace velmora::desktop

#include "desktop/restore_contents_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/grid/grid_view.h"
#include "desktop/grid/result_set_table_model.h"
#include "desktop/messages.h"
#include "desktop/what_is_this_texts.h"
#include "desktop/what_is_this_window.h"
#include "platform/prompt/prompt.h"

namespace velmora::desktop {
namespace {

constexpr int kGridColumnWidth = 125;

GridView* MakeGrid(QWidget* parent, ResultSetTableModel* model) {
  auto* grid = new GridView(parent);
  model->SetColumnWidth(kGridColumnWidth);
  grid->setModel(model);
  return grid;
}

}  // namespace

RestoreContentsDialog::RestoreContentsDialog(BackupRestoreModel& model, QWidget* parent)
    : QDialog(parent),
      model_(model),
      current_model_(new ResultSetTableModel(this)),
      backup_model_(new ResultSetTableModel(this)),
      generations_(new QComboBox(this)),
      restore_button_(new QPushButton(QStringLiteral("Restore"), this)) {
  ApplyDialogLook(*this);
  setWindowTitle(QString::fromStdString(model_.profile().prof_name));
  auto* layout = new QVBoxLayout(this);
  auto* panes = new QHBoxLayout;
  layout->addLayout(panes, 1);

  auto* current_box = new QGroupBox(QStringLiteral("Database contents Preview(Current)"), this);
  auto* current_layout = new QVBoxLayout(current_box);
  current_layout->addSpacing(generations_->sizeHint().height());
  current_grid_ = MakeGrid(current_box, current_model_);
  current_layout->addWidget(current_grid_);
  panes->addWidget(current_box, 1);

  auto* backup_box = new QGroupBox(QStringLiteral("Database Content  Backup Preview of"), this);
  auto* backup_layout = new QVBoxLayout(backup_box);
  auto* chooser = new QHBoxLayout;
  chooser->addStretch();
  for (std::string_view label : kGenerationLabels) {
    generations_->addItem(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
  }
  chooser->addWidget(generations_);
  backup_layout->addLayout(chooser);
  backup_grid_ = MakeGrid(backup_box, backup_model_);
  backup_layout->addWidget(backup_grid_);
  panes->addWidget(backup_box, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(restore_button_);
  auto* help = new QPushButton(QStringLiteral("Help"), this);
  buttons->addWidget(help);
  buttons->addStretch();
  layout->addLayout(buttons);

  connect(generations_, &QComboBox::currentIndexChanged, this,
          &RestoreContentsDialog::LoadGeneration);
  connect(restore_button_, &QPushButton::clicked, this, &RestoreContentsDialog::Restore);
  connect(help, &QPushButton::clicked, this,
          [this] { WhatIsThisWindow::ShowHelp(kHelpRestoreContents, this); });
  resize(860, 420);

  LoadCurrentRows();
  generations_->setCurrentIndex(0);
  LoadGeneration(0);
}

RestoreContentsDialog::~RestoreContentsDialog() {
  // The current rows live on the linked connection, which outlives this dialog.
  current_model_->Clear();
}

void RestoreContentsDialog::LoadCurrentRows() {
  std::string error_text;
  std::unique_ptr<db::ResultSet> rows = model_.CurrentRows(&error_text);
  if (!rows && !error_text.empty()) {
    prompt::ShowMessage(error_text, kCaption, prompt::Icon::kExclamation);
  }
  current_model_->SetResultSet(std::move(rows));
  current_grid_->ApplyColumnWidths();
}

void RestoreContentsDialog::LoadGeneration(int index) {
  backup_model_->SetResultSet(model_.LoadGeneration(index < 0 ? 0 : index));
  backup_grid_->ApplyColumnWidths();
}

void RestoreContentsDialog::Restore() {
  // The restore rewrites the table the left grid reads: let go of its statement first.
  current_model_->Clear();
  model_.Restore();
  LoadCurrentRows();
}

}  // namespace velmora::desktop

#include "desktop/filter_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/dialog_style.h"
#include "desktop/grid/grid_model.h"
#include "desktop/grid/grid_view.h"
#include "desktop/messages.h"
#include "desktop/query_builder.h"
#include "desktop/what_is_this_texts.h"
#include "desktop/what_is_this_window.h"
#include "platform/prompt/prompt.h"

namespace velmora::desktop {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QStringList Choices(const std::vector<std::string>& texts) {
  QStringList out;
  for (const auto& t : texts) out << Q(t);
  return out;
}

QStringList Operators() {
  QStringList out;
  for (int i = 0; i < kComparisonCount; ++i) out << Q(std::string(ComparisonText(i)));
  return out;
}

}  // namespace

CFilterDialog::CFilterDialog(FilterDialogMode mode, std::vector<std::string> catalogue,
                             const std::vector<FilterEntry>& filters,
                             const std::vector<SortEntry>& sorts, QWidget* parent)
    : QDialog(parent),
      mode_(mode),
      catalogue_(std::move(catalogue)),
      filters_(filters),
      sorts_(sorts),
      model_(new GridModel(this)),
      view_(new GridView) {
  ApplyDialogStyle(this);
  const bool filter_mode = mode == FilterDialogMode::kFilters;
  setWindowTitle(filter_mode ? "Filters" : "Sort Order");
  model_->SetCheckable(true);
  if (filter_mode) {
    model_->SetColumns({ChoiceColumn("Filter joining", 70, {"AND", "OR"}),
                        ChoiceColumn("Available Fields", 120, Choices(catalogue_)),
                        ChoiceColumn("Filter operator", 50, Operators()),
                        TextColumn("Filter value", 200)});
    for (const FilterRow& row : RowsOfFilters(filters_, catalogue_)) ShowRow(row);
  } else {
    model_->SetColumns({ChoiceColumn("Sort Order", 90, {kAscending, kDescending}),
                        ChoiceColumn("Available Fields", 120, Choices(catalogue_))});
    for (const FilterRow& row : RowsOfSorts(sorts_, catalogue_)) ShowRow(row);
  }
  view_->setModel(model_);
  view_->ApplyColumnWidths();
  view_->verticalHeader()->hide();
  // A column never narrower than its title, which a larger font than the one the widths were
  // chosen for would cut.
  for (int c = 0; c < model_->columnCount(); ++c) {
    const QString text = model_->headerData(c, Qt::Horizontal).toString();
    const int title = view_->horizontalHeader()->fontMetrics().horizontalAdvance(text) + 16;
    if (view_->columnWidth(c) < title) view_->setColumnWidth(c, title);
  }

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_);
  if (filter_mode) {
    auto* note = new QLabel(
        "Double click on perticular row to edit \"Avilable Fields\", \"Filter\", \"Filter Value\" "
        ".");
    note->setWordWrap(true);
    layout->addWidget(note);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                       QDialogButtonBox::Help);
  QPushButton* add = buttons->addButton("Add", QDialogButtonBox::ActionRole);
  connect(add, &QPushButton::clicked, this, &CFilterDialog::AddRow);
  connect(buttons, &QDialogButtonBox::accepted, this, &CFilterDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this,
          [this] { WhatIsThisWindow::ShowHelp(kHelpFilters, this); });
  layout->addWidget(buttons);
  resize(filter_mode ? 600 : 340, 280);
}

void CFilterDialog::ShowRow(const FilterRow& row) {
  QStringList texts;
  if (mode_ == FilterDialogMode::kFilters) {
    texts << Q(row.joining) << Q(row.field) << Q(row.comparison) << Q(row.value);
  } else {
    texts << Q(row.order) << Q(row.field);
  }
  model_->AppendRow(MakeGridRow(texts, row.checked));
}

void CFilterDialog::AddRow() {
  ShowRow(mode_ == FilterDialogMode::kFilters ? NewFilterRow(catalogue_) : NewSortRow(catalogue_));
}

std::vector<FilterRow> CFilterDialog::ReadRows() const {
  std::vector<FilterRow> rows;
  for (int r = 0; r < model_->rowCount(); ++r) {
    FilterRow row;
    row.checked = model_->IsChecked(r);
    if (mode_ == FilterDialogMode::kFilters) {
      row.joining = model_->Text(r, 0).toStdString();
      row.field = model_->Text(r, 1).toStdString();
      row.comparison = model_->Text(r, 2).toStdString();
      row.value = model_->Text(r, 3).toStdString();
    } else {
      row.order = model_->Text(r, 0).toStdString();
      row.field = model_->Text(r, 1).toStdString();
    }
    rows.push_back(row);
  }
  return rows;
}

void CFilterDialog::accept() {
  if (mode_ == FilterDialogMode::kSortOrder) {
    sorts_ = ReadSortRows(ReadRows(), catalogue_);
    QDialog::accept();
    return;
  }
  FilterReadResult read = ReadFilterRows(ReadRows(), catalogue_);
  if (read.refusal) {
    prompt::ShowMessage(*read.refusal, kCaption, prompt::Icon::kExclamation);
    return;
  }
  filters_ = std::move(read.filters);
  QDialog::accept();
}

}  // namespace velmora::desktop

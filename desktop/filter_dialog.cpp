#include "desktop/filter_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
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

// The width a column needs so that neither its title nor any of its choices is cut; the first
// column also holds each row's check box.
int FittingWidth(const GridView& view, int column, const QString& title,
                 const QStringList& choices) {
  constexpr int kPadding = 16;
  int width = view.horizontalHeader()->fontMetrics().horizontalAdvance(title) + kPadding;
  const int check_box = column == 0 ? view.style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                                          view.style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing)
                                    : 0;
  for (const QString& choice : choices) {
    width = std::max(width, view.fontMetrics().horizontalAdvance(choice) + kPadding + check_box);
  }
  return width;
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
  std::vector<QStringList> choices;
  if (filter_mode) {
    choices = {{"AND", "OR"}, Choices(catalogue_), Operators(), {}};
    model_->SetColumns({ChoiceColumn("Filter joining", 70, choices[0]),
                        ChoiceColumn("Available Fields", 120, choices[1]),
                        ChoiceColumn("Filter operator", 50, choices[2]),
                        TextColumn("Filter value", 200)});
    for (const FilterRow& row : RowsOfFilters(filters_, catalogue_)) ShowRow(row);
  } else {
    choices = {{kAscending, kDescending}, Choices(catalogue_)};
    model_->SetColumns({ChoiceColumn("Sort Order", 90, choices[0]),
                        ChoiceColumn("Available Fields", 120, choices[1])});
    for (const FilterRow& row : RowsOfSorts(sorts_, catalogue_)) ShowRow(row);
  }
  view_->setModel(model_);
  view_->ApplyColumnWidths();
  view_->verticalHeader()->hide();
  // The widths are those of the usual font; a larger one, or a long field name, widens a
  // column rather than cutting its text.
  for (int c = 0; c < model_->columnCount(); ++c) {
    const QString title = model_->headerData(c, Qt::Horizontal).toString();
    const int fitting = FittingWidth(*view_, c, title, choices[static_cast<std::size_t>(c)]);
    if (view_->columnWidth(c) < fitting) view_->setColumnWidth(c, fitting);
  }
  view_->horizontalHeader()->setStretchLastSection(true);

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

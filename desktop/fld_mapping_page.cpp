#include "desktop/fld_mapping_page.h"

#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

#include "desktop/desktop_session.h"
#include "desktop/dialog_style.h"
#include "desktop/grid/grid_model.h"
#include "desktop/grid/grid_view.h"
#include "desktop/messages.h"
#include "desktop/profile_wizard.h"
#include "desktop/query_builder.h"
#include "platform/prompt/prompt.h"
#include "profile/field_catalogue.h"
#include "profile/profile_store.h"

namespace velmora::desktop {
namespace {

constexpr int kColumnWidth = 192;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

void KeepChosenColumns(const std::vector<MappingListRow>& before, const QStringList& choices,
                       std::vector<MappingListRow>& rows) {
  for (MappingListRow& row : rows) {
    for (const MappingListRow& old : before) {
      if (old.field_id == row.field_id && old.column != profile::kUnmapped &&
          choices.contains(Q(old.column))) {
        row.column = old.column;
      }
    }
  }
}

}  // namespace

CFldMappingPage::CFldMappingPage(CProfileWizard* wizard)
    : wizard_(wizard), model_(new GridModel(this)), view_(new GridView) {
  auto* note = new QLabel(
      "Please map your Pocket PC Contacts Field with your Custom database by using right side "
      "dropdown Fields. Double click on dropdown to select particular Field for mapping.");
  note->setWordWrap(true);
  model_->SetCheckable(true);
  view_->setModel(model_);
  view_->SetWheelScrolling(false);
  view_->verticalHeader()->hide();
  QPalette palette = view_->palette();
  palette.setColor(QPalette::Base, kDialogBackground);
  view_->setPalette(palette);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note);
  layout->addWidget(view_);
}

void CFldMappingPage::initializePage() {
  WizardData& data = wizard_->data();
  DesktopSession& session = wizard_->session();
  const bool editing = data.mode == WizardMode::kFieldMapping;
  if (editing) {
    const long category = session.store().CategoryIdForMappingPage(data.record.prof_id);
    if (category > 0) {
      data.fixed_category = true;
      data.record.category_id = category;
    }
  } else {
    data.record.category_id = data.category_id;
    data.fixed_category = data.category_id > 0;
  }
  // Back and Next again keep the columns chosen before that the statement still offers.
  const std::vector<MappingListRow> chosen_before = Rows();
  rows_ = UnmappedRows(data.fixed_category);
  if (editing) ShowStoredMapping(session.store(), data.record.prof_id, data.record.query, rows_);

  QStringList choices{Q(std::string(profile::kUnmapped))};
  // The cells offer the columns as the mapping stores them: bare, quoted only in statements.
  for (const std::string& field : data.remembered_fields) choices << Q(StoredColumnName(field));
  KeepChosenColumns(chosen_before, choices, rows_);
  model_->SetColumns({ReadOnlyColumn("Pocket PC Contacts Field", kColumnWidth),
                      ChoiceColumn("Custom Database Field", kColumnWidth, choices)});
  std::vector<GridRow> grid_rows;
  for (const MappingListRow& row : rows_) {
    grid_rows.push_back(MakeGridRow({Q(row.field_name), Q(row.column)}, true));
  }
  model_->SetRows(std::move(grid_rows));
  view_->ApplyColumnWidths();
  view_->scrollToTop();
  view_->setFocus();
}

void CFldMappingPage::cleanupPage() {
  wizard_->data().remembered_fields.clear();
}

bool CFldMappingPage::MapField(const std::string& field_id, const std::string& column) {
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    if (rows_[r].field_id == field_id) return model_->SetText(static_cast<int>(r), 1, Q(column));
  }
  return false;
}

std::vector<MappingListRow> CFldMappingPage::Rows() const {
  std::vector<MappingListRow> rows = rows_;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    rows[r].column = model_->Text(static_cast<int>(r), 1).toStdString();
  }
  return rows;
}

bool CFldMappingPage::validatePage() {
  DesktopSession& session = wizard_->session();
  WizardData& data = wizard_->data();
  MappingSaver saver(session.profile_database(), session.store(), session.log());
  const MappingSaveResult result =
      saver.Save(data, Rows(), session.linked().DatabaseKind(),
                 LinkedColumnTypes(session.linked(), data.record.query));
  for (const std::string& message : result.messages) {
    prompt::ShowMessage(message, kCaption,
                        result.finished && !result.errors ? prompt::Icon::kInformation
                                                          : prompt::Icon::kExclamation);
  }
  saved_ = result.finished;
  return result.finished;
}

}  // namespace velmora::desktop

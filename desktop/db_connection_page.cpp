#include "desktop/db_connection_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <set>

#include "db/odbc_result_set.h"
#include "db/statements.h"
#include "desktop/desktop_session.h"
#include "desktop/filter_dialog.h"
#include "desktop/messages.h"
#include "desktop/profile_wizard.h"
#include "platform/prompt/prompt.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

constexpr int kQueryLimit = 2000;

void Warn(std::string_view text) {
  prompt::ShowMessage(text, kCaption, prompt::Icon::kExclamation);
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

std::vector<int> SelectedRows(const QListWidget* list) {
  std::vector<int> rows;
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->isSelected()) rows.push_back(i);
  }
  return rows;
}

}  // namespace

CDBConnectionPage::CDBConnectionPage(CProfileWizard* wizard)
    : wizard_(wizard),
      tables_(new QListWidget),
      available_(new QListWidget),
      selected_(new QListWidget),
      query_(new QPlainTextEdit),
      filters_(new QPushButton("Filters")),
      sorts_(new QPushButton("Sort Order")) {
  for (QListWidget* list : {tables_, available_, selected_}) {
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  }
  auto* to_selected = new QPushButton(">");
  auto* to_available = new QPushButton("<");
  auto* preview = new QPushButton("Preview");
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Available Tables:"), 0, 0);
  grid->addWidget(new QLabel("Available Fields:"), 0, 1);
  grid->addWidget(new QLabel("Selected Fields:"), 0, 3);
  grid->addWidget(tables_, 1, 0);
  grid->addWidget(available_, 1, 1);
  auto* arrows = new QVBoxLayout;
  arrows->addStretch();
  arrows->addWidget(to_selected);
  arrows->addWidget(to_available);
  arrows->addStretch();
  grid->addLayout(arrows, 1, 2);
  grid->addWidget(selected_, 1, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(preview);
  buttons->addWidget(filters_);
  buttons->addWidget(sorts_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid, 3);
  layout->addWidget(new QLabel("Query"));
  layout->addWidget(query_, 1);
  layout->addLayout(buttons);

  connect(tables_, &QListWidget::itemSelectionChanged, this, &CDBConnectionPage::TablesChanged);
  connect(to_selected, &QPushButton::clicked, this, [this] { MoveSelectedFields(true); });
  connect(to_available, &QPushButton::clicked, this, [this] { MoveSelectedFields(false); });
  connect(preview, &QPushButton::clicked, this, &CDBConnectionPage::Preview);
  connect(filters_, &QPushButton::clicked, this,
          [this] { OpenFilterDialog(FilterDialogMode::kFilters); });
  connect(sorts_, &QPushButton::clicked, this,
          [this] { OpenFilterDialog(FilterDialogMode::kSortOrder); });
  connect(query_, &QPlainTextEdit::textChanged, this, [this] {
    if (query_->toPlainText().size() > kQueryLimit) {
      query_->setPlainText(query_->toPlainText().left(kQueryLimit));
    }
  });
}

void CDBConnectionPage::initializePage() {
  WizardData& data = wizard_->data();
  const bool device_to_desktop = profile::IsDeviceToDesktop(data.record.sync_type);
  filters_->setEnabled(!device_to_desktop);
  sorts_->setEnabled(!device_to_desktop);
  model_.SetBareIdentifiers(wizard_->session().linked().DatabaseKind() == db::kKindMySql);
  RefillTables();
  if (data.mode == WizardMode::kFieldMapping && !stored_query_applied_) {
    stored_query_applied_ = true;
    const std::string stored = data.record.query;
    applying_stored_query_ = true;
    SelectTables(TablesOfStoredQuery(stored));
    applying_stored_query_ = false;
    ShowStatement(stored);
  }
}

void CDBConnectionPage::cleanupPage() {
  wizard_->data().remembered_fields.clear();
}

// The source may have changed since the page was last shown: nothing of the old one stays.
void CDBConnectionPage::RefillTables() {
  const QSignalBlocker block(tables_);
  tables_->clear();
  available_->clear();
  selected_->clear();
  model_.Clear();
  previous_tables_.clear();
  WizardData& data = wizard_->data();
  data.remembered_fields.clear();
  data.table_count = 0;
  for (const std::string& table : db::ListTables(wizard_->session().linked())) {
    tables_->addItem(Q(table));
  }
}

std::vector<std::string> CDBConnectionPage::ChosenTables() const {
  std::vector<std::string> chosen;
  for (int i = 0; i < tables_->count(); ++i) {
    if (tables_->item(i)->isSelected()) chosen.push_back(tables_->item(i)->text().toStdString());
  }
  return chosen;
}

void CDBConnectionPage::SelectTables(const std::vector<std::string>& tables) {
  const std::set<std::string> wanted(tables.begin(), tables.end());
  {
    const QSignalBlocker block(tables_);
    for (int i = 0; i < tables_->count(); ++i) {
      tables_->item(i)->setSelected(wanted.count(tables_->item(i)->text().toStdString()) != 0);
    }
  }
  TablesChanged();
}

void CDBConnectionPage::TablesChanged() {
  WizardData& data = wizard_->data();
  const std::vector<std::string> chosen = ChosenTables();
  if (profile::IsDesktopToDevice(data.record.sync_type) && !model_.filters().empty()) {
    if (!prompt::AskYesNo("This action will remove current Filters\n\nDo you want to continue?",
                          kCaption)) {
      const QSignalBlocker block(tables_);
      const std::set<std::string> back(previous_tables_.begin(), previous_tables_.end());
      for (int i = 0; i < tables_->count(); ++i) {
        tables_->item(i)->setSelected(back.count(tables_->item(i)->text().toStdString()) != 0);
      }
      return;
    }
    model_.ClearFiltersAndSorts();
  }
  previous_tables_ = chosen;
  ConnectionColumnSource columns(wizard_->session().linked());
  const std::string sql = model_.ChooseTables(chosen, columns);
  data.record.table_name = model_.TableNameText();
  data.table_count = static_cast<int>(chosen.size());
  ShowFieldLists();
  if (!applying_stored_query_) {
    ShowStatement(sql);
    Preview();
  }
}

void CDBConnectionPage::ShowFieldLists() {
  available_->clear();
  selected_->clear();
  for (const std::string& f : model_.available()) available_->addItem(Q(f));
  for (const std::string& f : model_.selected()) selected_->addItem(Q(f));
  wizard_->data().remembered_fields = model_.RememberedFields();
}

void CDBConnectionPage::ShowStatement(const std::string& sql) {
  query_->setPlainText(Q(sql));
}

void CDBConnectionPage::MoveSelectedFields(bool to_selected) {
  const std::string sql = to_selected ? model_.MoveToSelected(SelectedRows(available_))
                                      : model_.MoveToAvailable(SelectedRows(selected_));
  ShowFieldLists();
  ShowStatement(sql);
}

void CDBConnectionPage::ApplyFilterEntries(FilterDialogMode mode,
                                           const std::vector<FilterEntry>& filters,
                                           const std::vector<SortEntry>& sorts) {
  if (mode == FilterDialogMode::kFilters) {
    model_.SetFilters(filters);
  } else {
    model_.SetSorts(sorts);
  }
  ShowFieldLists();
  ShowStatement(model_.Rebuild());
}

void CDBConnectionPage::OpenFilterDialog(FilterDialogMode mode) {
  if (model_.catalogue().empty()) {
    Warn(kSelectTableFirst);
    return;
  }
  CFilterDialog dialog(mode, model_.catalogue(), model_.filters(), model_.sorts(), this);
  if (dialog.exec() == QDialog::Accepted)
    ApplyFilterEntries(mode, dialog.filters(), dialog.sorts());
}

bool CDBConnectionPage::Preview() {
  const std::string sql = query_->toPlainText().toStdString();
  if (const auto refusal = PreviewRefusal(sql)) {
    Warn(*refusal);
    return false;
  }
  DesktopSession& session = wizard_->session();
  if (!session.linked_connected()) return false;
  std::string error;
  auto rows = session.RunLinkedQuery(sql, &error);
  if (!rows) {
    Warn(error);
    return false;
  }
  if (wizard_->preview()) wizard_->preview()(std::move(rows));
  return true;
}

bool CDBConnectionPage::validatePage() {
  WizardData& data = wizard_->data();
  DesktopSession& session = wizard_->session();
  const std::vector<std::string> chosen = ChosenTables();
  profile::ProfileRecord candidate = data.record;
  candidate.table_name = model_.TableNameText();
  // The profile whose mapping is being edited is saved again under its id: it is no conflict.
  const long left_out = data.mode == WizardMode::kFieldMapping ? data.record.prof_id : 0;
  const auto refusal = TablePageLeaveRefusal(
      static_cast<int>(chosen.size()), data.record.sync_type,
      [&] { return session.store().NewProfileConflicts(candidate, left_out); },
      session.linked_connected());
  if (refusal) {
    Warn(*refusal);
    return false;
  }
  data.record.query = query_->toPlainText().toStdString().substr(0, kStoredQueryLimit);
  ConnectionColumnSource columns(session.linked());
  model_.ChooseTables(chosen, columns, data.record.query);
  data.record.table_name = model_.TableNameText();
  data.table_count = static_cast<int>(chosen.size());
  wizard_->data().remembered_fields = model_.RememberedFields();
  if (QString::fromStdString(data.record.prof_name).trimmed().isEmpty() &&
      tables_->currentItem() != nullptr) {
    data.record.prof_name = tables_->currentItem()->text().toStdString();
  }
  return true;
}

}  // namespace velmora::desktop

// The wizard's table and query page: tables of the linked database, the available and the
// selected fields, the statement with Preview, and the filter and sort-order dialogs. Its
// state and refusals live in TablePageModel. Used by CProfileWizard.
#pragma once

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWizardPage>

#include "desktop/filter_rows.h"
#include "desktop/table_page_model.h"

namespace velmora::desktop {

class CProfileWizard;

class CDBConnectionPage : public QWizardPage {
  Q_OBJECT

 public:
  explicit CDBConnectionPage(CProfileWizard* wizard);

  void initializePage() override;
  bool validatePage() override;
  void cleanupPage() override;

  // Selects the named tables (the tests' and the stored query's way of choosing).
  void SelectTables(const std::vector<std::string>& tables);
  void MoveSelectedFields(bool to_selected);
  void ApplyFilterEntries(FilterDialogMode mode, const std::vector<FilterEntry>& filters,
                          const std::vector<SortEntry>& sorts);
  bool Preview();
  void OpenFilterDialog(FilterDialogMode mode);

  TablePageModel& model() { return model_; }
  QListWidget* tables() const { return tables_; }
  QListWidget* available() const { return available_; }
  QListWidget* selected() const { return selected_; }
  QPlainTextEdit* query() const { return query_; }

 private:
  void RefillTables();
  void TablesChanged();
  void ShowFieldLists();
  void ShowStatement(const std::string& sql);
  std::vector<std::string> ChosenTables() const;

  CProfileWizard* wizard_;
  TablePageModel model_;
  bool applying_stored_query_ = false;
  bool stored_query_applied_ = false;
  std::vector<std::string> previous_tables_;
  QListWidget* tables_;
  QListWidget* available_;
  QListWidget* selected_;
  QPlainTextEdit* query_;
  QPushButton* filters_;
  QPushButton* sorts_;
};

}  // namespace velmora::desktop

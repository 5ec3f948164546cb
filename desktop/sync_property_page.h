// The wizard's second page: profile name, the data source (a file or an ODBC data source, with
// the login retry), handheld user and schedule. Next checks the page; for a CSV export
// profile the page is the last one and Finish saves the profile. Used by CProfileWizard.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QWizardPage>

#include "desktop/sync_page_rules.h"

namespace velmora::desktop {

class CProfileWizard;

class CSyncPropertyPage : public QWizardPage {
  Q_OBJECT

 public:
  explicit CSyncPropertyPage(CProfileWizard* wizard);

  void initializePage() override;
  bool validatePage() override;
  int nextId() const override;
  bool isComplete() const override { return true; }

  // The data-source steps, also used by the tests instead of the file dialog and the list.
  bool ChooseFile(const QString& path);
  bool ChooseDataSource(const QString& name);
  void ChooseFileKind(bool file);

  QLineEdit* name_edit() const { return name_; }
  QComboBox* data_sources() const { return dsn_list_; }
  QLineEdit* path_edit() const { return path_; }
  QComboBox* users() const { return users_; }
  QComboBox* sync_on() const { return sync_on_; }

 private:
  void FirstSetUp();
  void ApplySchedule();
  void Browse();
  void OpenOdbcManager();
  bool Connect(const DataSourceChoice& choice);
  PropertyPageValues Values() const;
  void ShowMessages(const std::vector<std::string>& messages);
  bool IsCsvExport() const;

  CProfileWizard* wizard_;
  bool set_up_ = false;
  bool shown_once_ = false;
  QLineEdit* name_;
  QRadioButton* file_radio_;
  QRadioButton* dsn_radio_;
  QPushButton* browse_;
  QLineEdit* path_;
  QComboBox* dsn_list_;
  QPushButton* config_;
  QComboBox* users_;
  QComboBox* sync_on_;
  QComboBox* date_;
  QComboBox* day_;
  QTimeEdit* time_;
};

}  // namespace velmora::desktop

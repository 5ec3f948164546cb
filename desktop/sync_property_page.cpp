#include "desktop/sync_property_page.h"

#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "db/data_sources.h"
#include "desktop/authentication_dialog.h"
#include "desktop/data_source_connect.h"
#include "desktop/desktop_session.h"
#include "desktop/messages.h"
#include "desktop/odbc_manager.h"
#include "desktop/profile_wizard.h"
#include "platform/peltrix/handheld_user_library.h"
#include "platform/prompt/prompt.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

constexpr const char* kFileFilter =
    "Microsoft Access Database(*.mdb);;Excel File(*.xls);;dbase Database(*.dbf);;CSV File(*.csv)";

void Warn(std::string_view text) {
  prompt::ShowMessage(text, kCaption, prompt::Icon::kExclamation);
}

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

}  // namespace

CSyncPropertyPage::CSyncPropertyPage(CProfileWizard* wizard)
    : wizard_(wizard),
      name_(new QLineEdit),
      file_radio_(new QRadioButton("File-based Database  ( Access,  Excel, dBase )")),
      dsn_radio_(new QRadioButton("ODBC Database ( Select from avilable DSN's )")),
      browse_(new QPushButton("Browse")),
      path_(new QLineEdit),
      dsn_list_(new QComboBox),
      config_(new QPushButton("Config")),
      users_(new QComboBox),
      sync_on_(new QComboBox),
      date_(new QComboBox),
      day_(new QComboBox),
      time_(new QTimeEdit) {
  name_->setMaxLength(kProfileNameLimit);
  path_->setReadOnly(true);
  time_->setDisplayFormat("HH:mm");

  auto* source = new QGroupBox("Database Selection");
  auto* grid = new QGridLayout(source);
  grid->addWidget(file_radio_, 0, 0, 1, 2);
  grid->addWidget(path_, 1, 0);
  grid->addWidget(browse_, 1, 1);
  grid->addWidget(dsn_radio_, 2, 0, 1, 2);
  grid->addWidget(dsn_list_, 3, 0);
  grid->addWidget(config_, 3, 1);

  auto* properties = new QGroupBox("Set Profile Properties");
  auto* form = new QFormLayout(properties);
  form->addRow("Profile Name:", name_);
  form->addRow(source);
  form->addRow("Pocket PC User:", users_);
  form->addRow("Sync On:", sync_on_);
  form->addRow("Date:", date_);
  form->addRow("Day:", day_);
  form->addRow("Time (On/After):", time_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(properties);

  connect(file_radio_, &QRadioButton::clicked, this, [this] { ChooseFileKind(true); });
  connect(dsn_radio_, &QRadioButton::clicked, this, [this] { ChooseFileKind(false); });
  connect(browse_, &QPushButton::clicked, this, &CSyncPropertyPage::Browse);
  connect(config_, &QPushButton::clicked, this, &CSyncPropertyPage::OpenOdbcManager);
  connect(dsn_list_, &QComboBox::activated, this,
          [this](int index) { ChooseDataSource(dsn_list_->itemText(index)); });
  connect(sync_on_, &QComboBox::currentIndexChanged, this, &CSyncPropertyPage::ApplySchedule);
}

bool CSyncPropertyPage::IsCsvExport() const {
  return wizard_->data().record.sync_type == profile::kExportCsv;
}

// Runs once per wizard: going Back and Next again keeps what the user typed and chose.
void CSyncPropertyPage::FirstSetUp() {
  set_up_ = true;
  name_->setText(Q(kDefaultProfileName));
  if (const peltrix::HandheldUserLibrary* library = wizard_->session().users()) {
    for (const std::string& user : library->ListUsers()) users_->addItem(Q(user));
  }
  for (int i = profile::kEveryTime; i <= profile::kOnlyOnce; ++i) {
    sync_on_->addItem(Q(profile::SyncOnText(i)));
  }
  for (int d = 1; d <= 31; ++d) date_->addItem(QString::number(d));
  for (int w = 0; w < 7; ++w) day_->addItem(Q(profile::WeekDayText(w)));
  users_->setCurrentIndex(users_->count() > 0 ? 0 : -1);
  sync_on_->setCurrentIndex(0);
  date_->setCurrentIndex(0);
  day_->setCurrentIndex(0);
  time_->setTime(QTime(0, 0));
  for (const db::DataSource& source : db::ListDataSources()) dsn_list_->addItem(Q(source.name));
  dsn_list_->setCurrentIndex(-1);
  wizard_->session().CloseLinked();
  ApplySchedule();
}

void CSyncPropertyPage::initializePage() {
  if (!set_up_) FirstSetUp();
  const bool csv = IsCsvExport();
  for (QWidget* w : std::initializer_list<QWidget*>{file_radio_, dsn_radio_, browse_, path_,
                                                    dsn_list_, config_}) {
    w->setEnabled(!csv);
  }
  if (!csv && !shown_once_) {
    file_radio_->setChecked(true);
    ChooseFileKind(true);
  }
  shown_once_ = true;
  setFinalPage(csv);
  wizard_->session().log().AppendSection(
      profile::SyncTypeLogText(wizard_->data().record.sync_type));
}

int CSyncPropertyPage::nextId() const {
  return IsCsvExport() ? -1 : QWizardPage::nextId();
}

void CSyncPropertyPage::ApplySchedule() {
  const ScheduleControls now{date_->isEnabled(), day_->isEnabled(), time_->isEnabled()};
  const ScheduleControls next = ScheduleControlsFor(sync_on_->currentIndex(), false, now);
  date_->setEnabled(next.date);
  day_->setEnabled(next.day);
  time_->setEnabled(next.time);
}

void CSyncPropertyPage::ChooseFileKind(bool file) {
  if (IsCsvExport()) return;
  file_radio_->setChecked(file);
  dsn_radio_->setChecked(!file);
  browse_->setEnabled(file);
  path_->setEnabled(file);
  dsn_list_->setEnabled(!file);
  config_->setEnabled(!file);
}

void CSyncPropertyPage::Browse() {
  const QString previous = QDir::currentPath();
  const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), kFileFilter);
  QDir::setCurrent(previous);
  if (!path.isEmpty()) ChooseFile(path);
}

bool CSyncPropertyPage::Connect(const DataSourceChoice& choice) {
  DesktopSession& session = wizard_->session();
  session.CloseLinked();
  const AskCredentials ask = [this]() -> std::optional<Credentials> {
    CAuthenticationDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return Credentials{dialog.user().toStdString(), dialog.password().toStdString()};
  };
  const ConnectResult result = ConnectDataSource(session.linked(), choice, ask, session.log());
  if (result.outcome == ConnectOutcome::kCancelled) return false;
  if (result.outcome == ConnectOutcome::kFailed) {
    Warn(result.error_text);
    return false;
  }
  SetDataSource(choice, result.credentials.user, result.credentials.password, wizard_->data());
  wizard_->data().connection_type = session.linked().DatabaseKind();
  return true;
}

bool CSyncPropertyPage::ChooseFile(const QString& path) {
  const std::string file = path.toStdString();
  const std::optional<int> type = DatabaseTypeOfFile(file);
  if (!type) {
    Warn(kUnableToConnectSource);
    return false;
  }
  dsn_list_->setCurrentIndex(-1);
  if (!Connect(FileDataSource(file, *type))) return false;
  path_->setText(path);
  return true;
}

bool CSyncPropertyPage::ChooseDataSource(const QString& name) {
  if (name.isEmpty()) return false;
  path_->clear();
  return Connect(NamedDataSource(name.toStdString()));
}

void CSyncPropertyPage::OpenOdbcManager() {
  if (!StartOdbcManager()) Warn(OdbcManagerFallbackText());
}

PropertyPageValues CSyncPropertyPage::Values() const {
  PropertyPageValues page;
  page.prof_name = name_->text().toStdString();
  for (int i = 0; i < users_->count(); ++i) page.users.push_back(users_->itemText(i).toStdString());
  page.user_index = users_->currentIndex();
  page.sync_on = sync_on_->currentIndex();
  page.date_index = date_->currentIndex();
  page.day_index = day_->currentIndex();
  const QDateTime when = QDateTime::currentDateTime();
  page.time = {when.date().year(),   when.date().month(),    when.date().day(),
               time_->time().hour(), time_->time().minute(), 0};
  return page;
}

void CSyncPropertyPage::ShowMessages(const std::vector<std::string>& messages) {
  for (const std::string& m : messages) Warn(m);
}

bool CSyncPropertyPage::validatePage() {
  DesktopSession& session = wizard_->session();
  if (IsCsvExport()) {
    const FinishResult result =
        PropertyPageFinish(Values(), session.store(), session.log(), wizard_->data());
    ShowMessages(result.messages);
    if (!result.finished) name_->setFocus();
    return result.finished;
  }
  const auto messages =
      PropertyPageNext(Values(), session.linked_connected(), session.store(), wizard_->data());
  if (messages.empty()) return true;
  ShowMessages({messages.begin(), messages.end()});
  name_->setFocus();
  return false;
}

}  // namespace velmora::desktop

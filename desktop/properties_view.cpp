#include "desktop/properties_view.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTimeEdit>

#include "desktop/desktop_session.h"
#include "desktop/dialog_style.h"
#include "desktop/messages.h"
#include "desktop/properties_rules.h"
#include "desktop/what_is_this_texts.h"
#include "desktop/what_is_this_window.h"
#include "platform/peltrix/handheld_user_library.h"
#include "platform/prompt/prompt.h"
#include "profile/profile_store.h"

namespace velmora::desktop {
namespace {

constexpr int kBandHeight = 18;
constexpr int kMinimumFieldWidth = 90;
const QColor kBandColour(235, 225, 222);
const QColor kLinkColour(85, 26, 139);
const QColor kLinkHoverColour(0, 0, 238);

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QComboBox* List(const std::vector<std::string>& entries) {
  auto* list = new QComboBox;
  for (const std::string& entry : entries) list->addItem(Q(entry));
  list->setCurrentIndex(-1);
  return list;
}

QLineEdit* ReadOnlyField() {
  auto* field = new QLineEdit;
  field->setReadOnly(true);
  field->setEnabled(false);
  field->hide();
  return field;
}

// The profile as the profile database holds it now; the caller's copy when it is not found.
profile::ProfileRecord StoredProfile(profile::ProfileStore& store,
                                     const profile::ProfileRecord& record) {
  for (profile::ProfileRecord& stored : store.AllProfiles()) {
    if (stored.prof_id == record.prof_id) return std::move(stored);
  }
  return record;
}

}  // namespace

CPropertiesView::CPropertiesView(DesktopSession& session, std::function<void()> refresh,
                                 QWidget* parent)
    : QWidget(parent),
      panes_changed(std::move(refresh)),
      session_(session),
      help_link_(new QLabel(QStringLiteral("?"))),
      heading_(new QLabel),
      sync_type_(List(PaneSyncTypeEntries())),
      users_(new QComboBox),
      sync_on_(List(PaneSyncOnEntries())),
      date_(List(PaneDateEntries())),
      day_(List(PaneDayEntries())),
      time_(new QTimeEdit),
      csv_sync_type_(ReadOnlyField()),
      csv_user_(ReadOnlyField()) {
  setObjectName(QStringLiteral("PropertiesView"));
  ApplyDialogStyle(this);
  setAutoFillBackground(false);  // paintEvent draws the background and the band
  time_->setDisplayFormat(QStringLiteral("HH:mm"));
  help_link_->setCursor(Qt::PointingHandCursor);
  help_link_->installEventFilter(this);
  SetLinkHover(false);
  time_->installEventFilter(this);
  QFont heading_font = heading_->font();
  heading_font.setBold(true);
  heading_->setFont(heading_font);
  BuildLayout();

  connect(sync_type_, &QComboBox::activated, this, &CPropertiesView::OnSyncTypeChosen);
  connect(users_, &QComboBox::activated, this, &CPropertiesView::OnUserChosen);
  connect(sync_on_, &QComboBox::activated, this, &CPropertiesView::OnSyncOnChosen);
  connect(date_, &QComboBox::activated, this, &CPropertiesView::StoreControls);
  connect(day_, &QComboBox::activated, this, &CPropertiesView::StoreControls);
  ShowProfile(std::nullopt);
}

void CPropertiesView::BuildLayout() {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 0, 10, 6);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(5);
  auto* band = new QHBoxLayout;
  band->setContentsMargins(0, 0, 0, 0);
  band->setSpacing(10);
  help_link_->setFixedHeight(kBandHeight);
  heading_->setFixedHeight(kBandHeight);
  band->addWidget(help_link_);
  band->addWidget(heading_, 1);
  grid->addLayout(band, 0, 0, 1, 5);
  grid->setRowMinimumHeight(0, kBandHeight);

  const auto label = [](const char* text) { return new QLabel(QString::fromUtf8(text)); };
  grid->addWidget(label("Sync Type:"), 1, 0);
  grid->addWidget(sync_type_, 1, 1);
  grid->addWidget(csv_sync_type_, 1, 1);
  grid->addWidget(label("Pocket PC User:"), 2, 0);
  grid->addWidget(users_, 2, 1);
  grid->addWidget(csv_user_, 2, 1);
  grid->addWidget(label("Sync On:"), 3, 0);
  grid->addWidget(sync_on_, 3, 1);
  grid->addWidget(label("Date:"), 1, 3);
  grid->addWidget(date_, 1, 4);
  grid->addWidget(label("Day:"), 2, 3);
  grid->addWidget(day_, 2, 4);
  grid->addWidget(label("Time (On/After):"), 3, 3);
  grid->addWidget(time_, 3, 4);
  // The column widths follow the pane, not the entries, so that the CSV fields and the lists
  // take the same room.
  for (QWidget* field : std::initializer_list<QWidget*>{sync_type_, csv_sync_type_, users_,
                                                        csv_user_, sync_on_, date_, day_, time_}) {
    field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    field->setMinimumWidth(kMinimumFieldWidth);
  }
  grid->setColumnMinimumWidth(2, 12);
  grid->setColumnStretch(1, 3);
  grid->setColumnStretch(4, 1);
  grid->setRowStretch(4, 1);
}

void CPropertiesView::FillUsers() {
  const peltrix::HandheldUserLibrary* library = session_.users();
  if (library == nullptr) return;
  for (const std::string& user : library->ListUsers()) users_->addItem(Q(user));
}

void CPropertiesView::ShowProfile(const std::optional<profile::ProfileRecord>& record) {
  loaded_ = false;
  record_.reset();
  if (record) record_ = StoredProfile(session_.store(), *record);
  const std::string category =
      record_ && record_->HasCategory() ? session_.store().CategoryNameOf(record_->prof_id) : "";
  if (record_ && users_->count() == 0) FillUsers();
  ShowForm(PaneFormFor(record_, category));
  loaded_ = true;
}

void CPropertiesView::ShowForm(const PaneForm& form) {
  heading_->setText(Q(form.heading));
  sync_type_->setVisible(!form.csv_export);
  users_->setVisible(!form.csv_export);
  csv_sync_type_->setVisible(form.csv_export);
  csv_user_->setVisible(form.csv_export);
  csv_sync_type_->setText(Q(form.csv_sync_type_text));
  csv_user_->setText(Q(form.csv_user_text));
  sync_type_->setCurrentIndex(form.sync_type_index);
  users_->setCurrentIndex(form.user_name.empty() ? -1 : users_->findText(Q(form.user_name)));
  sync_on_->setCurrentIndex(form.sync_on_index);
  date_->setCurrentIndex(form.date_index);
  day_->setCurrentIndex(form.day_index);
  time_->setTime(QTime(form.hour, form.minute, form.second));
  for (QWidget* control : std::initializer_list<QWidget*>{sync_type_, users_, sync_on_}) {
    control->setEnabled(form.enabled);
  }
  ApplySchedule(form.enabled ? form.schedule : ScheduleControls{});
}

void CPropertiesView::ApplySchedule(const ScheduleControls& schedule) {
  date_->setEnabled(schedule.date);
  day_->setEnabled(schedule.day);
  time_->setEnabled(schedule.time);
}

PaneControls CPropertiesView::Controls() const {
  PaneControls controls;
  controls.sync_type_index = sync_type_->currentIndex();
  controls.user_name = users_->currentIndex() >= 0 ? users_->currentText().toStdString() : "";
  controls.sync_on_index = sync_on_->currentIndex();
  controls.date_index = date_->currentIndex();
  controls.day_index = day_->currentIndex();
  const QTime time = time_->time();
  controls.hour = time.hour();
  controls.minute = time.minute();
  controls.second = time.second();
  return controls;
}

void CPropertiesView::StoreControls() {
  if (!loaded_ || !record_) return;
  StoreSettings(PaneValuesToStore(Controls(), *record_), *record_, session_.store());
}

void CPropertiesView::OnSyncTypeChosen(int index) {
  if (!loaded_ || !record_ || index == record_->sync_type) return;
  const SyncTypeChange change = ChangeSyncType(*record_, index, session_.store());
  if (!change.message.empty()) {
    prompt::ShowMessage(change.message, kCaption, prompt::Icon::kExclamation);
  }
  if (!change.allowed) {
    sync_type_->setCurrentIndex(change.shown_sync_type);
    return;
  }
  PaneValues values = PaneValuesToStore(Controls(), *record_);
  values.sync_type_index = index;
  StoreSettings(values, *record_, session_.store());
  if (panes_changed) panes_changed();
}

void CPropertiesView::OnUserChosen(int index) {
  if (!loaded_ || !record_) return;
  const std::string user = users_->itemText(index).toStdString();
  if (user == record_->user_name) return;
  const PaneValues values = PaneValuesToStore(Controls(), *record_);
  if (!ChangeHandheldUser(user, values, *record_, session_.store())) {
    users_->setCurrentIndex(users_->findText(Q(record_->user_name)));
  }
}

void CPropertiesView::OnSyncOnChosen() {
  if (!loaded_ || !record_) return;
  ApplySchedule(ScheduleControlsFor(sync_on_->currentIndex(), true,
                                    {date_->isEnabled(), day_->isEnabled(), time_->isEnabled()}));
  StoreControls();
}

// Leaving the picker stores only a time that differs from the stored one, so that moving the
// focus through the form does not mark an unchanged profile as modified.
void CPropertiesView::OnTimeLeft() {
  if (!loaded_ || !record_) return;
  const QTime time = time_->time();
  const profile::ProfileDateTime& stored = record_->sync_time;
  if (time.hour() == stored.hour && time.minute() == stored.minute &&
      time.second() == stored.second) {
    return;
  }
  StoreControls();
}

void CPropertiesView::SetLinkHover(bool hover) {
  QPalette palette = help_link_->palette();
  palette.setColor(QPalette::WindowText, hover ? kLinkHoverColour : kLinkColour);
  help_link_->setPalette(palette);
}

bool CPropertiesView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == time_ && event->type() == QEvent::FocusOut) {
    OnTimeLeft();
  } else if (watched == help_link_) {
    switch (event->type()) {
      case QEvent::Enter:
        SetLinkHover(true);
        break;
      case QEvent::Leave:
        SetLinkHover(false);
        break;
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
          WhatIsThisWindow::ShowHelp(kHelpPropertiesPane, this);
          return true;
        }
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CPropertiesView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kDialogBackground);
  painter.fillRect(QRect(0, 0, width(), kBandHeight), kBandColour);
}

}  // namespace velmora::desktop

// The top-right pane `CPropertiesView`: the selected profile's sync type, handheld user and
// schedule in a form of drop-down lists and a time picker, each change checked and stored in
// place (properties_rules.h), with a heading, a "?" help link and read-only fields for CSV
// export profiles. Used by CMainFrame; it never stores while it is filling its controls.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "desktop/properties_form.h"
#include "profile/profile_record.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTimeEdit;

namespace velmora::desktop {

class DesktopSession;

class CPropertiesView : public QWidget {
  Q_OBJECT

 public:
  // `panes_changed` refreshes every pane after a new sync type was stored.
  explicit CPropertiesView(DesktopSession& session, std::function<void()> panes_changed = {},
                           QWidget* parent = nullptr);

  // The pane's update for the current profile (none: the form is disabled and blank). The
  // profile is read again from the profile database, so the form shows it as stored.
  void ShowProfile(const std::optional<profile::ProfileRecord>& record);

  // Whether the form has finished showing the current profile; changes are stored only then.
  bool loaded() const { return loaded_; }
  const std::optional<profile::ProfileRecord>& record() const { return record_; }

  QComboBox* sync_type_list() const { return sync_type_; }
  QComboBox* user_list() const { return users_; }
  QComboBox* sync_on_list() const { return sync_on_; }
  QComboBox* date_list() const { return date_; }
  QComboBox* day_list() const { return day_; }
  QTimeEdit* time_picker() const { return time_; }
  QLabel* heading() const { return heading_; }
  QLabel* help_link() const { return help_link_; }
  QLineEdit* csv_sync_type_field() const { return csv_sync_type_; }
  QLineEdit* csv_user_field() const { return csv_user_; }

  std::function<void()> panes_changed;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();
  void FillUsers();
  void ShowForm(const PaneForm& form);
  void SetLinkHover(bool hover);
  PaneControls Controls() const;
  void StoreControls();
  void OnSyncTypeChosen(int index);
  void OnUserChosen(int index);
  void OnSyncOnChosen();
  void OnTimeLeft();
  void ApplySchedule(const ScheduleControls& schedule);

  DesktopSession& session_;
  std::optional<profile::ProfileRecord> record_;
  bool loaded_ = false;
  QLabel* help_link_;
  QLabel* heading_;
  QComboBox* sync_type_;
  QComboBox* users_;
  QComboBox* sync_on_;
  QComboBox* date_;
  QComboBox* day_;
  QTimeEdit* time_;
  QLineEdit* csv_sync_type_;
  QLineEdit* csv_user_;
};

}  // namespace velmora::desktop

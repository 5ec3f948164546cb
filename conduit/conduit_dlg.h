// The conduit window "Velmora Conduit": the owner's profiles with their ticks, the red status
// line, the note, the activity bar, Synchronize and the File menu. A thin view over the conduit
// session, which it drives on the window thread and which reports back through RunObserver
// (also from the run's worker thread; every report is carried over to the window thread).
#pragma once

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <memory>

#include "conduit/activity_bar.h"
#include "conduit/conduit_session.h"

namespace velmora::conduit {

class CConduitDlg : public QDialog, public RunObserver {
  Q_OBJECT

 public:
  CConduitDlg(const device::RapiLibrary& rapi, SessionSettings settings = {});
  ~CConduitDlg() override;

  ConduitSession& Session() { return *session_; }
  // A connect message came while the run was going; it still wants handling.
  bool ConnectPending() const { return connect_pending_; }

  // RunObserver, from any thread.
  void StatusChanged(std::string_view text) override;
  void OwnerChanged(std::string_view owner) override;
  void ProfilesListed(const std::vector<ProfileListRow>& rows) override;
  void ActivityStarted() override;
  void ActivityStopped() override;
  void OpenLog(const std::filesystem::path& log_file) override;
  void RunFinished(RunEnding ending) override;

 public slots:
  // Message 1031.
  void HandleConnect();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void BuildWindow();
  void Synchronize();
  void ShowAbout();
  void ShowHelp();
  // Cancel: the run stops at the next profile; the window goes now (it only hides while the
  // worker still runs, and closes when the run has finished).
  void Cancel();
  template <class Fn>
  void OnWindowThread(Fn&& fn);

  std::unique_ptr<ConduitSession> session_;
  bool auto_sync_ = false;
  bool connect_pending_ = false;
  QTableWidget* list_ = nullptr;
  QLineEdit* status_ = nullptr;
  ActivityBar* activity_ = nullptr;
  QPushButton* synchronize_ = nullptr;
  QAction* owner_item_ = nullptr;
  QAction* synchronize_item_ = nullptr;
};

}  // namespace velmora::conduit

#include "conduit/conduit_dlg.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaObject>
#include <QProcess>
#include <QVBoxLayout>

#include "device/desktop_settings.h"

namespace velmora::conduit {
namespace {

constexpr const char* kTitle = "Velmora Conduit";
constexpr const char* kNote =
    "Note: While syncing if the problem occurs, close your  desktop application and custom "
    "database and sync again";
constexpr const char* kGuide = "Tabloom_UserGuide.html";

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void OpenWithDesktop(const std::filesystem::path& file, const std::filesystem::path& folder) {
  QProcess::startDetached("xdg-open", {QString::fromStdString(file.string())},
                          QString::fromStdString(folder.string()));
}

}  // namespace

CConduitDlg::CConduitDlg(const device::RapiLibrary& rapi, SessionSettings settings)
    : session_(std::make_unique<ConduitSession>(rapi, *this, std::move(settings))) {
  BuildWindow();
  auto_sync_ = device::ReadAutoSync();
  QMetaObject::invokeMethod(this, &CConduitDlg::HandleConnect, Qt::QueuedConnection);
}

CConduitDlg::~CConduitDlg() {
  // The session's worker reports to this window: it must be gone first.
  session_->Abort();
  session_->WaitForRun();
}

void CConduitDlg::BuildWindow() {
  setWindowTitle(kTitle);
  setFont(QFont("Tahoma", 8));
  // 330 × 204 dialog units of an 8-point Tahoma: about 1.5 and 1.625 pixels per unit.
  resize(495, 332);
  setStyleSheet(
      "QDialog, QTableWidget, QLabel, QMenuBar { background-color: rgb(235, 255, 246); }"
      "QLineEdit { background: transparent; border: none; color: rgb(255, 0, 0); }");

  auto* menu_bar = new QMenuBar(this);
  QMenu* file = menu_bar->addMenu("&File");
  owner_item_ = file->addAction(Text(kNotConnected));
  owner_item_->setEnabled(false);
  synchronize_item_ = file->addAction("&Synchronize", this, &CConduitDlg::Synchronize);
  file->addSeparator();
  file->addAction("&About", this, &CConduitDlg::ShowAbout);
  file->addAction("&Help", this, &CConduitDlg::ShowHelp);
  file->addAction("E&xit", this, &CConduitDlg::Cancel);

  list_ = new QTableWidget(0, 5, this);
  list_->setHorizontalHeaderLabels(
      {"Sync", "Link Database", "Database Information", "Sync Direction", "Sync Type"});
  const int widths[] = {45, 90, 150, 120, 80};
  for (int c = 0; c < 5; ++c) list_->setColumnWidth(c, widths[c]);
  list_->verticalHeader()->hide();
  list_->setShowGrid(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(list_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (item->column() == 0) session_->SetTicked(item->row(), item->checkState() == Qt::Checked);
  });

  status_ = new QLineEdit(this);
  status_->setReadOnly(true);
  auto* note = new QLabel(kNote, this);
  note->setWordWrap(true);
  activity_ = new ActivityBar(this);
  synchronize_ = new QPushButton("&Synchronize", this);
  connect(synchronize_, &QPushButton::clicked, this, &CConduitDlg::Synchronize);

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menu_bar);
  layout->addWidget(list_, 1);
  layout->addWidget(status_);
  layout->addWidget(note);
  layout->addWidget(activity_);
  layout->addWidget(synchronize_, 0, Qt::AlignRight);
}

template <class Fn>
void CConduitDlg::OnWindowThread(Fn&& fn) {
  QMetaObject::invokeMethod(this, std::forward<Fn>(fn), Qt::QueuedConnection);
}

void CConduitDlg::StatusChanged(std::string_view text) {
  OnWindowThread([this, t = Text(text)] { status_->setText(t); });
}

void CConduitDlg::OwnerChanged(std::string_view owner) {
  OnWindowThread([this, t = Text(owner)] { owner_item_->setText(t); });
}

void CConduitDlg::ProfilesListed(const std::vector<ProfileListRow>& rows) {
  OnWindowThread([this, rows] {
    QSignalBlocker blocker(list_);
    list_->setRowCount(0);
    list_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
      const ProfileListRow& row = rows[static_cast<std::size_t>(r)];
      auto* tick = new QTableWidgetItem();
      tick->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      tick->setCheckState(row.ticked ? Qt::Checked : Qt::Unchecked);
      list_->setItem(r, 0, tick);
      for (int c = 1; c < 5; ++c) {
        auto* item = new QTableWidgetItem(Text(row.texts[static_cast<std::size_t>(c)]));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        list_->setItem(r, c, item);
      }
    }
  });
}

void CConduitDlg::ActivityStarted() {
  OnWindowThread([this] { activity_->Start(); });
}

void CConduitDlg::ActivityStopped() {
  OnWindowThread([this] { activity_->Stop(); });
}

void CConduitDlg::OpenLog(const std::filesystem::path& log_file) {
  OpenWithDesktop(log_file, log_file.parent_path());
}

void CConduitDlg::RunFinished(RunEnding) {
  OnWindowThread([this] { done(QDialog::Accepted); });
}

void CConduitDlg::HandleConnect() {
  if (session_->Running()) {
    connect_pending_ = true;
    return;
  }
  if (session_->RunStarted()) return;  // one run per window
  show();
  raise();
  activateWindow();
  session_->HandleConnect();
  if (auto_sync_) Synchronize();
}

void CConduitDlg::Synchronize() {
  if (session_->Running() || !session_->Synchronize()) return;
  synchronize_->setEnabled(false);
  synchronize_item_->setEnabled(false);
}

void CConduitDlg::ShowAbout() {
  QMessageBox::about(this, "About Velmora Conduit",
                     "Velmora Conduit\n\nKeeps the contacts of your handheld in step with your "
                     "desktop databases.");
}

void CConduitDlg::ShowHelp() {
  const std::filesystem::path folder = session_->AppFolder();
  OpenWithDesktop(folder / kGuide, folder);
}

void CConduitDlg::Cancel() {
  session_->Abort();
  if (session_->Running()) {
    hide();
    return;
  }
  done(QDialog::Rejected);
}

void CConduitDlg::closeEvent(QCloseEvent* event) {
  if (session_->Running()) {
    event->ignore();
    Cancel();
    return;
  }
  session_->Abort();
  QDialog::closeEvent(event);
}

void CConduitDlg::reject() {
  Cancel();
}

}  // namespace velmora::conduit

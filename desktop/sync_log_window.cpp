#include "desktop/sync_log_window.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "desktop/help_commands.h"

namespace velmora::desktop {

CSyncLogWindow::CSyncLogWindow(std::filesystem::path app_folder, const std::string& text,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), app_folder_(std::move(app_folder)), view_(new QPlainTextEdit) {
  setObjectName("SyncLog");
  setWindowTitle("Sync Log - " + QString::fromUtf8(kConduitLogFile.data(),
                                                   static_cast<int>(kConduitLogFile.size())));
  const QString path =
      QString::fromStdString((app_folder_ / std::string(kConduitLogFile)).string());
  auto* where = new QLabel(path);
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* refresh = new QPushButton("&Refresh");
  auto* close_button = new QPushButton("Close");
  connect(refresh, &QPushButton::clicked, this, &CSyncLogWindow::Refresh);
  connect(close_button, &QPushButton::clicked, this, &QWidget::close);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(refresh);
  buttons->addWidget(close_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(where);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);
  resize(760, 520);
  ShowText(text);
}

void CSyncLogWindow::ShowText(const std::string& text) {
  view_->setPlainText(QString::fromStdString(text));
  view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->maximum());
}

void CSyncLogWindow::Refresh() {
  if (const auto text = ReadSyncLog(app_folder_)) ShowText(*text);
}

}  // namespace velmora::desktop

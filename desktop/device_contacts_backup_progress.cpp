#include "desktop/device_contacts_backup_progress.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

#include "desktop/what_is_this_window.h"

namespace velmora::desktop {
namespace {

// 227 × 51 dialog units in the dialog font.
constexpr int kWidth = 340;
constexpr int kHeight = 83;

}  // namespace

BackupProgressWindow::BackupProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      label_(new QLabel(QStringLiteral("Please Wait..."), this)) {
  ApplyDialogLook(*this);
  setModal(false);
  setFixedSize(kWidth, kHeight);
  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::Box);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(frame);
  auto* inner = new QVBoxLayout(frame);
  label_->setAlignment(Qt::AlignCenter);
  label_->setWordWrap(true);
  QFont font = DialogFont();
  font.setBold(true);
  label_->setFont(font);
  inner->addWidget(label_);
}

void BackupProgressWindow::Show(std::string_view text) {
  label_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  if (QWidget* over = parentWidget()) {
    const QPoint centre = over->mapToGlobal(over->rect().center());
    move(centre - QPoint(width() / 2, height() / 2));
  }
  show();
  raise();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void BackupProgressWindow::Close() {
  hide();
}

QString BackupProgressWindow::Text() const {
  return label_->text();
}

}  // namespace velmora::desktop

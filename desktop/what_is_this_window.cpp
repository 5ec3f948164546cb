#include "desktop/what_is_this_window.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

#include "desktop/what_is_this_texts.h"

namespace velmora::desktop {
namespace {

const QColor kNoteBackground(255, 255, 224);
const QColor kNoteText(55, 55, 55);
const QColor kLinkText(85, 26, 139);
const QColor kLinkHoverText(0, 0, 238);

QRect TextRect(int width, int height) {
  return QRect(WhatIsThisWindow::kTextInset, WhatIsThisWindow::kTextInset,
               width - 2 * WhatIsThisWindow::kTextInset, height);
}

}  // namespace

QColor DialogBackground() {
  return QColor(230, 255, 246);
}

QFont DialogFont() {
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(13);
  font.setWeight(QFont::Normal);
  return font;
}

void ApplyDialogLook(QWidget& widget) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, DialogBackground());
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
  widget.setFont(DialogFont());
}

WhatIsThisWindow::WhatIsThisWindow(int number, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      text_(QString::fromUtf8(WhatIsThisText(number).data(),
                              static_cast<qsizetype>(WhatIsThisText(number).size()))),
      close_link_(new QLabel(QStringLiteral("x"), this)) {
  setWindowTitle(QStringLiteral("What is this"));
  setFont(DialogFont());
  // The height is measured where the text is painted, so the last line is never cut off.
  const QFontMetrics metrics(font());
  const QRect needed =
      metrics.boundingRect(TextRect(kWidth, 100000), Qt::TextWordWrap | Qt::AlignLeft, text_);
  setFixedSize(kWidth, needed.height() + kExtraHeight);

  close_link_->setCursor(Qt::PointingHandCursor);
  close_link_->setToolTip(QStringLiteral("Close"));
  close_link_->installEventFilter(this);
  SetLinkHover(false);
  close_link_->adjustSize();
  close_link_->move(kWidth - kTextInset + 2 - close_link_->width(), 2);
}

void WhatIsThisWindow::ShowHelp(int number, QWidget* parent) {
  WhatIsThisWindow window(number, parent);
  if (parent) {
    const QPoint centre = parent->mapToGlobal(parent->rect().center());
    window.move(centre - QPoint(window.width() / 2, window.height() / 2));
  }
  window.exec();
}

void WhatIsThisWindow::SetLinkHover(bool hover) {
  QFont font = DialogFont();
  font.setBold(hover);
  font.setUnderline(hover);
  close_link_->setFont(font);
  QPalette palette = close_link_->palette();
  palette.setColor(QPalette::WindowText, hover ? kLinkHoverText : kLinkText);
  close_link_->setPalette(palette);
}

bool WhatIsThisWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == close_link_) {
    switch (event->type()) {
      case QEvent::Enter:
        SetLinkHover(true);
        break;
      case QEvent::Leave:
        SetLinkHover(false);
        break;
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
          accept();
          return true;
        }
        break;
      default:
        break;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void WhatIsThisWindow::resizeEvent(QResizeEvent* event) {
  QPainterPath outline;
  outline.addRoundedRect(QRectF(rect()), kCorner / 2.0, kCorner / 2.0);
  setMask(QRegion(outline.toFillPolygon().toPolygon()));
  QDialog::resizeEvent(event);
}

void WhatIsThisWindow::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(kNoteText, 1));
  painter.setBrush(kNoteBackground);
  painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCorner / 2.0,
                          kCorner / 2.0);
  painter.setFont(DialogFont());
  painter.setPen(kNoteText);
  painter.drawText(TextRect(width(), height() - kTextInset), Qt::TextWordWrap | Qt::AlignLeft,
                   text_);
}

void WhatIsThisWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QDialog::mousePressEvent(event);
  dragging_ = true;
  press_global_ = event->globalPosition().toPoint();
  press_window_ = pos();
  grabMouse();
}

void WhatIsThisWindow::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return QDialog::mouseMoveEvent(event);
  move(press_window_ + (event->globalPosition().toPoint() - press_global_));
}

void WhatIsThisWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return QDialog::mouseReleaseEvent(event);
  dragging_ = false;
  releaseMouse();
}

}  // namespace velmora::desktop

#include "installer/wizard/link_label.h"

#include <QMouseEvent>
#include <QPalette>

namespace velmora::installer {
namespace {

const QColor kLinkColour(0, 0, 204);
const QColor kHoverColour(204, 0, 0);

}  // namespace

CLinkLabel::CLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  QFont font("Tahoma");
  font.setPixelSize(13);
  font.setUnderline(true);
  setFont(font);
  setCursor(Qt::PointingHandCursor);
  Paint();
}

void CLinkLabel::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  Paint();
  QLabel::enterEvent(event);
}

void CLinkLabel::leaveEvent(QEvent* event) {
  hovered_ = false;
  Paint();
  QLabel::leaveEvent(event);
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit Clicked();
  }
  QLabel::mouseReleaseEvent(event);
}

void CLinkLabel::Paint() {
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, hovered_ ? kHoverColour : kLinkColour);
  setPalette(palette);
}

}  // namespace velmora::installer

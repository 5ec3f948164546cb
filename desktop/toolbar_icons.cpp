#include "desktop/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velmora::desktop {
namespace {

constexpr int kWidth = 30;
constexpr int kHeight = 27;

void DrawPage(QPainter& p) {
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(Qt::white);
  p.drawRect(7, 3, 15, 20);
  p.setPen(QPen(QColor(150, 150, 150), 1));
  for (int y = 8; y <= 18; y += 4) p.drawLine(10, y, 19, y);
}

void DrawArrowCircle(QPainter& p, const QColor& colour) {
  p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRect(6, 4, 18, 18), 30 * 16, 270 * 16);
  QPainterPath head;
  head.moveTo(22, 2);
  head.lineTo(25, 11);
  head.lineTo(16, 9);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPath(head);
}

}  // namespace

QIcon ToolbarIcon(ToolbarImage image) {
  QPixmap pixmap(kWidth, kHeight);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  switch (image) {
    case ToolbarImage::kNewProfile:
      DrawPage(p);
      p.setPen(QPen(QColor(0, 140, 60), 3));
      p.drawLine(21, 14, 21, 24);
      p.drawLine(16, 19, 26, 19);
      break;
    case ToolbarImage::kRestore:
      DrawPage(p);
      p.setPen(QPen(QColor(30, 90, 200), 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(14, 13, 14, 25);
      p.drawLine(14, 13, 10, 17);
      p.drawLine(14, 13, 18, 17);
      break;
    case ToolbarImage::kDeleteProfile:
      DrawPage(p);
      p.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(17, 14, 25, 23);
      p.drawLine(25, 14, 17, 23);
      break;
    case ToolbarImage::kSynchronize:
      DrawArrowCircle(p, QColor(0, 120, 190));
      break;
  }
  return QIcon(pixmap);
}

}  // namespace velmora::desktop

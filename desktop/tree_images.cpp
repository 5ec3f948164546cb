#include "desktop/tree_images.h"

#include <QPainter>
#include <QPainterPath>

#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

enum Image : int {
  kChild = 0,
  kDailySelected = 1,
  kDaily = 2,
  kCalendarSelected = 3,
  kCalendar = 4,
  kEveryTimeSelected = 5,
  kEveryTime = 6,
};

const QColor kInk(40, 40, 40);
const QColor kTeal(0, 128, 96);
const QColor kPurple(85, 26, 139);
const QColor kPaper(255, 255, 255);
const QColor kLitFill(255, 236, 150);
const QColor kLitEdge(214, 160, 30);

// The mark behind a selected profile's picture: a warm rounded plate.
void DrawLitPlate(QPainter& p) {
  p.setPen(QPen(kLitEdge, 1));
  p.setBrush(kLitFill);
  p.drawRoundedRect(QRectF(3.5, 0.5, 23, 17), 4, 4);
}

void DrawSheet(QPainter& p) {
  QPainterPath sheet;
  sheet.moveTo(10.5, 2.5);
  sheet.lineTo(17.5, 2.5);
  sheet.lineTo(20.5, 5.5);
  sheet.lineTo(20.5, 15.5);
  sheet.lineTo(10.5, 15.5);
  sheet.closeSubpath();
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawPath(sheet);
  p.drawLine(QPointF(17.5, 2.5), QPointF(17.5, 5.5));
  p.drawLine(QPointF(17.5, 5.5), QPointF(20.5, 5.5));
  p.setPen(QPen(kTeal, 1));
  for (double y = 8.5; y <= 13.5; y += 2.5) p.drawLine(QPointF(12.5, y), QPointF(18.5, y));
}

void DrawClock(QPainter& p) {
  p.setPen(QPen(kTeal, 2));
  p.setBrush(kPaper);
  p.drawEllipse(QPointF(15, 9), 6.5, 6.5);
  p.setPen(QPen(kInk, 1.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(15, 9), QPointF(15, 4.5));
  p.drawLine(QPointF(15, 9), QPointF(18.5, 10.5));
}

void DrawCalendar(QPainter& p) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawRect(QRectF(8.5, 2.5, 13, 13));
  p.setPen(Qt::NoPen);
  p.setBrush(kPurple);
  p.drawRect(QRectF(9, 3, 12, 3.5));
  p.setBrush(kTeal);
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 3; ++column) {
      p.drawRect(QRectF(10.5 + 3.5 * column, 8 + 3.5 * row, 2, 2));
    }
  }
}

void DrawArrowHead(QPainter& p, const QPointF& tip, const QPointF& a, const QPointF& b) {
  QPainterPath head;
  head.moveTo(tip);
  head.lineTo(a);
  head.lineTo(b);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kTeal);
  p.drawPath(head);
}

// Two half circles chasing each other: a profile that runs at every connection.
void DrawSyncArrows(QPainter& p) {
  const QRectF ring(9, 3, 12, 12);
  p.setPen(QPen(kTeal, 2, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(ring, 20 * 16, 140 * 16);
  p.drawArc(ring, 200 * 16, 140 * 16);
  DrawArrowHead(p, QPointF(9, 11.5), QPointF(6.5, 7.5), QPointF(11.5, 7.5));
  DrawArrowHead(p, QPointF(21, 6.5), QPointF(18.5, 10.5), QPointF(23.5, 10.5));
}

}  // namespace

TreeImagePair ProfileImages(int sync_on) {
  switch (sync_on) {
    case profile::kOnceEveryDay:
    case profile::kOnlyOnce:
      return {kDaily, kDailySelected};
    case profile::kOnceWeekly:
    case profile::kOnceMonthly:
      return {kCalendar, kCalendarSelected};
    default:
      return {kEveryTime, kEveryTimeSelected};
  }
}

QPixmap TreeImage(int index) {
  if (index < 0 || index >= kTreeImageCount) return {};
  QPixmap pixmap(kTreeImageWidth, kTreeImageHeight);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  if (index == kDailySelected || index == kCalendarSelected || index == kEveryTimeSelected) {
    DrawLitPlate(p);
  }
  switch (index) {
    case kChild:
      DrawSheet(p);
      break;
    case kDaily:
    case kDailySelected:
      DrawClock(p);
      break;
    case kCalendar:
    case kCalendarSelected:
      DrawCalendar(p);
      break;
    default:
      DrawSyncArrows(p);
      break;
  }
  return pixmap;
}

QIcon TreeIcon(TreeImagePair images) {
  QIcon icon;
  icon.addPixmap(TreeImage(images.normal), QIcon::Normal);
  icon.addPixmap(TreeImage(images.selected), QIcon::Selected);
  return icon;
}

}  // namespace velmora::desktop

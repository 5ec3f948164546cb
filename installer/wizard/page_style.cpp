#include "installer/wizard/page_style.h"

#include <QFont>
#include <QPalette>

namespace velmora::installer {

QLabel* PageText(const std::string& text, QWidget* parent) {
  auto* label = new QLabel(QString::fromStdString(text), parent);
  label->setWordWrap(true);
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, PageBackground());
  label->setPalette(palette);
  label->setMargin(4);
  return label;
}

QLabel* PageHeading(const std::string& text, QWidget* parent) {
  QLabel* label = PageText(text, parent);
  QFont font = label->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.2);
  label->setFont(font);
  return label;
}

}  // namespace velmora::installer

#include "desktop/dialog_style.h"

#include <QFont>
#include <QPalette>

namespace velmora::desktop {

void ApplyDialogStyle(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, kDialogBackground);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
  QFont font("Tahoma");
  font.setPixelSize(13);
  font.setWeight(QFont::Normal);
  widget->setFont(font);
}

}  // namespace velmora::desktop

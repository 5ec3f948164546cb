#include "tests/support_qt/screenshot.h"

#include <QApplication>
#include <QPixmap>
#include <system_error>

#include "tests/support/temp_dir.h"

namespace velmora::testing {

std::filesystem::path ScreenshotDir() {
  const std::filesystem::path dir = BuildDir() / "screenshots";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return dir;
}

std::filesystem::path SaveScreenshot(QWidget* widget, const std::string& name) {
  if (widget == nullptr || name.empty()) return {};
  widget->ensurePolished();
  if (!widget->isVisible()) widget->show();
  QApplication::processEvents();
  const QPixmap picture = widget->grab();
  if (picture.isNull()) return {};

  const std::filesystem::path target = ScreenshotDir() / (name + ".png");
  const std::filesystem::path aside = ScreenshotDir() / (name + ".png.part");
  if (!picture.save(QString::fromStdString(aside.string()), "PNG")) return {};
  std::error_code ec;
  std::filesystem::rename(aside, target, ec);
  if (ec) {
    std::filesystem::remove(aside, ec);
    return {};
  }
  return target;
}

}  // namespace velmora::testing

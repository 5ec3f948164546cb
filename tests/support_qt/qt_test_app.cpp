#include "tests/support_qt/qt_test_app.h"

#include <gtest/gtest.h>

#include <QFont>
#include <cstdlib>
#include <memory>

namespace velmora::testing {
namespace {

std::unique_ptr<QApplication>& App() {
  static std::unique_ptr<QApplication> app;
  return app;
}

class QtTestEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // setenv without overwrite: a caller that asked for another platform keeps it.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "velmora-qt-test";
    static char* argv[] = {name, nullptr};
    App() = std::make_unique<QApplication>(argc, argv);
    // One known font, so that pictures look alike on every machine.
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
  }
  void TearDown() override { App().reset(); }
};

}  // namespace

QApplication* QtTestApp() {
  return App().get();
}

// Referenced by the registration that every test program compiles in (qt_test_main.cpp), so
// that the environment exists before RUN_ALL_TESTS sets environments up.
::testing::Environment* MakeQtTestEnvironment() {
  return new QtTestEnvironment;
}

}  // namespace velmora::testing

// The QApplication of a Qt test program. Every test binary that links velmora_qt_test_support
// gets one, created before the first test on the offscreen platform (unless QT_QPA_PLATFORM
// says otherwise) and destroyed after the last. Tests never create their own.
#pragma once

#include <QApplication>

namespace velmora::testing {

// The running application; nullptr only before the test environment was set up.
QApplication* QtTestApp();

}  // namespace velmora::testing

// Compiled into each test program that links velmora_qt_test_support (an interface source),
// so that the linker cannot drop the registration as it would from a static library.
#include <gtest/gtest.h>

namespace velmora::testing {
::testing::Environment* MakeQtTestEnvironment();
}

namespace {
[[maybe_unused]] ::testing::Environment* const kQtTestEnvironment =
    ::testing::AddGlobalTestEnvironment(velmora::testing::MakeQtTestEnvironment());
}  // namespace

// Pictures of windows for people to look at after a test run: renders a widget with
// QWidget::grab into ${build}/screenshots/NAME.png. Used by the Qt tests; asserts nothing
// about how the widget looks.
#pragma once

#include <QWidget>
#include <filesystem>
#include <string>

namespace velmora::testing {

// The folder the pictures go to (created when missing).
std::filesystem::path ScreenshotDir();

// Shows the widget if it is hidden, lets pending layout and paint events run, renders it and
// writes the picture (aside, then renamed into place). Returns the file, or an empty path when
// nothing could be written.
std::filesystem::path SaveScreenshot(QWidget* widget, const std::string& name);

}  // namespace velmora::testing

// Looks shared by the installer's pages: the light background behind their static texts and
// the label helpers. Used by the wizard pages only.
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>
#include <string>

namespace velmora::installer {

// The Windows colour value 16442581 (0x00BBGGRR): red 213, green 228, blue 250.
inline QColor PageBackground() {
  return QColor(213, 228, 250);
}

// A word-wrapped label over the page background.
QLabel* PageText(const std::string& text, QWidget* parent);
// The heading of a page: bold, a little larger.
QLabel* PageHeading(const std::string& text, QWidget* parent);

}  // namespace velmora::installer

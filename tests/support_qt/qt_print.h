// Readable gtest failure messages for Qt values (QString, and through it QStringList), which
// gtest would otherwise print as raw bytes. Include it in tests that compare Qt texts.
#pragma once

#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

// The "What is this" help window: a borderless, rounded, pale yellow note with one of the nine
// help texts, a small "x" link that closes it, dragged about by its body. Opened modally by
// the wizard pages, the properties pane, the Categories and Backup Restore dialogs. Also holds
// the look those dialogs share (background and font), so they all read alike.
#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QString>

class QLabel;

namespace velmora::desktop {

// Background of the desktop manager's dialogs and panes, and its font (Tahoma, 13 px).
QColor DialogBackground();
QFont DialogFont();
void ApplyDialogLook(QWidget& widget);

class WhatIsThisWindow : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 330;       // the window's width never changes
  static constexpr int kCorner = 20;       // corner ellipse, both ways
  static constexpr int kTextInset = 15;    // left, top and right of the text
  static constexpr int kExtraHeight = 30;  // added to the height the text needs

  // Text `number` (1 … 9; any other number gives an empty window).
  explicit WhatIsThisWindow(int number, QWidget* parent = nullptr);

  // Opens the window for `number` modally near the parent and returns when it closes.
  static void ShowHelp(int number, QWidget* parent);

  const QString& text() const { return text_; }
  QLabel* close_link() const { return close_link_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetLinkHover(bool hover);

  QString text_;
  QLabel* close_link_;
  bool dragging_ = false;
  QPoint press_global_;
  QPoint press_window_;
};

}  // namespace velmora::desktop

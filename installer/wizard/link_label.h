// A link-style text: Tahoma at 13 pixels, a hand cursor while the pointer is over it, one colour
// while hovered and another otherwise; a click emits Clicked. Used by the folder page.
#pragma once

#include <QLabel>

namespace velmora::installer {

class CLinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit CLinkLabel(const QString& text, QWidget* parent = nullptr);
  bool Hovered() const { return hovered_; }

 signals:
  void Clicked();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Paint();
  bool hovered_ = false;
};

}  // namespace velmora::installer

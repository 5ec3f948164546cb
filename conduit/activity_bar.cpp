#include "conduit/activity_bar.h"

#include <QPainter>

namespace velmora::conduit {

ActivityBar::ActivityBar(QWidget* parent) : QWidget(parent) {
  timer_.setInterval(kTimerMs);
  connect(&timer_, &QTimer::timeout, this, [this] { update(); });
  setMinimumHeight(12);
}

void ActivityBar::Start() {
  running_ = true;
  timer_.start();
}

void ActivityBar::Stop() {
  counter_ = kSteps - 1;
  timer_.stop();
  running_ = false;
  update();
}

void ActivityBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!running_) return;
  counter_ = counter_ >= kSteps ? 0 : counter_ + 1;
  painter.fillRect(QRect(0, 0, kStepPixels * counter_, height()), QColor(0, 0, 255));
}

}  // namespace velmora::conduit

// The conduit window's activity bar: while a run is going, a blue bar grows over a black
// ground every 250 ms and starts again after 100 steps; stopped, it is all black.
// Used by the conduit window only. Qt widget.
#pragma once

#include <QTimer>
#include <QWidget>

namespace velmora::conduit {

class ActivityBar : public QWidget {
  Q_OBJECT

 public:
  explicit ActivityBar(QWidget* parent = nullptr);
  void Start();
  void Stop();
  bool Running() const { return running_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  static constexpr int kTimerMs = 250;
  static constexpr int kSteps = 100;
  static constexpr int kStepPixels = 4;

  QTimer timer_;
  bool running_ = false;
  int counter_ = 0;
};

}  // namespace velmora::conduit

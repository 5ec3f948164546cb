// The windowed prompt: each message is a modal QMessageBox with the given caption, icon and
// buttons. Used by the desktop manager, the installer and the conduit's window. Must be used
// from the GUI thread; a call from another thread is carried to it and waited for.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/prompt/prompt.h"

namespace velmora::prompt {

class QtPrompt final : public Prompt {
 public:
  // `parent` (may be null) owns the boxes while they are shown.
  explicit QtPrompt(QWidget* parent = nullptr) : parent_(parent) {}

  Answer Show(std::string_view text, std::string_view caption, Icon icon, Buttons buttons) override;
  void SetParent(QWidget* parent) { parent_ = parent; }

 private:
  Answer ShowHere(std::string_view text, std::string_view caption, Icon icon, Buttons buttons);

  QPointer<QWidget> parent_;
};

}  // namespace velmora::prompt

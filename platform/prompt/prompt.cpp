#include "platform/prompt/prompt.h"

#include <atomic>

namespace velmora::prompt {
namespace {

class SilentPrompt final : public Prompt {
 public:
  Answer Show(std::string_view, std::string_view, Icon, Buttons buttons) override {
    return DeclinedAnswer(buttons);
  }
};

SilentPrompt& Silent() {
  static SilentPrompt silent;
  return silent;
}

std::atomic<Prompt*> current{nullptr};

}  // namespace

Answer DeclinedAnswer(Buttons buttons) {
  switch (buttons) {
    case Buttons::kYesNo:
      return Answer::kNo;
    case Buttons::kOkCancel:
      return Answer::kCancel;
    case Buttons::kOk:
      break;
  }
  return Answer::kOk;
}

void SetCurrentPrompt(Prompt* prompt) {
  current.store(prompt);
}

Prompt& CurrentPrompt() {
  Prompt* prompt = current.load();
  return prompt != nullptr ? *prompt : Silent();
}

Answer ShowMessage(std::string_view text, std::string_view caption, Icon icon, Buttons buttons) {
  return CurrentPrompt().Show(text, caption, icon, buttons);
}

bool AskYesNo(std::string_view text, std::string_view caption) {
  return ShowMessage(text, caption, Icon::kQuestion, Buttons::kYesNo) == Answer::kYes;
}

bool AskOkCancel(std::string_view text, std::string_view caption) {
  return ShowMessage(text, caption, Icon::kQuestion, Buttons::kOkCancel) == Answer::kOk;
}

}  // namespace velmora::prompt

#include "platform/prompt/console_prompt.h"

namespace velmora::prompt {

Answer ConsolePrompt::Show(std::string_view text, std::string_view, Icon, Buttons buttons) {
  std::lock_guard lock(mutex_);
  // A message of several lines stays on one output line, so that each message is one line.
  for (char c : text) std::fputc(c == '\n' || c == '\r' ? ' ' : c, out_);
  std::fputc('\n', out_);
  std::fflush(out_);
  switch (buttons) {
    case Buttons::kYesNo:
      return yes_no_answer_;
    case Buttons::kOkCancel:
      return yes_no_answer_ == Answer::kYes ? Answer::kOk : Answer::kCancel;
    case Buttons::kOk:
      break;
  }
  return Answer::kOk;
}

}  // namespace velmora::prompt

// A prompt for runs without a window (timers, scripts, tests of whole programs): every message
// text is printed on a line of its own, and questions get an answer fixed in advance.
// Used by the programs' unattended modes. Never reads from the terminal.
#pragma once

#include <cstdio>
#include <mutex>
#include <string_view>

#include "platform/prompt/prompt.h"

namespace velmora::prompt {

class ConsolePrompt final : public Prompt {
 public:
  // `yes_no_answer` answers every Yes/No question; an OK/Cancel question is confirmed with OK
  // when it is Yes and cancelled otherwise. `out` must stay open while in use.
  explicit ConsolePrompt(Answer yes_no_answer, std::FILE* out = stdout)
      : yes_no_answer_(yes_no_answer), out_(out) {}

  Answer Show(std::string_view text, std::string_view caption, Icon icon, Buttons buttons) override;

 private:
  Answer yes_no_answer_;
  std::FILE* out_;
  std::mutex mutex_;
};

}  // namespace velmora::prompt

// A prompt for tests: records every message it is shown and answers from a queue given in
// advance (OK for plain messages; once the queue is empty, No to Yes/No and Cancel to OK/Cancel).
// Used by the tests of every program's logic; shows nothing.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/prompt/prompt.h"

namespace velmora::prompt {

struct ShownMessage {
  std::string text;
  std::string caption;
  Icon icon = Icon::kInformation;
  Buttons buttons = Buttons::kOk;
};

class ScriptedPrompt final : public Prompt {
 public:
  ScriptedPrompt() = default;
  explicit ScriptedPrompt(std::deque<Answer> answers) : answers_(std::move(answers)) {}

  Answer Show(std::string_view text, std::string_view caption, Icon icon, Buttons buttons) override;

  void QueueAnswer(Answer answer);
  std::vector<ShownMessage> Shown() const;
  std::vector<std::string> Texts() const;

 private:
  mutable std::mutex mutex_;
  std::deque<Answer> answers_;
  std::vector<ShownMessage> shown_;
};

}  // namespace velmora::prompt

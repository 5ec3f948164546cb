#include "platform/prompt/scripted_prompt.h"

namespace velmora::prompt {

Answer ScriptedPrompt::Show(std::string_view text, std::string_view caption, Icon icon,
                            Buttons buttons) {
  std::lock_guard lock(mutex_);
  shown_.push_back({std::string(text), std::string(caption), icon, buttons});
  if (buttons == Buttons::kOk) return Answer::kOk;
  if (answers_.empty()) return DeclinedAnswer(buttons);
  Answer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void ScriptedPrompt::QueueAnswer(Answer answer) {
  std::lock_guard lock(mutex_);
  answers_.push_back(answer);
}

std::vector<ShownMessage> ScriptedPrompt::Shown() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

std::vector<std::string> ScriptedPrompt::Texts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> texts;
  for (const ShownMessage& m : shown_) texts.push_back(m.text);
  return texts;
}

}  // namespace velmora::prompt

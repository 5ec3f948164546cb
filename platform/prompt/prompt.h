// The one message-box seam of every program: a message box is a text, a caption, an icon and a
// set of buttons, and it returns the answer. The program installs the implementation it wants
// (windows, console, a test script) as the process-wide current prompt. Qt-free; never throws.
#pragma once

#include <string_view>

namespace velmora::prompt {

enum class Icon { kExclamation, kInformation, kQuestion };
enum class Buttons { kOk, kYesNo };
enum class Answer { kOk, kYes, kNo };

class Prompt {
 public:
  virtual ~Prompt() = default;
  // Shows the message and waits for the answer. Text and caption are UTF-8.
  virtual Answer Show(std::string_view text, std::string_view caption, Icon icon,
                      Buttons buttons) = 0;
};

// The process-wide current prompt; a silent one (OK, and No to questions) until a program sets
// its own. The caller keeps ownership; pass nullptr to go back to the silent one.
void SetCurrentPrompt(Prompt* prompt);
Prompt& CurrentPrompt();

// Shorthands over the current prompt.
Answer ShowMessage(std::string_view text, std::string_view caption, Icon icon,
                   Buttons buttons = Buttons::kOk);
bool AskYesNo(std::string_view text, std::string_view caption);

}  // namespace velmora::prompt

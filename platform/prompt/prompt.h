// The one message-box seam of every program: a message box is a text, a caption, an icon and a
// set of buttons, and it returns the answer. The program installs the implementation it wants
// (windows, console, a test script) as the process-wide current prompt. Qt-free; never throws.
#pragma once

#include <string_view>

namespace velmora::prompt {

enum class Icon { kExclamation, kInformation, kQuestion };
enum class Buttons { kOk, kYesNo, kOkCancel };
enum class Answer { kOk, kYes, kNo, kCancel };

class Prompt {
 public:
  virtual ~Prompt() = default;
  // Shows the message and waits for the answer. Text and caption are UTF-8.
  virtual Answer Show(std::string_view text, std::string_view caption, Icon icon,
                      Buttons buttons) = 0;
};

// The answer of a box that is closed without a choice: No for Yes/No, Cancel for OK/Cancel, OK
// for a plain message.
Answer DeclinedAnswer(Buttons buttons);

// The process-wide current prompt; a silent one (declining every question) until a program sets
// its own. The caller keeps ownership; pass nullptr to go back to the silent one.
void SetCurrentPrompt(Prompt* prompt);
Prompt& CurrentPrompt();

// Shorthands over the current prompt.
Answer ShowMessage(std::string_view text, std::string_view caption, Icon icon,
                   Buttons buttons = Buttons::kOk);
bool AskYesNo(std::string_view text, std::string_view caption);
bool AskOkCancel(std::string_view text, std::string_view caption);

}  // namespace velmora::prompt

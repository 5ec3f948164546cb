// The answers of the message-box seam for each set of buttons: the silent prompt, the console
// prompt of unattended runs, the scripted prompt of tests and the windowed prompt, whose box is
// answered by pressing its buttons (or Escape) on the offscreen platform.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "platform/prompt/console_prompt.h"
#include "platform/prompt/prompt.h"
#include "platform/prompt/qt/qt_prompt.h"
#include "platform/prompt/scripted_prompt.h"

namespace velmora::prompt {
namespace {

struct Expected {
  Buttons buttons;
  Answer silent;       // no prompt installed; also the scripted prompt with nothing queued
  Answer console_yes;  // console prompt set to answer Yes
  Answer console_no;   // console prompt set to answer No
};

constexpr Expected kCases[] = {
    {Buttons::kOk, Answer::kOk, Answer::kOk, Answer::kOk},
    {Buttons::kYesNo, Answer::kNo, Answer::kYes, Answer::kNo},
    {Buttons::kOkCancel, Answer::kCancel, Answer::kOk, Answer::kCancel},
};

TEST(PromptButtons, EachPromptDeclinesOrConfirmsByItsButtons) {
  std::FILE* sink = std::tmpfile();
  ASSERT_NE(sink, nullptr);
  ConsolePrompt yes(Answer::kYes, sink);
  ConsolePrompt no(Answer::kNo, sink);
  ScriptedPrompt scripted;
  for (const Expected& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.buttons));
    SetCurrentPrompt(nullptr);
    EXPECT_EQ(ShowMessage("text", "Velmora", Icon::kQuestion, c.buttons), c.silent);
    EXPECT_EQ(scripted.Show("text", "Velmora", Icon::kQuestion, c.buttons), c.silent);
    EXPECT_EQ(yes.Show("text", "Velmora", Icon::kQuestion, c.buttons), c.console_yes);
    EXPECT_EQ(no.Show("text", "Velmora", Icon::kQuestion, c.buttons), c.console_no);
  }
  std::fclose(sink);
}

TEST(PromptButtons, ShorthandsAskWithTheirButtonsAndTakeOnlyTheConfirmingAnswer) {
  ScriptedPrompt scripted({Answer::kOk, Answer::kYes, Answer::kYes, Answer::kOk});
  SetCurrentPrompt(&scripted);
  EXPECT_TRUE(AskOkCancel("Are you sure to change Handheld User?", "Velmora"));
  EXPECT_FALSE(AskOkCancel("A Yes is no OK", "Velmora"));
  EXPECT_TRUE(AskYesNo("question", "Velmora"));
  EXPECT_FALSE(AskYesNo("An OK is no Yes", "Velmora"));
  SetCurrentPrompt(nullptr);
  const auto shown = scripted.Shown();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].buttons, Buttons::kOkCancel);
  EXPECT_EQ(shown[0].icon, Icon::kQuestion);
  EXPECT_EQ(shown[2].buttons, Buttons::kYesNo);
}

// Presses `button` (or Escape when none) on the box once it is shown, and returns its answer.
Answer AnswerBox(Buttons buttons, std::optional<QMessageBox::StandardButton> button,
                 QStringList* shown_buttons) {
  QtPrompt prompt;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    for (QAbstractButton* b : box->buttons()) shown_buttons->append(b->text().remove('&'));
    if (button) {
      box->button(*button)->click();
    } else {
      box->reject();
    }
  });
  return prompt.Show("Are you sure to change Handheld User?", "Velmora", Icon::kQuestion, buttons);
}

TEST(PromptButtons, TheWindowedBoxShowsTheButtonsAskedForAndReportsThePressedOne) {
  const struct {
    Buttons buttons;
    std::optional<QMessageBox::StandardButton> pressed;
    QStringList shown;
    Answer answer;
  } cases[] = {
      {Buttons::kOkCancel, QMessageBox::Ok, {"OK", "Cancel"}, Answer::kOk},
      {Buttons::kOkCancel, QMessageBox::Cancel, {"OK", "Cancel"}, Answer::kCancel},
      {Buttons::kOkCancel, std::nullopt, {"OK", "Cancel"}, Answer::kCancel},
      {Buttons::kYesNo, QMessageBox::Yes, {"Yes", "No"}, Answer::kYes},
      {Buttons::kYesNo, QMessageBox::No, {"Yes", "No"}, Answer::kNo},
      {Buttons::kOk, QMessageBox::Ok, {"OK"}, Answer::kOk},
  };
  for (const auto& c : cases) {
    QStringList shown;
    EXPECT_EQ(AnswerBox(c.buttons, c.pressed, &shown), c.answer);
    shown.sort();
    QStringList want = c.shown;
    want.sort();
    EXPECT_EQ(shown, want);
  }
}

}  // namespace
}  // namespace velmora::prompt

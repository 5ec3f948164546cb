#include "platform/prompt/qt/qt_prompt.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QString>
#include <QThread>

namespace velmora::prompt {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::StandardButtons BoxButtons(Buttons buttons) {
  switch (buttons) {
    case Buttons::kYesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case Buttons::kOkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::kOk:
      break;
  }
  return QMessageBox::Ok;
}

// Escape or the close box gives the declining answer of the box.
Answer BoxAnswer(Buttons buttons, int result) {
  switch (result) {
    case QMessageBox::Yes:
      return Answer::kYes;
    case QMessageBox::Ok:
      return Answer::kOk;
    default:
      return DeclinedAnswer(buttons);
  }
}

QMessageBox::Icon BoxIcon(Icon icon) {
  switch (icon) {
    case Icon::kExclamation:
      return QMessageBox::Warning;
    case Icon::kQuestion:
      return QMessageBox::Question;
    case Icon::kInformation:
      break;
  }
  return QMessageBox::Information;
}

}  // namespace

Answer QtPrompt::Show(std::string_view text, std::string_view caption, Icon icon, Buttons buttons) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    return ShowHere(text, caption, icon, buttons);
  }
  Answer answer = Answer::kOk;
  std::string text_copy(text);
  std::string caption_copy(caption);
  QMetaObject::invokeMethod(
      app, [&] { answer = ShowHere(text_copy, caption_copy, icon, buttons); },
      Qt::BlockingQueuedConnection);
  return answer;
}

Answer QtPrompt::ShowHere(std::string_view text, std::string_view caption, Icon icon,
                          Buttons buttons) {
  QMessageBox box(BoxIcon(icon), FromUtf8(caption), FromUtf8(text), BoxButtons(buttons),
                  parent_.data());
  const int result = box.exec();
  if (buttons == Buttons::kOk) return Answer::kOk;
  return BoxAnswer(buttons, result);
}

}  // namespace velmora::prompt

#pragma once
// What the Qt test programs share: the application object, the message boxes the
// scripted dialogs service was asked for, and acting on a modal dialog once it shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "platform/ScriptedUi.h"

namespace kztest {

// The program's Qt application, made on the first call under that program name. Never
// destroyed: the application object outlives every static of the toolkit.
inline QApplication& TestApp(const char* programName) {
  static std::string arg0 = programName;
  static int argc = 1;
  static char* argv[] = {arg0.data(), nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// The texts of the message boxes shown so far, in order.
inline std::vector<std::string> MsgTexts(const platform::ScriptedUi& ui) {
  std::vector<std::string> out;
  for (const platform::UiCall& c : ui.Calls("MsgBox")) out.push_back(c.Text);
  return out;
}
// The text of the last message box; empty when none was shown.
inline std::string LastMsg(const platform::ScriptedUi& ui) {
  const platform::UiCall* c = ui.Last("MsgBox");
  return c ? c->Text : std::string();
}

// Runs `act` on the modal dialog of type D once it shows; one still open afterwards is
// closed through `cancel`, so a test never hangs on it.
template <class D>
void WhenShown(std::function<void(D&)> act, void (D::*cancel)() = &D::Cancel) {
  QTimer::singleShot(0, [act, cancel] {
    auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
    if (!d) {
      ADD_FAILURE() << "no " << D::staticMetaObject.className() << " shown";
      return;
    }
    act(*d);
    if (d->isVisible()) (d->*cancel)();
  });
}

}  // namespace kztest

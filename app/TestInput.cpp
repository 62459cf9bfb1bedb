#include "app/TestInput.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QListWidget>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QWidget>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "shell/frmMain.h"

namespace kz {

void TestInput::InstallIfWanted(frmMain* launcher) {
  if (!std::getenv("KZ_TEST_INPUT") || !launcher || !qApp) return;
  new TestInput(launcher, qApp);
}

TestInput::TestInput(frmMain* launcher, QObject* parent) : QObject(parent), launcher_(launcher) {
  notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadInput(); });
}

void TestInput::ReadInput() {
  char buffer[512];
  const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
  if (n > 0) {
    pending_.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      // Each command runs from the event loop, so that a dialog it opens may wait
      // for the next command in its own loop.
      QMetaObject::invokeMethod(this, [this, line] { Run(line); }, Qt::QueuedConnection);
    }
    return;
  }
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  notifier_->setEnabled(false);
  QMetaObject::invokeMethod(
      this, [this] { if (launcher_) launcher_->close(); }, Qt::QueuedConnection);
}

void TestInput::Run(const std::string& line) {
  const std::size_t blank = line.find(' ');
  const std::string command = line.substr(0, blank);
  const std::string argument = blank == std::string::npos ? std::string() : line.substr(blank + 1);
  const std::size_t gap = argument.find(' ');
  const std::string first = argument.substr(0, gap);
  const std::string rest = gap == std::string::npos ? std::string() : argument.substr(gap + 1);
  if (command == "launch") Launch(argument);
  else if (command == "close") CloseWindows(argument);
  else if (command == "press") Press(first, rest);
  else if (command == "key") Key(first, rest);
  else if (command == "grab") Grab(first, rest);
  else std::fprintf(stderr, "kz-input unknown command \"%s\"\n", line.c_str());
  std::fflush(stderr);
}

void TestInput::Launch(const std::string& key) {
  QListWidgetItem* item = launcher_ ? launcher_->ItemByKey(QString::fromStdString(key)) : nullptr;
  if (!item) {
    std::fprintf(stderr, "kz-input no launcher item \"%s\"\n", key.c_str());
    return;
  }
  launcher_->View->setCurrentItem(item);
  item->setSelected(true);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(launcher_->View, &press);
}

void TestInput::CloseWindows(const std::string& name) {
  const QString wanted = QString::fromStdString(name);
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->objectName() == wanted) w->close();
}

QWidget* TestInput::Window(const std::string& name) {
  const QString wanted = QString::fromStdString(name);
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->objectName() == wanted) return w;
  std::fprintf(stderr, "kz-input no window \"%s\"\n", name.c_str());
  return nullptr;
}

void TestInput::Press(const std::string& window, const std::string& control) {
  QWidget* w = Window(window);
  if (!w) return;
  const QString name = QString::fromStdString(control);
  if (auto* button = w->findChild<QAbstractButton*>(name)) {
    button->click();
  } else if (auto* action = w->findChild<QAction*>(name)) {
    action->trigger();
  } else {
    std::fprintf(stderr, "kz-input no control \"%s\" in \"%s\"\n", control.c_str(), window.c_str());
  }
}

void TestInput::Key(const std::string& windowAndControl, const std::string& key) {
  const std::size_t dot = windowAndControl.find('.');
  const std::string window = windowAndControl.substr(0, dot);
  QWidget* w = Window(window);
  if (!w) return;
  QWidget* target = w->focusWidget() ? w->focusWidget() : w;
  if (dot != std::string::npos) {
    const std::string control = windowAndControl.substr(dot + 1);
    target = w->findChild<QWidget*>(QString::fromStdString(control));
    if (!target) {
      std::fprintf(stderr, "kz-input no control \"%s\" in \"%s\"\n", control.c_str(), window.c_str());
      return;
    }
  }
  const QKeySequence sequence = QKeySequence::fromString(QString::fromStdString(key));
  if (sequence.isEmpty()) {
    std::fprintf(stderr, "kz-input no key \"%s\"\n", key.c_str());
    return;
  }
  const QKeyCombination combination = sequence[0];
  QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
  QApplication::sendEvent(target, &release);
}

void TestInput::Grab(const std::string& window, const std::string& file) {
  QWidget* w = Window(window);
  if (!w) return;
  if (!w->grab().save(QString::fromStdString(file), "PNG"))
    std::fprintf(stderr, "kz-input cannot write \"%s\"\n", file.c_str());
}

}  // namespace kz

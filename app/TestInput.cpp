#include "app/TestInput.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <QWidget>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "shell/frmMain.h"

namespace kz {

namespace {

constexpr int kWaitMs = 30000;

void Fail(const char* format, const std::string& a, const std::string& b = {}) {
  std::fprintf(stderr, format, a.c_str(), b.c_str());
  std::fputc('\n', stderr);
}

// "<first> <rest>": the text up to the first blank and the text after it.
void SplitFirst(const std::string& text, std::string& first, std::string& rest) {
  const std::size_t gap = text.find(' ');
  first = text.substr(0, gap);
  rest = gap == std::string::npos ? std::string() : text.substr(gap + 1);
}

// "#<n>": true with the number.
bool RowNumber(const QString& item, int& row) {
  if (!item.startsWith('#') || item.size() < 2) return false;
  bool ok = false;
  row = item.mid(1).toInt(&ok);
  return ok && row >= 0;
}

bool RowHasText(const QAbstractItemModel* model, int row, const QModelIndex& parent, const QString& text) {
  for (int column = 0; column < model->columnCount(parent); ++column)
    if (model->index(row, column, parent).data(Qt::DisplayRole).toString() == text) return true;
  return false;
}

// The first row of that text below `parent`, nested rows too when `deep`.
QModelIndex FindRow(const QAbstractItemModel* model, const QModelIndex& parent, const QString& text, bool deep) {
  const int rows = model->rowCount(parent);
  for (int row = 0; row < rows; ++row)
    if (RowHasText(model, row, parent, text)) return model->index(row, 0, parent);
  if (deep) {
    for (int row = 0; row < rows; ++row) {
      const QModelIndex child = model->index(row, 0, parent);
      if (!model->hasChildren(child)) continue;
      const QModelIndex found = FindRow(model, child, text, true);
      if (found.isValid()) return found;
    }
  }
  return {};
}

// A click (or a double click) of a mouse button at `at` inside `target`.
void SendClick(QWidget* target, const QPoint& at, bool twice, Qt::MouseButton button = Qt::LeftButton) {
  const QPointF local(at);
  const QPointF global(target->mapToGlobal(at));
  auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
    QMouseEvent e(type, local, global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
  };
  send(QEvent::MouseButtonPress, button);
  send(QEvent::MouseButtonRelease, Qt::NoButton);
  if (twice) {
    send(QEvent::MouseButtonDblClick, button);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
  }
}

void SendKey(QWidget* target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

// One typed character (or Enter, Tab) into `target`.
void SendChar(QWidget* target, QChar c) {
  int key = 0;
  QString text(c);
  if (c == '\n') {
    key = Qt::Key_Return;
    text = "\r";
  } else if (c == '\t') {
    key = Qt::Key_Tab;
  } else if (c.isLetter() && c.unicode() < 128) {
    key = c.toUpper().unicode();
  } else if (c.unicode() < 128) {
    key = c.unicode();
  } else {
    key = Qt::Key_unknown;
  }
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &release);
}

QString Unescape(const std::string& text) {
  QString out;
  const QString in = QString::fromStdString(text);
  for (int i = 0; i < in.size(); ++i) {
    if (in[i] == '\\' && i + 1 < in.size()) {
      const QChar next = in[++i];
      if (next == 'n') out += '\n';
      else if (next == 't') out += '\t';
      else out += next;
    } else {
      out += in[i];
    }
  }
  return out;
}

}  // namespace

void TestInput::InstallIfWanted(frmMain* launcher) {
  if (!std::getenv("KZ_TEST_INPUT") || !launcher || !qApp) return;
  new TestInput(launcher, qApp);
}

TestInput::TestInput(frmMain* launcher, QObject* parent) : QObject(parent), launcher_(launcher) {
  notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadInput(); });
  waitTimer_ = new QTimer(this);
  waitTimer_->setInterval(20);
  connect(waitTimer_, &QTimer::timeout, this, [this] { CheckWait(); });
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
      if (!line.empty()) Enqueue(std::move(line));
    }
    return;
  }
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  notifier_->setEnabled(false);
  ended_ = true;
  Pump();
}

void TestInput::Enqueue(std::string line) {
  queue_.push_back(std::move(line));
  Pump();
}

// Each command runs from the event loop, so that a dialog it opens may wait for the
// next command in its own loop.
void TestInput::Pump() {
  if (posted_ || waitTimer_->isActive()) return;
  if (queue_.empty() && !ended_) return;
  posted_ = true;
  QMetaObject::invokeMethod(this, [this] { RunNext(); }, Qt::QueuedConnection);
}

void TestInput::RunNext() {
  posted_ = false;
  if (waitTimer_->isActive()) return;
  if (queue_.empty()) {
    if (ended_ && !closing_) {
      // A user cannot reach the launcher past a modal dialog: one still open when the
      // input ends is closed first (and said), the launcher once its loop has ended.
      if (QWidget* modal = QApplication::activeModalWidget(); modal && endTries_++ < 20) {
        Fail("kz-input the input ended with \"%s\" open", modal->objectName().toStdString());
        std::fflush(stderr);
        modal->close();
        QTimer::singleShot(50, this, [this] { Pump(); });
        return;
      }
      closing_ = true;
      if (launcher_) launcher_->close();
    }
    return;
  }
  const std::string line = std::move(queue_.front());
  queue_.pop_front();
  std::string command, argument;
  SplitFirst(line, command, argument);
  if (command == "wait") {
    StartWait(argument);
    Pump();
    return;
  }
  Pump();
  Run(line);
}

void TestInput::Run(const std::string& line) {
  std::string command, argument, first, rest;
  SplitFirst(line, command, argument);
  SplitFirst(argument, first, rest);
  if (command == "launch") Launch(argument);
  else if (command == "close") CloseWindows(argument);
  else if (command == "press") Press(first, rest);
  else if (command == "key") Key(first, rest);
  else if (command == "grab") Grab(first, rest);
  else if (command == "select") Select(first, rest, false);
  else if (command == "activate") Select(first, rest, true);
  else if (command == "type") Type(first, rest);
  else if (command == "choose") Choose(first, rest);
  else if (command == "click") Click(first, rest);
  else if (command == "menu") Menu(argument);
  else if (command == "say") std::fprintf(stderr, "kz-say %s\n", argument.c_str());
  else Fail("kz-input unknown command \"%s\"", line);
  std::fflush(stderr);
}

void TestInput::StartWait(const std::string& argument) {
  SplitFirst(argument, waitFor_, waitCaption_);
  waitUntil_ = QDateTime::currentMSecsSinceEpoch() + kWaitMs;
  if (WaitDone()) return;
  waitTimer_->start();
}

bool TestInput::WaitDone() const {
  QWidget* w = Window(waitFor_, false);
  return w && (waitCaption_.empty() || w->windowTitle().contains(QString::fromStdString(waitCaption_)));
}

void TestInput::CheckWait() {
  const bool done = WaitDone();
  if (!done && QDateTime::currentMSecsSinceEpoch() < waitUntil_) return;
  if (!done && waitCaption_.empty()) {
    Fail("kz-input no window \"%s\" shown in time", waitFor_);
  } else if (!done) {
    Fail("kz-input no window \"%s\" with \"%s\" in its caption in time", waitFor_, waitCaption_);
  }
  std::fflush(stderr);
  waitTimer_->stop();
  Pump();
}

void TestInput::Launch(const std::string& key) {
  QListWidgetItem* item = launcher_ ? launcher_->ItemByKey(QString::fromStdString(key)) : nullptr;
  if (!item) {
    Fail("kz-input no launcher item \"%s\"", key);
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

QWidget* TestInput::Window(const std::string& name, bool report) {
  const QString wanted = QString::fromStdString(name);
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->objectName() == wanted) return w;
  if (report) Fail("kz-input no window \"%s\"", name);
  return nullptr;
}

// "<window>.<name>.<name>...": the window, then each name inside the one before (the
// one in view when several have the name).
QObject* TestInput::Control(const std::string& path) {
  const QStringList names = QString::fromStdString(path).split('.');
  QObject* at = Window(names.front().toStdString());
  for (qsizetype i = 1; at && i < names.size(); ++i) {
    // Pages may hold pages of their own with the same names inside: the one in view
    // is the one the user means.
    const QList<QObject*> all = at->findChildren<QObject*>(names[i]);
    QObject* next = all.isEmpty() ? nullptr : all.front();
    for (QObject* candidate : all) {
      if (auto* w = qobject_cast<QWidget*>(candidate); w && w->isVisible()) {
        next = candidate;
        break;
      }
    }
    if (!next) {
      Fail("kz-input no control \"%s\" in \"%s\"", names[i].toStdString(),
           names.mid(0, i).join('.').toStdString());
      return nullptr;
    }
    at = next;
  }
  return at;
}

void TestInput::Press(const std::string& window, const std::string& control) {
  QWidget* w = Window(window);
  if (!w) return;
  QObject* scope = w;
  std::string name = control;
  if (const std::size_t dot = control.rfind('.'); dot != std::string::npos) {
    scope = Control(window + "." + control.substr(0, dot));
    if (!scope) return;
    name = control.substr(dot + 1);
  }
  const QString wanted = QString::fromStdString(name);
  if (auto* button = scope->findChild<QAbstractButton*>(wanted)) {
    button->click();
  } else if (auto* action = scope->findChild<QAction*>(wanted)) {
    action->trigger();
  } else {
    Fail("kz-input no control \"%s\" in \"%s\"", control, window);
  }
}

void TestInput::Key(const std::string& windowAndControl, const std::string& key) {
  QObject* found = Control(windowAndControl);
  auto* target = qobject_cast<QWidget*>(found);
  if (!target) {
    if (found) Fail("kz-input \"%s\" takes no keys", windowAndControl);
    return;
  }
  if (windowAndControl.find('.') == std::string::npos && target->focusWidget()) target = target->focusWidget();
  const QKeySequence sequence = QKeySequence::fromString(QString::fromStdString(key));
  if (sequence.isEmpty()) {
    Fail("kz-input no key \"%s\"", key);
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
  if (!w->grab().save(QString::fromStdString(file), "PNG")) Fail("kz-input cannot write \"%s\"", file);
}

void TestInput::Select(const std::string& control, const std::string& item, bool activate) {
  QObject* found = Control(control);
  auto* view = qobject_cast<QAbstractItemView*>(found);
  if (!view || !view->model()) {
    if (found) Fail("kz-input \"%s\" is no list, tree or table", control);
    return;
  }
  QAbstractItemModel* model = view->model();
  auto* tree = qobject_cast<QTreeView*>(view);
  QModelIndex at = view->rootIndex();
  const QStringList steps = QString::fromStdString(item).split(" > ");
  for (qsizetype i = 0; i < steps.size(); ++i) {
    if (i > 0 && tree) tree->expand(at);  // the user opens the item to see what it holds
    int row = 0;
    const QModelIndex next = RowNumber(steps[i], row) ? model->index(row, 0, at)
                                                      : FindRow(model, at, steps[i], i == 0 && steps.size() == 1);
    if (!next.isValid()) {
      Fail("kz-input no item \"%s\" in \"%s\"", steps[i].toStdString(), control);
      return;
    }
    at = next;
  }
  view->scrollTo(at);
  const QRect rect = view->visualRect(at);
  if (rect.isValid() && view->viewport()->rect().intersects(rect)) {
    // Where the user clicks: inside the item's text, clear of a tree's branch marks.
    const QPoint point(rect.left() + qMin(rect.width() / 2, 8), rect.center().y());
    SendClick(view->viewport(), point, activate);
  } else {
    view->setCurrentIndex(at);
    if (activate) emit view->doubleClicked(at);
  }
}

void TestInput::Type(const std::string& control, const std::string& text) {
  QObject* found = Control(control);
  auto* widget = qobject_cast<QWidget*>(found);
  if (!widget) return;
  QWidget* target = widget;
  if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit()) {
    target = combo->lineEdit();
    combo->lineEdit()->selectAll();
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    line->selectAll();
  } else if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
    edit->selectAll();
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    plain->selectAll();
  } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget)) {
    spin->selectAll();
  } else {
    Fail("kz-input \"%s\" takes no text", control);
    return;
  }
  target->setFocus(Qt::MouseFocusReason);
  for (QChar c : Unescape(text)) SendChar(target, c);
}

void TestInput::Choose(const std::string& control, const std::string& entry) {
  QObject* found = Control(control);
  if (!found) return;
  const QString wanted = QString::fromStdString(entry);
  int index = -1;
  const bool byNumber = RowNumber(wanted, index);
  if (auto* combo = qobject_cast<QComboBox*>(found)) {
    if (!byNumber) index = combo->findText(wanted, Qt::MatchExactly);
    if (index < 0 || index >= combo->count()) {
      Fail("kz-input no entry \"%s\" in \"%s\"", entry, control);
      return;
    }
    // As a pick from the open list: the entry becomes current, then the list reports it.
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    emit combo->textActivated(combo->itemText(index));
    return;
  }
  QTabBar* bar = nullptr;
  if (auto* tabs = qobject_cast<QTabWidget*>(found)) bar = tabs->tabBar();
  else bar = qobject_cast<QTabBar*>(found);
  if (!bar) {
    Fail("kz-input \"%s\" is no combo box nor tab control", control);
    return;
  }
  if (!byNumber) {
    for (int i = 0; i < bar->count() && index < 0; ++i)
      if (bar->tabText(i).remove('&') == wanted) index = i;
  }
  if (index < 0 || index >= bar->count()) {
    Fail("kz-input no tab \"%s\" in \"%s\"", entry, control);
    return;
  }
  SendClick(bar, bar->tabRect(index).center(), false);
  if (bar->currentIndex() != index) bar->setCurrentIndex(index);
}

void TestInput::Click(const std::string& control, const std::string& where) {
  QObject* found = Control(control);
  auto* widget = qobject_cast<QWidget*>(found);
  if (!widget) return;
  const QStringList words = QString::fromStdString(where).split(' ', Qt::SkipEmptyParts);
  bool okX = false, okY = false;
  const int x = words.size() >= 2 ? words[0].toInt(&okX) : 0;
  const int y = words.size() >= 2 ? words[1].toInt(&okY) : 0;
  const QString how = words.size() >= 3 ? words[2] : QString();
  if (!okX || !okY || (words.size() > 3) || (!how.isEmpty() && how != "right" && how != "double")) {
    Fail("kz-input no point \"%s\" to click in \"%s\"", where, control);
    return;
  }
  QWidget* target = widget;
  if (auto* view = qobject_cast<QAbstractScrollArea*>(widget)) target = view->viewport();
  SendClick(target, QPoint(x, y), how == "double", how == "right" ? Qt::RightButton : Qt::LeftButton);
}

void TestInput::Menu(const std::string& path) {
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (!menu) {
    Fail("kz-input no popup menu open for \"%s\"", path);
    return;
  }
  const QStringList steps = QString::fromStdString(path).split(" > ");
  for (qsizetype i = 0; i < steps.size(); ++i) {
    QAction* chosen = nullptr;
    for (QAction* a : menu->actions()) {
      if (a->isSeparator()) continue;
      if (a->objectName() == steps[i] || QString(a->text()).remove('&') == steps[i]) {
        chosen = a;
        break;
      }
    }
    if (!chosen || !chosen->isEnabled() || !chosen->isVisible()) {
      Fail(chosen ? "kz-input entry \"%s\" of the menu cannot be picked now" : "kz-input no entry \"%s\" in the menu",
           steps[i].toStdString());
      menu->close();
      return;
    }
    // Moved onto with the keys and picked with Enter; a submenu opens and the next
    // step picks in it.
    menu->setActiveAction(chosen);
    if (QMenu* sub = chosen->menu(); sub && i + 1 < steps.size()) {
      sub->popup(menu->actionGeometry(chosen).topRight() + menu->pos());
      menu = sub;
      continue;
    }
    SendKey(menu, Qt::Key_Return);
  }
}

}  // namespace kz

#pragma once
// TestInput: for test runs of the whole program (KZ_TEST_INPUT set), commands read
// line by line from standard input, carried out as the user would. A command names a
// window by its object name (a visible top-level window) and a control inside it by a
// path of object names: "<window>.<name>[.<name>...]", each name looked up inside the
// one before it (where several controls have the name, the one in view).
//   launch <key>   selects the launcher item of that key and presses Enter on it
//   close <name>   closes every visible window of that object name
//   press <window> <control>   clicks the button or triggers the action of that object
//                  name (or path) inside the window
//   key <window>[.<control>] <key>   types the key ("F1", "Ctrl+S", "Right") into the
//                  control, or into the window's focus widget
//   grab <window> <file>   saves a picture of the window as it is drawn (PNG)
//   wait <window> [<text>]   holds the commands after it until that window is shown
//                  and, with <text>, its caption holds <text> (a file loaded in the
//                  background names itself there when it is loaded); at most 30 s
//   select <window>.<control> <item>   makes an item of a list, tree or table the
//                  current one, as a click on it does; <item> is the text of one of
//                  its cells, "#<n>" the n-th row (from 0), and in a tree
//                  "<item> > <item> > ..." a path of items below each other (each
//                  opened as the user opens it)
//   activate <window>.<control> <item>   the same item, then double-clicked
//   type <window>.<control> <text>   clicks into a text field (a line, a text box, a
//                  spin box, an editable combo box), selects all it holds and types
//                  <text> key by key; "\n" types Enter, "\t" Tab, "\\" a backslash
//   choose <window>.<control> <entry>   picks the entry of a combo box (or the tab of a
//                  tab control) by its text, or "#<n>" the n-th (from 0), as the user
//                  picks it from the list
//   click <window>.<control> <x> <y> [right|double]   a click of the left button (the
//                  right one, or a double click) at that point of the control, in
//                  pixels from its top left corner
//   menu <entry>[ > <entry>...]   picks the entry of the open popup menu by its text
//                  (without its "&") or its object name, through its submenus, as
//                  the user picks it with the keyboard
//   say <text>     writes "kz-say <text>" to standard error when it is its turn (a mark
//                  between the steps of a run)
// Commands run one after another from the event loop: one that opens a modal dialog
// leaves the commands after it to run inside the dialog. A command that cannot find
// its window, control or item writes "kz-input ..." to standard error and the run goes
// on. When the input ends, a modal dialog still open is closed first (and said), then
// the launcher is closed (which asks the open editors first) and the program ends as
// after the user closed it.
#include <QObject>
#include <QPointer>

#include <deque>
#include <string>

class QSocketNotifier;
class QTimer;
class QWidget;

namespace kz {

class frmMain;

class TestInput : public QObject {
 public:
  // Reads standard input for `launcher` when KZ_TEST_INPUT is set; otherwise nothing.
  static void InstallIfWanted(frmMain* launcher);

 private:
  TestInput(frmMain* launcher, QObject* parent);
  void ReadInput();
  void Enqueue(std::string line);
  void Pump();
  void RunNext();
  void Run(const std::string& line);
  void StartWait(const std::string& argument);
  void CheckWait();
  bool WaitDone() const;
  void Launch(const std::string& key);
  static void CloseWindows(const std::string& name);
  static QWidget* Window(const std::string& name, bool report = true);
  static QObject* Control(const std::string& path);
  static void Press(const std::string& window, const std::string& control);
  static void Key(const std::string& window, const std::string& key);
  static void Grab(const std::string& window, const std::string& file);
  static void Select(const std::string& control, const std::string& item, bool activate);
  static void Type(const std::string& control, const std::string& text);
  static void Choose(const std::string& control, const std::string& entry);
  static void Click(const std::string& control, const std::string& where);
  static void Menu(const std::string& path);

  QPointer<frmMain> launcher_;
  QSocketNotifier* notifier_ = nullptr;
  std::string pending_;
  std::deque<std::string> queue_;  // commands read and not yet run; "" after the input's end
  bool posted_ = false;            // the next command's turn is on its way through the event loop
  bool ended_ = false;             // the input has ended
  bool closing_ = false;           // the launcher was asked to close
  int endTries_ = 0;               // dialogs closed at the end of the input
  QTimer* waitTimer_ = nullptr;    // while a "wait" holds the commands
  std::string waitFor_;
  std::string waitCaption_;
  qint64 waitUntil_ = 0;
};

}  // namespace kz

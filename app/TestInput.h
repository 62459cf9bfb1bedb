#pragma once
// TestInput: for test runs of the whole program (KZ_TEST_INPUT set), commands read
// line by line from standard input, carried out as the user would:
//   launch <key>   selects the launcher item of that key and presses Enter on it
//   close <name>   closes every visible window of that object name
//   press <window> <control>   clicks the button or triggers the action of that object
//                  name inside the visible window of that object name
//   key <window>[.<control>] <key>   types the key ("F1", "Ctrl+S", "Right") into the
//                  control of that object name, or into the window's focus widget
//   grab <window> <file>   saves a picture of the window as it is drawn (PNG)
// When the input ends, the launcher is closed (which asks the open editors first) and
// the program ends as after the user closed it.
#include <QObject>
#include <QPointer>

#include <string>

class QSocketNotifier;
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
  void Run(const std::string& line);
  void Launch(const std::string& key);
  static void CloseWindows(const std::string& name);
  static QWidget* Window(const std::string& name);
  static void Press(const std::string& window, const std::string& control);
  static void Key(const std::string& window, const std::string& key);
  static void Grab(const std::string& window, const std::string& file);

  QPointer<frmMain> launcher_;
  QSocketNotifier* notifier_ = nullptr;
  std::string pending_;
};

}  // namespace kz

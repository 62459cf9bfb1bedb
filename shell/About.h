#pragma once
// frmAbout: the program's version and, on the "Libraries" tab, which of our shared
// libraries the program finds, where, and in which versions.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabBar;

namespace kz {

// One line of the "Libraries" tab: a label, a library file name and the text shown when
// it cannot be loaded.
struct AboutLibrary {
  std::string Label;    // ends in " ("
  std::string File;
  std::string Default;
};
// The four libraries, in the order shown.
const std::vector<AboutLibrary>& AboutLibraries();

// Looks a library up by name: the version, with `name` replaced by its full path when it
// loads; the default and the name unchanged otherwise (GetLibraryVersion).
using LibraryLookup = std::function<std::string(std::string& name, const std::string& defaultText)>;

// The "Libraries" text: one line per library ("<label><path>): <version>"), joined by
// CR LF (none after the last).
std::string AboutLibrariesText(const LibraryLookup& lookup);

}  // namespace kz

class frmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit frmAbout(QWidget* parent = nullptr);

  // Replaces the library look-up (tests); the tab's text is written again.
  void SetLibraryLookup(kz::LibraryLookup lookup);
  // Shows the text of the tab with this key ("libs").
  void ShowTab(const std::string& key);

  QLabel* lblName = nullptr;
  QTabBar* TabStrip1 = nullptr;
  QPlainTextEdit* Credits = nullptr;
  QPushButton* btnClose = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  kz::LibraryLookup lookup_;
};

#pragma once
// JvFileDialog: the file dialog control the editor windows place on their forms (as
// JvDialog). It shows the desktop's open/save dialog (through platform::Ui) and goes on
// in the catalog browser (frmCATDialog) whenever the path is a catalog path or the file
// chosen is a ".cat" catalog, so one call may end with a plain path or with
// "<catalog>::<inner path>". The control shows nothing of its own.
#include <QWidget>
#include <cstdint>
#include <string>

class JvFileDialog : public QWidget {
  Q_OBJECT
 public:
  explicit JvFileDialog(QWidget* parent = nullptr);

  std::string filter;        // "description|pattern;pattern|..."
  int32_t FilterIndex = 1;   // 1-based
  std::string InitDir;
  std::string FileName;      // in: the start path; out: the choice
  std::string DialogTitle;   // "Open" / "Save" when empty
  bool ModalResult = false;  // true when the last call ended with a choice

  // Ends with a choice, or throws AppError 32755 "Cancel was pressed" (any other error
  // on the way is shown first). Callers end silently on 32755.
  void ShowOpen();
  // Ends with a choice (ModalResult true) or returns with ModalResult false.
  void ShowSave();

 private:
  // How one step of a call in the catalog browser ended.
  enum class Step { Chosen, PlainDialog, Cancelled, Gone };
  // Browses the catalog of FileName (save: for a name to save as, with the caller's
  // filters); takes the choice, or after "Close Catalog" goes back to the catalog's folder.
  // Gone: the form holding this control went while the browser ran, and so did this
  // control; nothing of it may be touched after that.
  Step BrowseCatalog(bool save, int32_t filterIndex);
  // The desktop's dialog; false on Cancel.
  bool PlainDialog(bool save, int32_t filterIndex, std::string& fileName, int32_t& chosenIndex);
  QWidget* Owner();
};

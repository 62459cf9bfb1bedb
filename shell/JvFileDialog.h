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
  QWidget* Owner();
};

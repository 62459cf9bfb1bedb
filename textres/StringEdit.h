#pragma once
// frmStringEdit, "Text": edits one string of a page (its ID and raw text) with a
// preview of the processed text, straight on the game object library's objects.
//
// The raw text is kept as the library gave it: unless the text box was edited, OK
// writes it back byte for byte (line ends, no-break spaces and bytes that are not
// UTF-8 included). Ctrl+Enter presses OK; plain Enter is a line end in the text.
#include <QDialog>
#include <cstdint>
#include <string>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabBar;

class frmStringEdit : public QDialog {
  Q_OBJECT
 public:
  explicit frmStringEdit(QWidget* parent = nullptr);

  // 1 after a successful OK, 2 after Cancel.
  int32_t ModalResult = 0;
  // Set by OK: the ID or the raw text differ from what the string held.
  bool Dirty = false;

  // Shows the string modally; its ModalResult.
  int32_t ShowString(int32_t hPage, int32_t hString, QWidget* owner = nullptr);
  // Fills the dialog without showing it (ShowString does this first).
  void Fill(int32_t hPage, int32_t hString);

  // The buttons' actions; OK returns whether the dialog closed.
  bool OK();
  void Cancel();
  // The tab view after the selected tab (1 "Raw text", 2 "Translated text").
  void RefreshTab();
  // The text OK would write.
  std::string CurrentText() const;

  QLineEdit* IDEdit = nullptr;
  QTabBar* MainTab = nullptr;
  QPlainTextEdit* TextEdit = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;

 private:
  std::string EditedText() const;
  void ShowInEdit(const std::string& text, bool readOnly);

  int32_t page_ = 0;
  int32_t string_ = 0;
  std::string raw_;           // the raw text being edited
  bool showingRaw_ = false;   // TextEdit shows raw_ (and may have been edited)
};

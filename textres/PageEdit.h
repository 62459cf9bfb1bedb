#pragma once
// frmPageEdit, "Page": edits one page (ID, title, description, voice flag) straight
// on the game object library's object.
#include <QDialog>
#include <cstdint>

class QCheckBox;
class QLineEdit;
class QPushButton;

class frmPageEdit : public QDialog {
  Q_OBJECT
 public:
  explicit frmPageEdit(QWidget* parent = nullptr);

  // 1 after a successful OK, 2 after Cancel.
  int32_t ModalResult = 0;
  // Set by OK: a value differs from what the page held.
  bool Dirty = false;

  // Shows the page of the document modally; its ModalResult.
  int32_t ShowPage(int32_t hDocument, int32_t hPage, QWidget* owner = nullptr);
  // Fills the dialog; OK refuses an ID another page of the document (when given) holds.
  void Fill(int32_t hPage, int32_t hDocument = 0);

  bool OK();
  void Cancel();

  QLineEdit* IDEdit = nullptr;
  QLineEdit* TitleEdit = nullptr;
  QLineEdit* DescEdit = nullptr;
  QCheckBox* chkVoice = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;

 private:
  int32_t page_ = 0;
  int32_t document_ = 0;
};

#pragma once
// frmEdit, the modal dialog "Value Edit": edits one value of a record, either the field
// at a given index (ShowProperty) or the record's ID (ShowName). It does not know the
// record's kind: captions, value types, units, display texts and pick lists come from
// the editor page it is given (none: the raw value is edited). The accepted value is
// written into the record itself; the caller reads ModalResult (1 OK, 2 Cancel, 0
// neither).
//
// A text the user did not change is not written back: the record keeps its value
// exactly as it was, whatever its display form. A pick list starts on the entry that
// shows the stored value; the value of a chosen entry is the page's for that entry
// (never its place in the list), so of entries that share a text the chosen one counts.
#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

#include "core/Variant.h"
#include "txteditor/TypeFileRefs.h"

class EditorPage;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmEdit : public QDialog {
  Q_OBJECT

 public:
  explicit frmEdit(QWidget* parent = nullptr);
  ~frmEdit() override;

  // True skips the "/" check (False after the dialog is made).
  bool AllowSlash = false;
  // 1 after OK, 2 after Cancel, 0 when neither happened.
  int32_t ModalResult = 0;

  // Edits field `index` (0-based) of `record`, asking `page` (may be null) for its
  // caption, kind and translations. `otype` is the caller's type code. Shown modal
  // unless `modal` is False.
  void ShowProperty(EditorPage* page, TXTObjectRef record, int32_t otype, int32_t index, bool modal = true,
                    QWidget* owner = nullptr);
  // Edits the record's ID, which must stay unique (without regard to case) among
  // `records`. Always shown modal.
  void ShowName(TXTObjectRef record, std::vector<TXTObjectRef> records, bool modal = true,
                QWidget* owner = nullptr);

  // The buttons' actions (also reached by clicking them).
  void OK();
  void Cancel();

  // Controls.
  QLineEdit* PropNameEdit = nullptr;
  QLabel* lblValue = nullptr;
  QComboBox* cmbValue = nullptr;
  QCheckBox* chkTranslatedValue = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void RefreshValue();
  // The pick-list entry that shows the stored value: of the entries with the shown
  // text, the one the page translates back to that value, else the first (-1: none).
  int FindShownEntry();
  // The stored value of pick-list entry `entry` (a position in cmbValue), as the page
  // translates it.
  bool EntryValue(int entry, kz::Variant& value);
  void OKProperty();
  void OKName();
  bool TextCheck(const std::string& text);
  // False (with the writer's reason shown) for a value the type file cannot hold.
  bool WritableCheck(const kz::Variant& value);
  // Focus on the value box with its whole text selected.
  void SelectValue();
  void InvalidValue(int32_t kind);
  void SetValueText(const std::string& text);
  std::string ValueText() const;
  void Present(bool modal, QWidget* owner);
  void Finish(int32_t result);

  EditorPage* page_ = nullptr;
  TXTObjectRef record_;
  int32_t index_ = 0;
  bool nameMode_ = false;
  std::vector<TXTObjectRef> records_;
  int32_t kind_ = 0;       // 0 none, 1 number with unit, 2 pick list
  int32_t valueType_ = 2;  // 0 whole number, 1 number with fraction, 2 text
  std::string shownText_;  // the text the dialog last put into cmbValue
  int shownEntry_ = -1;    // the pick-list entry that shows the stored value (-1: none)
};

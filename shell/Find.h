#pragma once
// frmFind: the find dialog of the type-file editor, the galaxy editor and the text
// resource editor. It does no searching itself: each owner keeps its own instance,
// does the search in its OnFindNext handler and may keep any value in the tag between
// two presses of "Find Next".
#include <QDialog>
#include <functional>
#include <string>

#include "core/Variant.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmFind : public QDialog {
  Q_OBJECT
 public:
  // wholeWords, byID, the find text, the owner's tag, and found (false on entry; the
  // handler sets it when it found something). The handler may change text and tag.
  using FindNextHandler =
      std::function<void(bool wholeWords, bool byID, std::string& findText, kz::Variant& tag, bool& found)>;

  explicit frmFind(QWidget* parent = nullptr);

  // Shows the dialog with `text` in the find box (compare options hidden).
  void ShowFind(const std::string& text, bool modal = false, QWidget* owner = nullptr);
  // The same with the "ID"/"Text" choice shown; the text-resource mode stays on.
  void ShowFindResEditor(const std::string& text, bool modal = false, QWidget* owner = nullptr);

  std::string FindString() const;
  void ClearTag();
  const kz::Variant& Tag() const { return tag_; }
  void SetCaption(const std::string& caption);
  bool ResEditorMode() const { return resMode_; }

  // Events, raised synchronously: OnFindNext at "Find Next", OnClose at "Close" (and at
  // the window's close box) before the dialog goes away.
  FindNextHandler OnFindNext;
  std::function<void()> OnClose;

  // The actions behind the buttons (also reached by clicking them).
  void FindNext();
  void CloseFind();

  QLabel* Label1 = nullptr;
  QLineEdit* FindEdit = nullptr;
  QGroupBox* Frame1 = nullptr;
  QCheckBox* chkWholeWords = nullptr;
  QLabel* lblIDText = nullptr;
  QRadioButton* rbIDText[2] = {nullptr, nullptr};  // 0 "ID", 1 "Text"
  QPushButton* btnFindNext = nullptr;
  QPushButton* btnCancel = nullptr;

 protected:
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Show(const std::string& text, bool modal, QWidget* owner);
  void ApplyOptionRule();

  kz::Variant tag_;
  bool resMode_ = false;
  bool closing_ = false;
};

#pragma once
// frmText: a plain window that shows a long report text (a validation report, the
// galaxy editor's messages) in one multi-line box with an OK button under it. The
// whole program shares one instance, frmText::Default().
#include <QDialog>
#include <QPointer>
#include <string>

class QPlainTextEdit;
class QPushButton;

class frmText : public QDialog {
  Q_OBJECT
 public:
  explicit frmText(QWidget* parent = nullptr);

  // The shared instance; created again after the window was unloaded by OK.
  static frmText& Default();

  // Sets the caption and shows the window; modal runs it until it is closed. With an
  // owner the window stays above it.
  void MyShow(const std::string& caption, bool modal = false, QWidget* owner = nullptr);

  std::string Text() const;
  void SetText(const std::string& text);
  // Appends s as it is (the caller adds the line breaks it wants).
  void AddText(const std::string& s);

  QPlainTextEdit* txt = nullptr;
  QPushButton* btnOK = nullptr;

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  void LayOut();
};

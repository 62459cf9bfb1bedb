#pragma once
// ShipPartDialog, what the turret and gun dialogs share: the result the caller reads
// (ModalResult: 1 OK, 2 Cancel, 0 closed), Escape taken as Cancel, a box's whole text
// selected when it takes the focus, read-only boxes shown as such and out of the focus
// order, and showing the dialog over its owner with the focus in its first editable box.
#include <QDialog>

#include <cstdint>

class QLineEdit;

class ShipPartDialog : public QDialog {
  Q_OBJECT

 public:
  using QDialog::QDialog;

  int32_t ModalResult = 0;

  void Cancel();
  // A box that only shows a value: read-only, greyed like the dialog, never focused.
  static void ShowReadOnly(QLineEdit* box);

 protected:
  // Closes the dialog as OK.
  void CloseWithOK();
  // Shows the dialog with the focus in `first` (its first box that takes a value).
  void Present(bool modal, QWidget* owner, QWidget* first);

  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* e) override;
};

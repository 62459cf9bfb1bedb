#pragma once
// ShipPartDialog, what the turret and gun dialogs share: the result the caller reads
// (ModalResult: 1 OK, 2 Cancel, 0 closed), Escape taken as Cancel, a box's whole text
// selected when it takes the focus, and showing the dialog over its owner.
#include <QDialog>

#include <cstdint>

class ShipPartDialog : public QDialog {
  Q_OBJECT

 public:
  using QDialog::QDialog;

  int32_t ModalResult = 0;

  void Cancel();

 protected:
  // Closes the dialog as OK.
  void CloseWithOK();
  void Present(bool modal, QWidget* owner);

  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* e) override;
};

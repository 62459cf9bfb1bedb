#pragma once
// Pieces the program's small OK/Cancel dialogs share.
class QDialog;
class QHBoxLayout;
class QPushButton;
class QWidget;

namespace kz {

// Makes the dialog's "OK" (the default button) and "Cancel" buttons, named btnOK and
// btnCancel, and returns them right-aligned in a row for the caller's layout.
QHBoxLayout* MakeOkCancelRow(QWidget* dialog, QPushButton*& ok, QPushButton*& cancel);

// Shows the dialog over owner (moving it there first when owner is given): modal runs it
// to its end; otherwise it is shown modeless and the call returns at once.
void PresentDialog(QDialog* dialog, bool modal, QWidget* owner);

}  // namespace kz

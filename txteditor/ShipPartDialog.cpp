#include "txteditor/ShipPartDialog.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "core/ui/DialogUi.h"

void ShipPartDialog::Cancel() {
  ModalResult = 2;
  done(QDialog::Rejected);
}

void ShipPartDialog::CloseWithOK() {
  ModalResult = 1;
  done(QDialog::Accepted);
}

void ShipPartDialog::Present(bool modal, QWidget* owner) { kz::PresentDialog(this, modal, owner); }

bool ShipPartDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn)
    if (auto* box = qobject_cast<QLineEdit*>(watched)) box->selectAll();
  return QDialog::eventFilter(watched, event);
}

void ShipPartDialog::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    Cancel();
    return;
  }
  QDialog::keyPressEvent(e);
}

#include "txteditor/ShipPartDialog.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>

#include "core/ui/DialogUi.h"

void ShipPartDialog::Cancel() {
  ModalResult = 2;
  done(QDialog::Rejected);
}

void ShipPartDialog::CloseWithOK() {
  ModalResult = 1;
  done(QDialog::Accepted);
}

void ShipPartDialog::Present(bool modal, QWidget* owner, QWidget* first) {
  if (first) first->setFocus(Qt::OtherFocusReason);
  kz::PresentDialog(this, modal, owner);
}

void ShipPartDialog::ShowReadOnly(QLineEdit* box) {
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::NoFocus);
  QPalette palette = box->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    palette.setColor(group, QPalette::Base, palette.color(group, QPalette::Window));
  box->setPalette(palette);
}

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

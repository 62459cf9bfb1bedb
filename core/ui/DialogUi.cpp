#include "core/ui/DialogUi.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace kz {

QHBoxLayout* MakeOkCancelRow(QWidget* dialog, QPushButton*& ok, QPushButton*& cancel) {
  ok = new QPushButton("OK", dialog);
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  cancel = new QPushButton("Cancel", dialog);
  cancel->setObjectName("btnCancel");
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

void PresentDialog(QDialog* dialog, bool modal, QWidget* owner) {
  if (owner && dialog->parentWidget() != owner) dialog->setParent(owner, dialog->windowFlags() | Qt::Dialog);
  if (modal) {
    dialog->exec();
  } else {
    dialog->setModal(false);
    dialog->show();
  }
}

}  // namespace kz

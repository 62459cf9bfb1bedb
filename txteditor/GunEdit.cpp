#include "txteditor/GunEdit.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Common.h"
#include "core/ui/DialogUi.h"
#include "core/ui/GenericUi.h"
#include "platform/Ui.h"
#include "txteditor/DialogCheckUi.h"

namespace {
QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }

QLineEdit* Box(QWidget* parent, const QString& name, bool readOnly = false) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  if (readOnly) ShipPartDialog::ShowReadOnly(box);
  return box;
}
}  // namespace

frmGunEdit::frmGunEdit(QWidget* parent) : ShipPartDialog(parent) {
  setObjectName("frmGunEdit");
  setWindowTitle("Gun Edit");
  setModal(true);

  IndexEdit = Box(this, "IndexEdit", true);
  CountEdit = Box(this, "CountEdit");
  kz::SetNumbersOnly(CountEdit);
  auto* head = new QFormLayout;
  head->addRow("Gun Index", IndexEdit);
  head->addRow("Count", CountEdit);

  auto* top = new QVBoxLayout(this);
  top->addLayout(head);
  const char* frames[] = {"Primary", "Secondary"};
  for (int i = 0; i < 2; ++i) {
    auto* frame = new QGroupBox(frames[i], this);
    BodyIdEdit[i] = Box(frame, QString("BodyIdEdit_%1").arg(i));
    PathIdxEdit[i] = Box(frame, QString("PathIdxEdit_%1").arg(i));
    auto* form = new QFormLayout(frame);
    form->addRow("Body ID", BodyIdEdit[i]);
    form->addRow("Path index", PathIdxEdit[i]);
    top->addWidget(frame);
    BodyIdEdit[i]->installEventFilter(this);
    PathIdxEdit[i]->installEventFilter(this);
  }
  CountEdit->installEventFilter(this);

  top->addLayout(kz::MakeOkCancelRow(this, btnOK, btnCancel));

  connect(btnOK, &QPushButton::clicked, this, [this] { OK(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { Cancel(); });
}

frmGunEdit::~frmGunEdit() = default;

void frmGunEdit::ShowGun(GunPtr gun, GunGroupPtr group, bool modal, QWidget* owner) {
  gun_ = std::move(gun);
  group_ = std::move(group);
  newMode_ = false;
  try {
    IndexEdit->setText(QString::number(gun_->index()));
    CountEdit->setText(Q(kz::CStr(gun_->Value(1))));
    BodyIdEdit[0]->setText(Q(kz::CStr(gun_->Value(2))));
    PathIdxEdit[0]->setText(Q(kz::CStr(gun_->Value(3))));
    BodyIdEdit[1]->setText(Q(kz::CStr(gun_->Value(4))));
    PathIdxEdit[1]->setText(Q(kz::CStr(gun_->Value(5))));
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, kz::GetAppTitle(), owner);
    return;
  }
  Present(modal, owner, CountEdit);
}

void frmGunEdit::NewGun(GunGroupPtr group, bool modal, QWidget* owner) {
  gun_.reset();
  group_ = std::move(group);
  newMode_ = true;
  // A new gun has no index yet.
  IndexEdit->clear();
  Present(modal, owner, CountEdit);
}

void frmGunEdit::OK() {
  if (!group_) return;
  shippage::GunInput in{S(CountEdit->text()), S(BodyIdEdit[0]->text()), S(PathIdxEdit[0]->text()),
                        S(BodyIdEdit[1]->text()), S(PathIdxEdit[1]->text())};
  try {
    shippage::GunValues values;
    shippage::DialogCheck check = shippage::CheckGun(in, values);
    if (!shippage::PassesCheck(check, this)) return;
    gun_ = shippage::ApplyGun(*group_, newMode_ ? nullptr : gun_, values);
    newMode_ = false;
  } catch (const std::exception&) {
    kz::MsgInvalidValue("", 0);
    return;
  }
  CloseWithOK();
}

#include "txteditor/TurretEdit.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/ui/CommonUi.h"
#include "core/ui/DialogUi.h"
#include "core/ui/GenericUi.h"
#include "platform/Ui.h"
#include "txteditor/DialogCheckUi.h"
#include "typefiles/ShipTables.h"

namespace {
QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }

QLineEdit* Box(QWidget* parent, const char* name, bool readOnly = false) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  if (readOnly) ShipPartDialog::ShowReadOnly(box);
  return box;
}

// The item data of the combo's chosen entry: the current entry while its text is the
// box's text; -1 otherwise.
int32_t ChosenData(const QComboBox* combo) {
  const int i = combo->currentIndex();
  if (i < 0 || combo->itemText(i) != combo->currentText()) return -1;
  return combo->itemData(i).toInt();
}
}  // namespace

frmTurretEdit::frmTurretEdit(QWidget* parent) : ShipPartDialog(parent) {
  setObjectName("frmTurretEdit");
  setWindowTitle("Turret Edit");
  setModal(true);

  auto* data = new QGroupBox("Turret data", this);
  IndexEdit = Box(data, "IndexEdit", true);
  TurIdxEdit = Box(data, "TurIdxEdit", true);
  BodyIDEdit = Box(data, "BodyIDEdit");
  PathEdit = Box(data, "PathEdit");
  auto* dataForm = new QFormLayout(data);
  dataForm->addRow("Index", IndexEdit);
  dataForm->addRow("Turret Index", TurIdxEdit);
  dataForm->addRow("Body ID", BodyIDEdit);
  dataForm->addRow("Path index", PathEdit);

  auto* descriptor = new QGroupBox("Turret Descriptor", this);
  cmbTType = new QComboBox(descriptor);
  cmbTType->setObjectName("cmbTType");
  cmbTType->setEditable(true);
  cmbTType->setInsertPolicy(QComboBox::NoInsert);
  cmbPosition = new QComboBox(descriptor);
  cmbPosition->setObjectName("cmbPosition");
  cmbPosition->setEditable(true);
  cmbPosition->setInsertPolicy(QComboBox::NoInsert);
  auto* descForm = new QFormLayout(descriptor);
  descForm->addRow("Turret type", cmbTType);
  descForm->addRow("Position", cmbPosition);

  QHBoxLayout* buttons = kz::MakeOkCancelRow(this, btnOK, btnCancel);
  auto* top = new QVBoxLayout(this);
  top->addWidget(data);
  top->addWidget(descriptor);
  top->addLayout(buttons);

  connect(btnOK, &QPushButton::clicked, this, [this] { OK(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { Cancel(); });
  for (QLineEdit* b : {BodyIDEdit, PathEdit}) b->installEventFilter(this);
}

frmTurretEdit::~frmTurretEdit() = default;

void frmTurretEdit::FillLists(const std::shared_ptr<clsCockpitParser>& cockpits) {
  if (kz::TurretPositionNames.Empty()) kz::InitShipTables();
  kz::FillCombo(cmbPosition, kz::TurretPositionNames);
  cmbTType->clear();
  if (cockpits)
    for (const CockpitPtr& c : cockpits->Cockpits) cmbTType->addItem(Q(c->Object->ObjectName()), c->Object->index);
}

void frmTurretEdit::ShowTurret(TurretPtr turret, ShipPtr ship, std::shared_ptr<clsCockpitParser> cockpits, bool modal,
                               QWidget* owner) {
  turret_ = std::move(turret);
  ship_ = std::move(ship);
  newMode_ = false;
  FillLists(cockpits);
  try {
    IndexEdit->setText(QString::number(turret_->index()));
    TurIdxEdit->setText(Q(kz::CStr(turret_->Value(1))));
    PathEdit->setText(Q(kz::CStr(turret_->Value(3))));
    BodyIDEdit->setText(Q(turret_->BodyID()));
    const bool real = turret_->IsTurret();
    cmbPosition->setCurrentIndex(-1);
    cmbTType->setCurrentIndex(-1);
    if (real) {
      try {
        // The type: the entry of that file position, else the stored number.
        const int32_t type = turret_->DescriptorValue(0);
        if (!kz::SelectComboByItemData(cmbTType, type)) cmbTType->setEditText(QString::number(type));
        // The position: its entry, else the stored number (a number outside the table
        // reads back as itself).
        const int32_t position = turret_->Position();
        if (!kz::SelectComboByItemData(cmbPosition, position)) cmbPosition->setEditText(QString::number(position));
      } catch (const kz::AppError&) {
        // A turret numbered outside 2..7 has no descriptor to show.
        cmbTType->setEditText("");
        cmbPosition->setEditText("");
      }
    } else {
      cmbPosition->setEditText(Q(turret_->PositionName()));
      cmbTType->setEditText("");
    }
    cmbTType->setEnabled(real);
    cmbPosition->setEnabled(real);
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, kz::GetAppTitle(), owner);
    return;
  }
  Present(modal, owner, BodyIDEdit);
}

void frmTurretEdit::NewTurret(ShipPtr ship, std::shared_ptr<clsCockpitParser> cockpits, bool modal, QWidget* owner) {
  turret_.reset();
  ship_ = std::move(ship);
  newMode_ = true;
  FillLists(cockpits);
  cmbTType->setCurrentIndex(-1);
  cmbPosition->setCurrentIndex(-1);
  // A new turret gets its numbers when it is made.
  IndexEdit->clear();
  TurIdxEdit->clear();
  Present(modal, owner, BodyIDEdit);
}

void frmTurretEdit::OK() {
  if (!ship_) return;
  shippage::TurretInput in;
  in.path = S(PathEdit->text());
  in.body = S(BodyIDEdit->text());
  in.position = S(cmbPosition->currentText());
  in.typeText = S(cmbTType->currentText());
  in.selectedType = ChosenData(cmbTType);
  for (int i = 0; i < cmbTType->count(); ++i) in.typeEntries.emplace_back(S(cmbTType->itemText(i)), cmbTType->itemData(i).toInt());
  try {
    in.checkDescriptor = newMode_ || turret_->IsTurret();
    shippage::TurretValues values;
    shippage::DialogCheck check = shippage::CheckTurret(in, values);
    if (!shippage::PassesCheck(check, this)) return;
    turret_ = shippage::ApplyTurret(*ship_, newMode_ ? nullptr : turret_, values);
    newMode_ = false;
  } catch (const std::exception&) {
    kz::MsgInvalidValue("", 0);
    return;
  }
  CloseWithOK();
}

#pragma once
// frmTurretEdit, the modal dialog "Turret Edit": one turret entry of a ship with its
// descriptor (type and position), or a new turret. Every value is checked and converted
// before the turret is created or changed; the caller reads ModalResult (1 OK, 2 Cancel,
// 0 closed).
#include "txteditor/ShipPartDialog.h"

#include <cstdint>
#include <memory>

#include "typefiles/CockpitParser.h"
#include "typefiles/Ship.h"
#include "typefiles/Turret.h"

class QComboBox;
class QLineEdit;
class QPushButton;

class frmTurretEdit : public ShipPartDialog {
  Q_OBJECT

 public:
  explicit frmTurretEdit(QWidget* parent = nullptr);
  ~frmTurretEdit() override;

  // Edit mode: the dialog shows the turret's values.
  void ShowTurret(TurretPtr turret, ShipPtr ship, std::shared_ptr<clsCockpitParser> cockpits, bool modal = true,
                  QWidget* owner = nullptr);
  // New mode: OK creates the turret (a new turret entry and its gun group).
  void NewTurret(ShipPtr ship, std::shared_ptr<clsCockpitParser> cockpits, bool modal = true,
                 QWidget* owner = nullptr);
  // The turret edited or created (null before a new one was created).
  const TurretPtr& Turret() const { return turret_; }

  void OK();

  QLineEdit* IndexEdit = nullptr;
  QLineEdit* TurIdxEdit = nullptr;
  QLineEdit* BodyIDEdit = nullptr;
  QLineEdit* PathEdit = nullptr;
  QComboBox* cmbTType = nullptr;
  QComboBox* cmbPosition = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

 private:
  void FillLists(const std::shared_ptr<clsCockpitParser>& cockpits);

  TurretPtr turret_;
  ShipPtr ship_;
  bool newMode_ = false;
};

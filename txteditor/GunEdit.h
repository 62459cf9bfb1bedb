#pragma once
// frmGunEdit, the modal dialog "Gun Edit": one gun of a gun group (count, primary and
// secondary body and path), or a new gun. Every value is checked and converted before
// the gun is created or changed; the caller reads ModalResult (1 OK, 2 Cancel, 0 closed).
#include "txteditor/ShipPartDialog.h"

#include <array>
#include <cstdint>

#include "typefiles/Gun.h"
#include "typefiles/GunGroup.h"

class QLineEdit;
class QPushButton;

class frmGunEdit : public ShipPartDialog {
  Q_OBJECT

 public:
  explicit frmGunEdit(QWidget* parent = nullptr);
  ~frmGunEdit() override;

  // Edit mode: the boxes show the gun's values.
  void ShowGun(GunPtr gun, GunGroupPtr group, bool modal = true, QWidget* owner = nullptr);
  // New mode: OK appends a gun to the group.
  void NewGun(GunGroupPtr group, bool modal = true, QWidget* owner = nullptr);
  const GunPtr& Gun() const { return gun_; }

  void OK();

  QLineEdit* IndexEdit = nullptr;
  QLineEdit* CountEdit = nullptr;
  std::array<QLineEdit*, 2> BodyIdEdit{};
  std::array<QLineEdit*, 2> PathIdxEdit{};
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

 private:
  GunPtr gun_;
  GunGroupPtr group_;
  bool newMode_ = false;
};

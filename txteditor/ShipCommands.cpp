// The ship page's editing operations: fields and the ID in the value dialog, turrets
// and guns in their dialogs, lasers and missiles by their masks, the model viewer, the
// toolbar, list keys and the export.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTreeWidget>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "core/Outside.h"
#include "core/ui/CommonUi.h"
#include "core/ui/GenericUi.h"
#include "platform/Ui.h"
#include "shell/EditorFiles.h"
#include "shell/JvFileDialog.h"
#include "txteditor/Edit.h"
#include "txteditor/GunEdit.h"
#include "txteditor/Ship.h"
#include "txteditor/TurretEdit.h"
#include "txteditor/model/ExportTarget.h"
#include "txteditor/model/ShipExport.h"

namespace {
std::string S(const QString& s) { return s.toUtf8().toStdString(); }

QTreeWidgetItem* SelectedItem(QTreeWidget* list) {
  QTreeWidgetItem* item = list->currentItem();
  if (item && item->isSelected()) return item;
  auto selected = list->selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}
}  // namespace

// ---- fields ------------------------------------------------------------------------------

bool ucShip::EditField(int32_t index) {
  const bool countField = shippage::IsCountField(*ship_, index);
  if (countField &&
      Msg(shippage::kCountFieldWarning, platform::vbYesNo | platform::vbExclamation | platform::vbDefaultButton2) !=
          platform::vbYes)
    return false;
  frmEdit dialog(window());
  dialog.ShowProperty(this, ship_->Object, 1, index, true, window());
  const bool accepted = dialog.ModalResult == 1;
  // The cargo rule, whatever the dialog's result; a change it makes is a change.
  const std::string cargo = shippage::ApplyCargoRule(*ship_->Object, index);
  if (!cargo.empty()) Msg(cargo, platform::vbInformation);
  if (accepted && countField) ReloadObjects();
  return accepted || !cargo.empty();
}

void ucShip::ReloadObjects() {
  // The counts were edited by hand: the turret and gun objects follow the record again.
  CurrentTurret.reset();
  CurrentGunGroup.reset();
  CurrentGun.reset();
  objectsError_.clear();
  if (!ship_->LoadObjects()) objectsError_ = ship_->GetLastError();
}

bool ucShip::ObjectsUsable() {
  std::string why = objectsError_;
  // A record whose data does not add up (a damaged file, counts edited by hand) keeps
  // its turrets and guns as they are: the model refuses to move them. A gun count that
  // disagrees alone is mended by the next turret or gun edit.
  if (why.empty() && !ship_->Validate() && ship_->GetLastError().rfind("Calculated gun count", 0) != 0)
    why = ship_->GetLastError();
  if (why.empty()) return true;
  Msg("The turrets and guns of this ship cannot be edited:\r\n" + why, platform::vbExclamation);
  return false;
}

void ucShip::EditSelectedRow(QTreeWidget* list) {
  QTreeWidgetItem* item = SelectedItem(list);
  if (!item || readOnly_) return;
  const std::string tag = S(item->data(0, kz::kItemDataRole).toString());
  bool changed = false;
  if (tag == "name") {
    frmEdit dialog(window());
    std::vector<TXTObjectRef> records;
    for (const ShipPtr& s : ships_->Ships) records.push_back(s->Object);
    dialog.ShowName(ship_->Object, records, true, window());
    changed = dialog.ModalResult == 1;
  } else {
    double d = 0;
    if (tag.empty() || !kz::TryParseNumber(tag, d)) return;
    changed = EditField(kz::round32(d));
  }
  if (changed) {
    RefreshAll();
    Changed();
  }
}

// ---- turrets and guns ----------------------------------------------------------------------

void ucShip::EditCurrentTurret() {
  if (!CurrentTurret || !ObjectsUsable()) return;
  frmTurretEdit dialog(window());
  dialog.ShowTurret(CurrentTurret, ship_, support_.Cockpits, true, window());
  if (dialog.ModalResult != 2) {
    ShowTurrets();
    Changed();
  }
}

void ucShip::EditCurrentGun() {
  if (!CurrentGun || !ObjectsUsable()) return;
  frmGunEdit dialog(window());
  dialog.ShowGun(CurrentGun, CurrentGunGroup, true, window());
  if (dialog.ModalResult != 2) {
    ShowGunGroups();
    ShowGuns(CurrentGunGroup);
    RefreshProperties();
    Changed();
  }
}

void ucShip::AddTurret() {
  if (noShip_ || !ObjectsUsable()) return;
  if (ship_->Turrets.Count() < clsShip::kMaxTurretEntries) {
    frmTurretEdit dialog(window());
    dialog.NewTurret(ship_, support_.Cockpits, true, window());
    if (dialog.ModalResult != 2) {
      Changed();
      RefreshAll();
    }
  } else {
    Msg(shippage::MaxTurretsMessage(), platform::vbInformation);
  }
}

void ucShip::AddGun() {
  if (CurrentGunGroup) {
    if (!ObjectsUsable()) return;
    frmGunEdit dialog(window());
    dialog.NewGun(CurrentGunGroup, true, window());
    if (dialog.ModalResult != 2) {
      Changed();
      ShowGunGroups();
      ShowGuns(CurrentGunGroup);
      RefreshProperties();
    }
  } else if (ship_->Turrets.Empty()) {
    Msg(shippage::kNoTurretsMessage, platform::vbInformation);
  }
}

void ucShip::RemoveCurrentTurret() {
  if (!CurrentTurret || !ObjectsUsable()) return;
  if (ship_->GetTurretIndex(CurrentTurret) < ship_->Turrets.Count()) {
    Msg(shippage::kLastTurretOnly, platform::vbExclamation);
    return;
  }
  if (Msg(shippage::RemoveTurretQuestion(*CurrentTurret), platform::vbYesNo | platform::vbQuestion) != platform::vbYes)
    return;
  if (!ship_->RemoveTurret(CurrentTurret)) Msg(ship_->GetLastError(), platform::vbCritical);
  Changed();
  RefreshAll();
}

void ucShip::RemoveCurrentGun() {
  if (!CurrentGun || !CurrentGunGroup || !ObjectsUsable()) return;
  if (CurrentGunGroup->GetGunIndex(CurrentGun) < CurrentGunGroup->Guns.Count()) {
    Msg(shippage::kLastGunOnly, platform::vbExclamation);
    return;
  }
  if (Msg(shippage::RemoveGunQuestion(*CurrentGun), platform::vbYesNo | platform::vbQuestion) != platform::vbYes)
    return;
  GunGroupPtr group = CurrentGunGroup;
  group->RemoveGun(CurrentGun);
  ShowGunGroups();
  SetCurrentGunGroup(group);
  RefreshProperties();
  Changed();
}

// ---- lasers and missiles ---------------------------------------------------------------------

void ucShip::MoveMaskRow(bool add, int32_t field) {
  if (readOnly_) return;
  const bool lasers = field == shippage::kFieldLasers;
  QTreeWidget* installed = lasers ? LaserView : MslView;
  QTreeWidget* available = lasers ? AvailLasView : AvailMslView;
  const TxtParserRef& records = lasers ? support_.Lasers : support_.Missiles;
  QTreeWidget* from = add ? available : installed;
  QTreeWidget* to = add ? installed : available;
  QTreeWidgetItem* item = SelectedItem(from);
  if (!item) return;
  TXTObjectPtr record = records->FindKey(S(kz::ItemKey(item)));
  if (!record) return;
  if (!shippage::ChangeMask(*ship_->Object, field, record->index, add)) return;
  kz::RemoveListItemByKey(from, record->key());
  auto* row = new QTreeWidgetItem(to, {QString::number(record->index),
                                       QString::fromStdString(shippage::MaskRecordName(*record))});
  kz::SetItemKey(row, record->key());
  RefreshProperties();
  Changed();
}

void ucShip::AddLaser() { MoveMaskRow(true, shippage::kFieldLasers); }
void ucShip::RemoveLaser() { MoveMaskRow(false, shippage::kFieldLasers); }
void ucShip::AddMissile() { MoveMaskRow(true, shippage::kFieldMissiles); }
void ucShip::RemoveMissile() { MoveMaskRow(false, shippage::kFieldMissiles); }

// ---- toolbar, keys, model viewer -------------------------------------------------------------

void ucShip::ShowShipModel(int32_t field) {
  if (noShip_ || field >= ship_->size()) return;
  kz::OpenObjectModel(ship_->Value(field), field != 0, 1, ship_->Object->GetObjectTData(), window());
}

void ucShip::ToolbarClick(const std::string& key) {
  try {
    if (key == "newturret")
      AddTurret();
    else if (key == "newgun")
      AddGun();
    else if (key == "delturret")
      RemoveCurrentTurret();
    else if (key == "delgun")
      RemoveCurrentGun();
    else if (key == "showbody")
      ShowShipModel(0);
    else if (key == "showmodel")
      ShowShipModel(16);
    else if (key == "showcockpit")
      ShowShipModel(17);
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

void ucShip::ListKeyDown(QTreeWidget* list, int key, Qt::KeyboardModifiers modifiers) {
  const bool property = list == InfoView || list == PerformanceView || list == ModelView || list == WeaponView;
  try {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (property)
        EditSelectedRow(list);
      else if (list == TurView)
        EditCurrentTurret();
      else if (list == GunView)
        EditCurrentGun();
    } else if (key == Qt::Key_Insert && (modifiers & Qt::ControlModifier) && property) {
      if (QTreeWidgetItem* item = SelectedItem(list)) {
        QApplication::clipboard()->clear();
        QApplication::clipboard()->setText(item->text(1));
      }
    }
  } catch (const std::exception&) {
  }
}

// ---- export ----------------------------------------------------------------------------------

bool ucShip::KzExportData(JvFileDialog* dialog) {
  try {
    dialog->DialogTitle = shippage::kExportTitle;
    dialog->filter = shippage::kExportFilter;
    // A file of its own beside the ship file, never the ship file itself.
    dialog->FileName = exports::ExportFileName(parser_ ? parser_->FileName : std::string());
    dialog->ShowSave();
    if (!dialog->ModalResult) return false;
    const std::string path = dialog->FileName;
    const std::string refusal = exports::ExportTargetRefusal(path, kz::FilesOpenInEditors());
    if (!refusal.empty()) {
      Msg(refusal, platform::vbExclamation);
      return false;
    }
    if (!kz::ConfirmOverwrite(path)) return false;
    std::string error;
    clsTxtParser none;
    switch (shippage::WriteShipExport(path, dialog->FilterIndex, parser_ ? *parser_ : none, *ship_->Object,
                                      ship_.get(), support_, error)) {
      case shippage::ExportResult::Done: break;
      case shippage::ExportResult::OpenFailed: Msg(error, platform::vbCritical); break;
      case shippage::ExportResult::Failed: Msg(shippage::kExportError + error, platform::vbCritical); break;
    }
  } catch (const kz::AppError& e) {
    if (e.Number != kz::kErrCancel) Msg(shippage::kExportError + e.Description, platform::vbCritical);
  } catch (const std::exception& e) {
    Msg(std::string(shippage::kExportError) + e.what(), platform::vbCritical);
  }
  return false;
}

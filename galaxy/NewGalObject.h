#pragma once
// frmNewGalObject, "New Object": the small modal dialog in which the type and subtype of
// a galaxy object about to be added are chosen. The caller has made the object; the
// dialog sets its `t` and `s` when OK is pressed, and the caller reads ModalResult to
// decide whether to add it. One dialog serves the process: loaded once and hidden, not
// destroyed, after each use (Default()).
#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAbstractListModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class clsGalaxyObject;
class clsGalaxyParser;

class frmNewGalObject : public QDialog {
  Q_OBJECT

 public:
  explicit frmNewGalObject(QWidget* parent = nullptr);

  // The one dialog of the process.
  static frmNewGalObject& Default();

  // 1 after OK, 2 after Cancel; not reset when the dialog opens.
  int32_t ModalResult = 0;

  // A new sector: the type box shows "Sector" and cannot be changed.
  void NewSector(std::shared_ptr<clsGalaxyParser> parser, std::shared_ptr<clsGalaxyObject> obj, bool modal = true,
                 QWidget* owner = nullptr);
  // A new object inside a sector; limitTypes leaves out sector, background and groups.
  void NewObject(std::shared_ptr<clsGalaxyParser> parser, std::shared_ptr<clsGalaxyObject> obj, bool limitTypes,
                 bool modal = true, QWidget* owner = nullptr);

  // Refills the subtype controls for the chosen type.
  void FillSubtypes();
  // OK: checks the choice, sets the object's type and subtype and hides the dialog.
  void AcceptDialog();
  // Cancel.
  void CancelDialog();

  // Sets the subtype list's drop-down width to its widest entry (done when it opens).
  void FitSubtypeDropWidth();
  // Item data of a subtype entry (the record's position, or the group number).
  int32_t SubtypeItemData(int index) const;

  QLabel* Label1 = nullptr;
  QComboBox* cmbType = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* cmbSubtype = nullptr;
  QLineEdit* SubtypeEdit = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

 private:
  void FillAllTypes();
  void Run(bool modal, QWidget* owner);

  std::shared_ptr<clsGalaxyParser> parser_;
  std::shared_ptr<clsGalaxyObject> obj_;
  std::vector<std::string> SubtypeIDs;
  std::vector<int32_t> subtypeData_;
  bool dropWidthFitted_ = true;
  QAbstractListModel* subtypeModel_ = nullptr;
};

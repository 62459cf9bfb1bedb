#pragma once
// ucShip, the editor page of ship files (type 1), child control "ShipEdit" of the
// type-file editor window. Nine tabs show a ship record: its info, performance, model
// and weapon fields as property lists, its turrets with their cockpits, its gun groups
// with their guns, the lasers and missiles its masks allow, and its ware list. Fields
// are edited in the value dialog, turrets and guns in their own dialogs, lasers and
// missiles by moving them between the compatible and the available lists.
//
// The rules (value translation, names, figures, rows, checks, exports) are plain
// functions in txteditor/model; this class holds the controls and the state.
#include <QPointer>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/Variant.h"
#include "txteditor/EditorPage.h"
#include "txteditor/model/ShipFigures.h"
#include "txteditor/model/ShipValues.h"
#include "typefiles/Ship.h"
#include "typefiles/ShipParser.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class WareListViewerBase;

class ucShip : public EditorPage {
  Q_OBJECT

 public:
  explicit ucShip(QWidget* parent = nullptr);
  ~ucShip() override;

  // --- host members -----------------------------------------------------------------
  bool JvQueryInterfaceEx(int32_t& type) override;
  bool JvQueryInterface(int32_t type) override;
  std::string GetLastError() override;
  std::string PageName(int32_t& type) override;
  int32_t JvQueryInfo(int32_t& type) override;
  bool Validate(std::string& errorText) override;
  std::string ObjectTypeName(int32_t& type) override;
  std::string ObjectName(TXTObjectRef& record) override;
  std::string GetResourceName(TXTObjectRef& record) override;
  std::string GetRace(TXTObjectRef& record) override;
  std::string GetClass(TXTObjectRef& record) override;
  void ShowObject(TXTObjectRef& record, int32_t& type) override;
  TXTObjectRef CreateObject(int32_t& type, TxtParserRef& parser, TXTObjectRef before) override;
  void InitObject(TXTObjectRef& record) override;
  void JvAssignUniqueObjectName(TXTObjectRef& record) override;
  bool RemoveObject(TXTObjectRef& record) override;
  bool KzExportData(JvFileDialog* dialog) override;

  // --- value description --------------------------------------------------------------
  std::string JvGetPropertyName(TXTObjectRef& record, int32_t& index) override;
  int32_t JvSupportValueTranslate(TXTObjectRef& record, int32_t& index) override;
  int32_t JvGetValueType(TXTObjectRef& record, int32_t& index) override;
  std::string JvGetValueUnit(TXTObjectRef& record, int32_t& index) override;
  kz::NameTable JvGetPropertyValues(TXTObjectRef& record, int32_t& index) override;
  bool JvTranslateValue(TXTObjectRef& record, int32_t& index, std::string& text, bool forEdit) override;
  bool JvTranslateValueBack(TXTObjectRef& record, const std::string& text, int32_t& index,
                            kz::Variant& value) override;
  bool JvTranslateEntryBack(TXTObjectRef& record, int32_t& index, int32_t entry, const std::string& text,
                            kz::Variant& value) override;

  bool ReadOnly() override { return readOnly_; }
  void SetReadOnly(bool value) override;

  // --- views ----------------------------------------------------------------------------
  void RefreshAll();
  void RefreshProperties();
  void ShowTurrets();
  void ShowGunGroups();
  void ShowGuns(const GunGroupPtr& group);
  void ShowLasers();
  void ShowMissiles();
  void ShowWareListField();
  // With null: the list's selected item (the first when none is selected).
  void SelectTurret(QTreeWidgetItem* item);
  void SelectGunGroup(QTreeWidgetItem* item);
  void SelectGun(QTreeWidgetItem* item);
  void SetCurrentGunGroup(const GunGroupPtr& group);
  void SetupToolbar();
  void SetupGunColumns();
  void ArrangeCurrentTab();

  // --- commands -------------------------------------------------------------------------
  bool EditField(int32_t index);
  void EditSelectedRow(QTreeWidget* list);
  void EditCurrentTurret();
  void EditCurrentGun();
  void AddTurret();
  void AddGun();
  void RemoveCurrentTurret();
  void RemoveCurrentGun();
  void AddLaser();
  void RemoveLaser();
  void AddMissile();
  void RemoveMissile();
  void ShowShipModel(int32_t field);
  // A toolbar button by key.
  void ToolbarClick(const std::string& key);
  // Enter and Ctrl+Insert on a list.
  void ListKeyDown(QTreeWidget* list, int key, Qt::KeyboardModifiers modifiers);

  // The texts of the page's figures for the shown ship.
  std::string GetMaxRechargeTime() const;
  std::string GetShipDisplayName(const clsTXTObject& record) const;
  std::string GetShipDescription() const;

  // --- state ----------------------------------------------------------------------------
  const ShipPtr& CurrentShip() const { return ship_; }
  bool NoShipShown() const { return noShip_; }
  const shippage::ShipSupport& Support() const { return support_; }
  shippage::ShipSupport& Support() { return support_; }
  const std::shared_ptr<clsShipParser>& Ships() const { return ships_; }
  TurretPtr CurrentTurret;
  GunGroupPtr CurrentGunGroup;
  GunPtr CurrentGun;

  // --- controls -------------------------------------------------------------------------
  QTabWidget* MainTab = nullptr;
  QToolBar* MainToolbar = nullptr;
  QTreeWidget* InfoView = nullptr;
  QPlainTextEdit* DescEdit = nullptr;
  QTreeWidget* PerformanceView = nullptr;
  QTreeWidget* ModelView = nullptr;
  QTreeWidget* WeaponView = nullptr;
  QTreeWidget* TurView = nullptr;
  QTreeWidget* CockpView = nullptr;
  QLabel* lblTData = nullptr;
  QLabel* lblCockp = nullptr;
  QTreeWidget* GunGroupView = nullptr;
  QTreeWidget* GunView = nullptr;
  std::array<QRadioButton*, 2> rbGunView{};
  QLabel* lblTurrets = nullptr;
  QLabel* lblGuns = nullptr;
  QTreeWidget* LaserView = nullptr;
  QTreeWidget* AvailLasView = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* lblAvailLasers = nullptr;
  QPushButton* btnAddLaser = nullptr;
  QPushButton* btnRemoveLaser = nullptr;
  QTreeWidget* MslView = nullptr;
  QTreeWidget* AvailMslView = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* lblAvailMsls = nullptr;
  QPushButton* btnAddMsl = nullptr;
  QPushButton* btnRemoveMsl = nullptr;
  QLineEdit* WareListIDEdit = nullptr;
  WareListViewerBase* WareListView = nullptr;  // null when no viewer is wired
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;

 protected:
  bool DoInit(TxtParserRef& parser) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void BuildControls();
  QWidget* AddTab(const char* caption);
  void FillPropertyList(QTreeWidget* list, const std::vector<shippage::FieldRow>& rows);
  void FillMaskLists(QTreeWidget* installed, QTreeWidget* available, const TxtParserRef& records, int32_t field);
  void MoveMaskRow(bool add, int32_t field);
  void ArrangeMaskTab(QWidget* tab, QTreeWidget* installed, QPushButton* add, QPushButton* remove,
                      QTreeWidget* available, QLabel* availableLabel);
  void ReloadObjects();
  bool ObjectsUsable();
  void Changed();
  int32_t Msg(const std::string& text, int32_t flags);
  ShipPtr ShipOf(const TXTObjectRef& record) const;

  TxtParserRef parser_;
  std::shared_ptr<clsShipParser> ships_;
  shippage::ShipSupport support_;
  ShipPtr ship_;
  bool noShip_ = true;
  bool readOnly_ = false;
  bool loaded_ = false;
  std::string lastError_;
  // Why the shown ship's turrets and guns cannot be edited ("" when they can).
  std::string objectsError_;
  int previousTab_ = 0;
  std::array<QWidget*, 9> tabs_{};
};

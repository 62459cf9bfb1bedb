#pragma once
// ucJob, the editor page of the jobs file (type 19): one job on six tabs (Info, Ship
// type, Placement, Weapons & Equipment, Wares, Wings), edited through check boxes, the
// classification options, the ship-type combo and the value dialog. Every control
// reads and writes its field by logical number (mdlJob), so one set of controls serves
// the three record layouts; a control whose field the record's layout lacks is shown
// unticked and disabled.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Variant.h"
#include "txteditor/EditorPage.h"
#include "wareeditors/model/JobRules.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class WareListViewer;

class ucJob : public EditorPage {
  Q_OBJECT

 public:
  explicit ucJob(QWidget* parent = nullptr);
  ~ucJob() override;

  bool JvQueryInterfaceEx(int32_t& type) override;
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
  // A record of the size of the file's version; null with the error text for a
  // version without a known size.
  TXTObjectRef CreateObject(int32_t& type, TxtParserRef& parser, TXTObjectRef before) override;
  void InitObject(TXTObjectRef& record) override;
  // Gives the record the next free job ID and the name "NEW JOB". When no ID is left
  // the record is taken out of the file again and an error is raised.
  void JvAssignUniqueObjectName(TXTObjectRef& record) override;
  bool RemoveObject(TXTObjectRef& record) override;

  std::string JvGetPropertyName(TXTObjectRef& record, int32_t& index) override;
  int32_t JvSupportValueTranslate(TXTObjectRef& record, int32_t& index) override;
  int32_t JvGetValueType(TXTObjectRef& record, int32_t& index) override;
  std::string JvGetValueUnit(TXTObjectRef& record, int32_t& index) override;
  bool JvTranslateValue(TXTObjectRef& record, int32_t& index, std::string& text, bool forEdit) override;
  // Carried under names the value dialog does not call.
  bool TranslateValueBack(TXTObjectRef& record, const std::string& text, int32_t& index, kz::Variant& value);
  kz::NameTable GetPropertyValues(TXTObjectRef& record, int32_t& index);

  // Always False: the page edits.
  bool ReadOnly() override;

  // Opens the value dialog on logical field n of the shown record.
  void EditField(int32_t n);

  // State, for the hosts and tests.
  bool Filling() const { return filling_; }
  const TXTObjectRef& Shown() const { return record_; }
  const TxtParserRef& Ships() const { return ships_; }
  const TxtParserRef& Wings() const { return wings_; }

  // ---- controls ----
  QTabWidget* MainTab = nullptr;
  QTreeWidget* PropView = nullptr;
  QGroupBox* FrameShipName = nullptr;
  QGroupBox* FrameShipRace = nullptr;
  QGroupBox* FrameShipClass = nullptr;
  QGroupBox* FrameShipVariant = nullptr;
  QGroupBox* FrameShipClassification = nullptr;
  QGroupBox* FrameOwnerRace = nullptr;
  QGroupBox* FrameSectorFlags = nullptr;
  QGroupBox* FrameSectorCreationFlags = nullptr;
  QGroupBox* FramePlacementVarious = nullptr;
  QGroupBox* FrameWeaponsAllow = nullptr;
  QGroupBox* FrameWeaponsForbid = nullptr;
  QComboBox* cmbShipTypeID = nullptr;
  QLineEdit* ShipNameIDEdit = nullptr;
  QLineEdit* SectorXEdit = nullptr;
  QLineEdit* SectorYEdit = nullptr;
  QLineEdit* ChanceDockedEdit = nullptr;
  QLabel* lblShipName = nullptr;
  QCheckBox* chkSectorFlagsInverted = nullptr;
  QCheckBox* chkWeaponAllowDrones = nullptr;
  std::vector<QCheckBox*> chkShipNameFlags;
  std::vector<QCheckBox*> chkShipClass;
  std::vector<QCheckBox*> chkShipRace;
  std::vector<QCheckBox*> chkShipVariant;
  std::vector<QCheckBox*> chkSectorFlags;
  std::vector<QCheckBox*> chkSectorCreationFlags;
  std::vector<QCheckBox*> chkOwnerRace;
  std::vector<QCheckBox*> chkWeaponForbid;
  std::vector<QCheckBox*> chkWeaponAllow;
  std::vector<QCheckBox*> chkPlacementVarious;
  std::array<QRadioButton*, 4> rbShipClassification{};
  QTreeWidget* EquipView = nullptr;
  WareListViewer* WareListView = nullptr;
  QTreeWidget* WingsView = nullptr;

 protected:
  bool DoInit(TxtParserRef& parser) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct BoundBox {
    QCheckBox* box;
    int32_t field;
  };
  std::vector<QCheckBox*> MakeBoxes(QWidget* parent, const char* name, int32_t base,
                                    const std::vector<const char*>& captions, int columns);
  QCheckBox* MakeBox(QWidget* parent, const char* name, const char* caption, int32_t field);
  QLineEdit* MakeFieldEdit(QWidget* parent, const char* name, int32_t field, const char* tip);
  void BuildInfoTab();
  void BuildShipTypeTab();
  void BuildPlacementTab();
  void BuildEquipmentTab();
  void BuildWaresTab();
  void BuildWingsTab();

  void ShowBoxes(const std::vector<QCheckBox*>& boxes, int32_t base);
  void ShowBox(QCheckBox* box, int32_t field);
  void ShowFieldText(QLineEdit* edit, int32_t field);
  void ShowRows(QTreeWidget* view, const std::vector<mdlJob::PropertyRow>& rows);
  void FillInfo();
  void FillShipType();
  void FillPlacement();
  void FillEquipment();
  void FillWares();
  void FillWings();
  void EnableClassBoxes();

  void BoxClicked(QCheckBox* box, int32_t field, bool checked);
  void OptionClicked();
  void ShipTypeChosen(int item);
  void EditRow(QTreeWidget* view);
  void Guarded(const std::function<void()>& fn);

  TxtParserRef parser_;
  TxtParserRef ships_;
  TxtParserRef wings_;
  mdlJob::ShipCombo shipCombo_;
  mdlJob::JobIndex jobIndex_;
  TXTObjectRef record_;
  std::string lastError_;
  bool initialised_ = false;
  bool warned_ = false;
  bool filling_ = false;
  std::vector<BoundBox> boxes_;
  std::vector<std::pair<QLineEdit*, int32_t>> fieldEdits_;
  QButtonGroup* classification_ = nullptr;
  class ShipComboModel;
  ShipComboModel* shipModel_ = nullptr;
};

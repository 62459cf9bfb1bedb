#pragma once
// ucTurret, the editor page of the cockpits file (type 9): the turret types that ship
// records refer to by position. A property list shows the record's ID, its scene file
// (field 7) and its compatible-laser mask (field 8); on the laser tab the user moves
// lasers between the allowed list and the available list, which sets and clears the
// mask's bits (the first 32 lasers of the lasers file only).
#include <cstdint>
#include <string>

#include "core/Variant.h"
#include "txteditor/EditorPage.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QTreeWidget;

class ucTurret : public EditorPage {
  Q_OBJECT

 public:
  explicit ucTurret(QWidget* parent = nullptr);
  ~ucTurret() override;

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
  TXTObjectRef CreateObject(int32_t& type, TxtParserRef& parser, TXTObjectRef before) override;
  void InitObject(TXTObjectRef& record) override;
  void JvAssignUniqueObjectName(TXTObjectRef& record) override;
  bool RemoveObject(TXTObjectRef& record) override;

  std::string JvGetPropertyName(TXTObjectRef& record, int32_t& index) override;
  int32_t JvSupportValueTranslate(TXTObjectRef& record, int32_t& index) override;
  int32_t JvGetValueType(TXTObjectRef& record, int32_t& index) override;
  std::string JvGetValueUnit(TXTObjectRef& record, int32_t& index) override;
  // The translation members carry names the value dialog does not call.
  bool TranslateValue(TXTObjectRef& record, int32_t& index, std::string& text, bool forEdit);
  bool TranslateValueBack(TXTObjectRef& record, const std::string& text, int32_t& index, kz::Variant& value);
  kz::NameTable GetPropertyValues(TXTObjectRef& record, int32_t& index);

  // Moves the selected laser to the allowed list (sets its bit), or back (clears it).
  void AllowLaser();
  void DisallowLaser();
  // Edits the selected property row in the value dialog.
  void EditTurretProperty();

  const TxtParserRef& Lasers() const { return lasers_; }
  const TXTObjectRef& Shown() const { return record_; }

  // Controls.
  QTabWidget* MainTab = nullptr;
  QTreeWidget* PropView = nullptr;
  QTreeWidget* LaserView = nullptr;
  QTreeWidget* AvailView = nullptr;
  QPushButton* btnAddLaser = nullptr;
  QPushButton* btnRemoveLaser = nullptr;
  QLabel* lblAvailLasers = nullptr;

 protected:
  bool DoInit(TxtParserRef& parser) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowTurretProperties();
  void AddTurretFieldRow(int32_t index);
  void ShowTurretLasers();
  void MoveLaser(bool allow);

  TxtParserRef lasers_;
  bool loaded_ = false;
  TxtParserRef parser_;
  TXTObjectRef record_;
  std::string lastError_;
};

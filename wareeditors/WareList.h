#pragma once
// ucWareList, the editor page of the ware-lists file (type 21): shows the selected ware
// list as its wares' names and IDs. It offers no editing of its own and creates no
// records.
#include <cstdint>
#include <string>

#include "txteditor/EditorPage.h"
#include "typefiles/WareCollection.h"

class QTreeWidget;

class ucWareList : public EditorPage {
  Q_OBJECT

 public:
  explicit ucWareList(QWidget* parent = nullptr);
  ~ucWareList() override;

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
  // Ware lists are not created through the page: always null, with no error text.
  TXTObjectRef CreateObject(int32_t& type, TxtParserRef& parser, TXTObjectRef before) override;
  void InitObject(TXTObjectRef& record) override;
  // A ware list is named by its position, which is its own: the record stays as it is
  // (its last value is a ware ID, not a name).
  void JvAssignUniqueObjectName(TXTObjectRef& record) override;
  bool RemoveObject(TXTObjectRef& record) override;

  std::string JvGetPropertyName(TXTObjectRef& record, int32_t& index) override;
  int32_t JvSupportValueTranslate(TXTObjectRef& record, int32_t& index) override;
  int32_t JvGetValueType(TXTObjectRef& record, int32_t& index) override;
  std::string JvGetValueUnit(TXTObjectRef& record, int32_t& index) override;

  const WareCollectionPtr& Wares() const { return wares_; }

  QTreeWidget* WareView = nullptr;

 protected:
  bool DoInit(TxtParserRef& parser) override;

 private:
  WareCollectionPtr wares_;
  std::string lastError_;  // why the last CreateObject made nothing
  TxtParserRef parser_;
};

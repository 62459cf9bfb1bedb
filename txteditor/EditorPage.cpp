#include "txteditor/EditorPage.h"

#include <string>

#include "core/AppError.h"

EditorPage::EditorPage(QWidget* parent) : QWidget(parent) {}
EditorPage::~EditorPage() = default;

void EditorPage::NotSupported(const char* member) {
  throw kz::AppError(kz::kErrNotSupported, std::string("EditorPage.") + member);
}

bool EditorPage::Init(TxtParserRef& parser) {
  if (!parser) return false;
  return DoInit(parser);
}

bool EditorPage::Init() { return false; }

bool EditorPage::DoInit(TxtParserRef&) { NotSupported("Init"); }
bool EditorPage::JvQueryInterfaceEx(int32_t&) { NotSupported("JvQueryInterfaceEx"); }
bool EditorPage::JvQueryInterface(int32_t type) { return JvQueryInterfaceEx(type); }
std::string EditorPage::GetLastError() { NotSupported("GetLastError"); }
std::string EditorPage::PageName(int32_t&) { NotSupported("PageName"); }
int32_t EditorPage::JvQueryInfo(int32_t&) { NotSupported("JvQueryInfo"); }
bool EditorPage::Validate(std::string&) { NotSupported("Validate"); }
std::string EditorPage::ObjectTypeName(int32_t&) { NotSupported("ObjectTypeName"); }
std::string EditorPage::ObjectName(TXTObjectRef&) { NotSupported("ObjectName"); }
std::string EditorPage::GetResourceName(TXTObjectRef&) { NotSupported("GetResourceName"); }
std::string EditorPage::GetRace(TXTObjectRef&) { NotSupported("GetRace"); }
std::string EditorPage::GetClass(TXTObjectRef&) { NotSupported("GetClass"); }
void EditorPage::ShowObject(TXTObjectRef&, int32_t&) { NotSupported("ShowObject"); }
TXTObjectRef EditorPage::CreateObject(int32_t&, TxtParserRef&, TXTObjectRef) { NotSupported("CreateObject"); }
void EditorPage::InitObject(TXTObjectRef&) { NotSupported("InitObject"); }
void EditorPage::JvAssignUniqueObjectName(TXTObjectRef&) { NotSupported("JvAssignUniqueObjectName"); }
bool EditorPage::RemoveObject(TXTObjectRef&) { NotSupported("RemoveObject"); }
bool EditorPage::KzExportData(JvFileDialog*) { NotSupported("KzExportData"); }
std::string EditorPage::JvGetPropertyName(TXTObjectRef&, int32_t&) { NotSupported("JvGetPropertyName"); }
int32_t EditorPage::JvSupportValueTranslate(TXTObjectRef&, int32_t&) { NotSupported("JvSupportValueTranslate"); }
int32_t EditorPage::JvGetValueType(TXTObjectRef&, int32_t&) { NotSupported("JvGetValueType"); }
std::string EditorPage::JvGetValueUnit(TXTObjectRef&, int32_t&) { NotSupported("JvGetValueUnit"); }
kz::NameTable EditorPage::JvGetPropertyValues(TXTObjectRef&, int32_t&) {
  NotSupported("JvGetPropertyValues");
}
bool EditorPage::JvTranslateValue(TXTObjectRef&, int32_t&, std::string&, bool) { NotSupported("JvTranslateValue"); }
bool EditorPage::JvTranslateValueBack(TXTObjectRef&, const std::string&, int32_t&, kz::Variant&) {
  NotSupported("JvTranslateValueBack");
}
bool EditorPage::JvTranslateEntryBack(TXTObjectRef& record, int32_t& index, int32_t, const std::string& text,
                                      kz::Variant& value) {
  return JvTranslateValueBack(record, text, index, value);
}
bool EditorPage::ReadOnly() { NotSupported("ReadOnly"); }
void EditorPage::SetReadOnly(bool) { NotSupported("ReadOnly"); }

#include "wareeditors/WareList.h"

#include <QTreeWidget>
#include <QVBoxLayout>

#include "wareeditors/WareListViewer.h"
#include "wareeditors/model/WareListRules.h"

namespace {
constexpr int32_t kWareListsType = 21;
}

ucWareList::ucWareList(QWidget* parent) : EditorPage(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  WareView = new QTreeWidget(this);
  WareView->setObjectName("WareView");
  WareView->setRootIsDecorated(false);
  WareView->setUniformRowHeights(true);
  WareView->setAllColumnsShowFocus(true);
  layout->addWidget(WareView);
}

ucWareList::~ucWareList() = default;

bool ucWareList::DoInit(TxtParserRef& parser) {
  if (!wares_) wares_ = mdlWareList::SharedWareCollection();
  parser_ = parser;
  return true;
}

bool ucWareList::JvQueryInterfaceEx(int32_t& type) { return type == kWareListsType; }
std::string ucWareList::GetLastError() { return lastError_; }
std::string ucWareList::PageName(int32_t& type) { return type == kWareListsType ? "Ware List info" : ""; }
int32_t ucWareList::JvQueryInfo(int32_t&) { return 0; }
bool ucWareList::Validate(std::string&) { return true; }
std::string ucWareList::ObjectTypeName(int32_t& type) { return type == kWareListsType ? "Ware List" : ""; }
std::string ucWareList::ObjectName(TXTObjectRef& record) {
  return record ? mdlWareListView::WareListObjectName(*record) : std::string();
}
std::string ucWareList::GetResourceName(TXTObjectRef&) { return {}; }
std::string ucWareList::GetRace(TXTObjectRef&) { return {}; }
std::string ucWareList::GetClass(TXTObjectRef&) { return {}; }

void ucWareList::ShowObject(TXTObjectRef& record, int32_t& type) {
  if (type != kWareListsType) return;
  if (!wares_) wares_ = mdlWareList::SharedWareCollection();
  WareListViewer::FillWareView(WareView, record.get(), *wares_, mdlWareListView::NotFoundCaption(0));
}

TXTObjectRef ucWareList::CreateObject(int32_t&, TxtParserRef&, TXTObjectRef) {
  lastError_ = mdlWareListView::kNoNewWareListText;
  return nullptr;
}
void ucWareList::InitObject(TXTObjectRef&) {}
void ucWareList::JvAssignUniqueObjectName(TXTObjectRef&) {}
bool ucWareList::RemoveObject(TXTObjectRef&) { return true; }

std::string ucWareList::JvGetPropertyName(TXTObjectRef&, int32_t&) { return {}; }
int32_t ucWareList::JvSupportValueTranslate(TXTObjectRef&, int32_t&) { return 0; }
int32_t ucWareList::JvGetValueType(TXTObjectRef&, int32_t&) { return 0; }
std::string ucWareList::JvGetValueUnit(TXTObjectRef&, int32_t&) { return {}; }

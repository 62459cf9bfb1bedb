#include "wareeditors/model/WareListRules.h"

namespace mdlWareListView {

namespace {

std::string ValueText(const clsTXTObject& list, int32_t i) {
  if (list.KindAt(i) == kz::VariantKind::String) return std::string(list.TextAt(i));
  return kz::CStr(list.Value(i));
}

}  // namespace

std::vector<WareRow> WareListRows(const clsTXTObject& list, const clsWareCollection& wares) {
  std::vector<WareRow> rows;
  rows.reserve(static_cast<size_t>(list.size()));
  for (int32_t i = 0; i < list.size(); ++i) {
    std::string id = ValueText(list, i);
    std::string name = wares.GetWareName(id);
    rows.push_back({std::move(name), std::move(id)});
  }
  return rows;
}

std::vector<WareRow> WareListRowsByID(const clsTXTObject& list) {
  std::vector<WareRow> rows;
  rows.reserve(static_cast<size_t>(list.size()));
  for (int32_t i = 0; i < list.size(); ++i) {
    std::string id = ValueText(list, i);
    rows.push_back({id, id});
  }
  return rows;
}

int32_t FittedColumnWidth(int32_t widestTwips) { return widestTwips > kMinColumnTwips ? widestTwips : kMinColumnTwips; }

std::string NotFoundCaption(const std::string& what) { return "Ware list " + what + " not found"; }
std::string NotFoundCaption(int32_t index) { return NotFoundCaption(std::to_string(index)); }

std::string WareListObjectName(const clsTXTObject& list) { return std::to_string(list.index); }

}  // namespace mdlWareListView

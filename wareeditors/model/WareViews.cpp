#include "wareeditors/model/WareViews.h"

#include <exception>

#include "core/Common.h"
#include "core/KzConst.h"
#include "typefiles/DescServer.h"
#include "wareeditors/model/WareRules.h"

namespace ware {

namespace {

class Builder {
 public:
  Builder(const clsTXTObject& o, const WareLists& lists, WareView& view) : o_(o), lists_(lists), view_(view) {
    view_.rows.reserve(static_cast<size_t>(o.size()) + 20);
  }

  // A value row; none for the ID (the ID row shows it) or a field the record lacks.
  void Field(int32_t i) {
    if (i > o_.size() - 2) return;
    WareRow row;
    if (FieldRow(o_, i, lists_, row)) view_.rows.push_back(std::move(row));
  }
  void Fields(int32_t from, int32_t to) {
    for (int32_t i = from; i <= to; ++i) Field(i);
  }
  void IdRow() { view_.rows.push_back({"ID", o_.ObjectName(), kz::Variant("name"), {}}); }
  void NameRow() { view_.rows.push_back({"Name", ResourceNameOf(o_), kz::Variant(), {}}); }
  void Computed(const char* caption, std::string value) {
    view_.rows.push_back({caption, std::move(value), kz::Variant(), {}});
  }
  void ColourRow(int32_t type) {
    std::optional<int64_t> c = RecordColour(o_, type);
    if (!c) return;  // the record lacks the colour fields
    view_.rows.push_back({"Color (RGB)", ColourText(*c), kz::Variant("color"), {}});
  }
  // Dust rows: caption (k) with the raw value of field first + 2(k-1) / first+1 + 2(k-1).
  void DustRows(int32_t first, int32_t pairs) {
    for (int32_t k = 1; k <= pairs; ++k) {
      Raw("Dust body (" + std::to_string(k) + ")", first + 2 * (k - 1));
      Raw("Dust density (" + std::to_string(k) + ")", first + 1 + 2 * (k - 1));
    }
  }
  void Raw(std::string caption, int32_t i) {
    if (i < 0 || i >= o_.size()) return;
    view_.rows.push_back({std::move(caption), kz::CStr(o_.Value(i)), kz::Variant(i), std::to_string(i)});
  }
  void Description(int32_t field) {
    view_.descVisible = true;
    int64_t id = 0;
    if (FieldLong(o_, field, id))
      view_.description = "Description: " + DescText(kPageObjectNames, id + 1);
    else
      view_.description = "Description: ";
  }
  void BasicFields() {
    std::string caption;
    for (int32_t i = 0; i <= 6 && i < o_.size(); ++i) {
      caption.clear();
      kz::FieldCaptionFor(o_.size(), i, caption);
      view_.rows.push_back({caption, kz::CStr(o_.Value(i)), kz::Variant(i), std::to_string(i)});
    }
  }

 private:
  const clsTXTObject& o_;
  const WareLists& lists_;
  WareView& view_;
};

}  // namespace

std::string FieldValueText(const clsTXTObject& o, int32_t i, const WareLists& lists) {
  const std::string raw = kz::CStr(o.Value(i));
  try {
    std::string text;
    if (TranslateValue(o, i, text, false, lists)) return text + " (" + raw + ")";
  } catch (const std::exception&) {
    // One value that cannot be translated shows as it is stored.
  }
  return raw;
}

bool FieldRow(const clsTXTObject& o, int32_t i, const WareLists& lists, WareRow& row) {
  if (i < 0 || i >= o.size()) return false;
  row.caption = PropertyName(o, i);
  row.value = FieldValueText(o, i, lists);
  row.tag = kz::Variant(i);
  row.offset = std::to_string(i);
  return true;
}

WareView BuildView(const clsTXTObject* record, int32_t type, const WareLists& lists) {
  WareView view;
  view.descVisible = true;
  if (!record) return view;
  const clsTXTObject& o = *record;
  const int32_t size = o.size();
  Builder b(o, lists, view);

  switch (type) {
    case 2:
      if (size == 0) return view;
      b.IdRow();
      b.NameRow();
      b.Fields(0, 6);
      b.Field(8);
      b.Field(7);
      b.Computed("Charge time", ChargeTimeText(o));
      b.Fields(9, size - 2);
      b.Description(6);
      break;
    case 4:
      b.IdRow();
      b.BasicFields();
      for (int32_t i : {22, 7, 8, 10, 11}) b.Field(i);
      b.Computed("Range", RangeText(o));
      for (int32_t i : {12, 27, 24, 25, 26, 9, 20, 21, 19, 23, 15, 14, 13}) b.Field(i);
      b.ColourRow(4);
      b.Fields(16, 18);
      b.Fields(28, size - 2);
      view.description.clear();
      view.descVisible = false;
      break;
    case 13:
      if (size == 0) return view;
      b.IdRow();
      b.NameRow();
      b.Fields(0, 9);
      b.ColourRow(13);
      b.Field(10);
      b.DustRows(11, 8);
      b.Fields(27, size - 2);
      b.Description(6);
      break;
    case 18:
      if (size == 0) return view;
      b.IdRow();
      b.NameRow();
      b.Fields(0, 12);
      b.DustRows(13, 7);
      b.Fields(27, size - 2);
      b.Description(6);
      break;
    default: {
      if (size == 0) return view;
      b.IdRow();
      b.NameRow();
      b.Fields(0, size - 2);
      b.Description(6);
      const int32_t iconField = IconFieldOf(type);
      if (iconField >= 1) {
        view.hasIcon = true;
        if (iconField < size) view.iconName = kz::CStr(o.Value(iconField));
      }
      break;
    }
  }
  return view;
}

}  // namespace ware

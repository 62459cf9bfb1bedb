#pragma once
// The rows the ware page shows for one record: caption, value text, tag (the field
// index of a value row, "name" for the ID row, "color" for the colour row, nothing for
// the computed rows) and the "[offset]" text; plus the description and the icon.
//
// A view never fails on one bad value: a field whose translation throws shows its raw
// value, a computed row that cannot be computed shows "[error]", and fields a short
// record does not have are left out; the rest of the view fills.
#include <cstdint>
#include <string>
#include <vector>

#include "core/Variant.h"
#include "typefiles/TXTObject.h"
#include "wareeditors/model/WareTranslation.h"

namespace ware {

struct WareRow {
  std::string caption;
  std::string value;
  kz::Variant tag;     // field index, "name", "color", or Empty
  std::string offset;  // the field index as text for value rows
};

struct WareView {
  std::vector<WareRow> rows;
  bool descVisible = true;
  std::string description;  // "" or "Description: " and the text
  std::string iconName;     // the icon to show; "" = none asked for
  bool hasIcon = false;     // the view shows an icon field (iconName may be "")
};

// The value text of a field row: the translated text & " (" & raw & ")", else the raw
// value; the raw value alone when the translation throws.
std::string FieldValueText(const clsTXTObject& o, int32_t i, const WareLists& lists);
// Field row i; false when the record has no field i.
bool FieldRow(const clsTXTObject& o, int32_t i, const WareLists& lists, WareRow& row);

// The view of a record (null: an empty record) of the given type code.
WareView BuildView(const clsTXTObject* o, int32_t type, const WareLists& lists);

}  // namespace ware

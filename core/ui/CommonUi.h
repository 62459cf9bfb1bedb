#pragma once
// The common procedures that work on widgets: filling a combo box from a name table and
// the list-view helpers (list views are QTreeWidgets, see core/ui/GenericUi.h).
#include <algorithm>
#include <cstdint>
#include <string>

#include "core/Common.h"
#include "core/NameTable.h"
#include "core/Variant.h"

class QComboBox;
class QTreeWidget;

namespace kz {

// Clears the combo box and adds every non-empty entry with its position as item data;
// widens the drop-down list when the widest text plus 20 pixels exceeds the box.
void FillCombo(QComboBox* combo, const NameTable& names);
// The selected item's 1-based position; -1 when nothing is selected.
int32_t GetListViewSelIndex(QTreeWidget* list);
// Selects the item at the 1-based position, makes it current and scrolls to it; false
// when there is no such item.
bool SelectListViewItem(QTreeWidget* list, int32_t index);
// Adds an item with `text` (column 0), its item data `tag`, then sub1 and sub2 in
// columns 1 and 2.
void AddListViewRow(QTreeWidget* list, const std::string& text, const std::string& sub1, const Variant& tag,
                    const std::string& sub2);

// One row per common field (0 to 6, as far as the record has them): the caption, the
// record's value, the field index as item data and its text.
template <class Record>
void ListBasicFields(QTreeWidget* list, const Record& record) {
  int32_t last = std::min<int32_t>(6, record.size() - 1);
  for (int32_t i = 0; i <= last; ++i) {
    std::string caption;
    GetFieldCaption(record, i, caption);
    AddListViewRow(list, caption, CStr(record.Value(i)), Variant(i), std::to_string(i));
  }
}

}  // namespace kz

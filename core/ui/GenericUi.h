#pragma once
// Small operations on the program's list, tree, combo and text widgets.
//
// Conventions every window follows:
//  - A list view is a QTreeWidget with columns and top-level items only; a tree view is
//    a QTreeWidget with nested items.
//  - An item's key is a QString stored in column 0 under kItemKeyRole (Qt::UserRole + 1);
//    its item data (an integer or any value) under kItemDataRole (Qt::UserRole).
//  - A combo box's or list box's item data is the entry's Qt::UserRole value (the data
//    argument of QComboBox::addItem), read as a 32-bit integer.
// Key lookups walk the items (O(n)); keys compare exactly.
#include <QString>
#include <QVariant>
#include <Qt>

#include <cstdint>
#include <string>

class QComboBox;
class QLineEdit;
class QListWidget;
class QMimeData;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace kz {

constexpr int kItemDataRole = Qt::UserRole;
constexpr int kItemKeyRole = Qt::UserRole + 1;

void SetItemKey(QTreeWidgetItem* item, const QString& key);
QString ItemKey(const QTreeWidgetItem* item);
inline void SetItemKey(QTreeWidgetItem* item, const std::string& key) { SetItemKey(item, QString::fromStdString(key)); }

// The top-level item with that key; null when none.
QTreeWidgetItem* GetListItemByKey(QTreeWidget* list, const QString& key);
// Removes (and deletes) the top-level item with that key; false when none.
bool RemoveListItemByKey(QTreeWidget* list, const QString& key);
// The selected item (the current one when it is selected, else the first selected); with
// none selected and items present, selects and makes current the first and returns it.
// Null for an empty list.
QTreeWidgetItem* GetSelectedListItem(QTreeWidget* list);
// Last column width = viewport width - that column's left edge - 350 twips (wide) or
// 100 twips (at 15 twips per pixel); nothing when that is not positive.
void FitLastColumn(QTreeWidget* list, bool wide = false);
// Every column but the last widened to its widest text (never narrowed), then the last
// one fitted to the list (FitLastColumn).
void FitColumnsToTexts(QTreeWidget* list, bool wide = false);
// The item with that key at any depth; null when none.
QTreeWidgetItem* GetTreeNodeByKey(QTreeWidget* tree, const QString& key);

inline QTreeWidgetItem* GetListItemByKey(QTreeWidget* l, const std::string& k) { return GetListItemByKey(l, QString::fromStdString(k)); }
inline bool RemoveListItemByKey(QTreeWidget* l, const std::string& k) { return RemoveListItemByKey(l, QString::fromStdString(k)); }
inline QTreeWidgetItem* GetTreeNodeByKey(QTreeWidget* t, const std::string& k) { return GetTreeNodeByKey(t, QString::fromStdString(k)); }

// Item data of the selected entry; -1 when nothing is selected.
int32_t GetComboItemData(const QComboBox* combo);
int32_t GetComboItemData(const QListWidget* list);
// Selects the first entry whose item data equals value (true); else clears the selection
// (index -1) and returns false.
bool SelectComboByItemData(QComboBox* combo, int32_t value);
bool SelectComboByItemData(QListWidget* list, int32_t value);
// The width of the drop-down list in pixels.
void SetComboDropWidth(QComboBox* combo, int32_t width);

// Focus first when asked, then selects the whole text (line edits, editable combos,
// spin boxes, text edits); other widgets are left alone.
void SelectAllText(QWidget* control, bool giveFocus = false);
// The box then accepts digits only.
void SetNumbersOnly(QLineEdit* box);
// Target takes the source's position and size.
void CopyPosition(QWidget* target, const QWidget* source);
// True when the dragged data holds at least one local file.
bool DataHasFiles(const QMimeData* data);

}  // namespace kz

#include "core/ui/CommonUi.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QTreeWidget>

#include "core/ui/GenericUi.h"

namespace kz {

void FillCombo(QComboBox* combo, const NameTable& names) {
  if (!combo) return;
  combo->clear();
  QWidget* parent = combo->parentWidget() ? combo->parentWidget() : combo;
  QFontMetrics metrics(parent->font());
  int widest = 0;
  for (int32_t i = names.LBound(); i <= names.UBound(); ++i) {
    const std::string& name = names.At(i);
    if (name.empty()) continue;
    QString text = QString::fromStdString(name);
    combo->addItem(text, QVariant(i));
    widest = std::max(widest, metrics.horizontalAdvance(text));
  }
  if (widest + 20 > combo->width()) SetComboDropWidth(combo, widest + 20);
}

int32_t GetListViewSelIndex(QTreeWidget* list) {
  if (!list) return -1;
  QTreeWidgetItem* item = list->currentItem();
  if (!item || !item->isSelected()) {
    auto selected = list->selectedItems();
    item = selected.isEmpty() ? nullptr : selected.first();
  }
  if (!item) return -1;
  int pos = list->indexOfTopLevelItem(item);
  return pos < 0 ? -1 : pos + 1;
}

bool SelectListViewItem(QTreeWidget* list, int32_t index) {
  if (!list || index < 1 || index > list->topLevelItemCount()) return false;
  QTreeWidgetItem* item = list->topLevelItem(index - 1);
  list->setCurrentItem(item);
  item->setSelected(true);
  list->scrollToItem(item);
  return true;
}

void AddListViewRow(QTreeWidget* list, const std::string& text, const std::string& sub1, const Variant& tag,
                    const std::string& sub2) {
  if (!list) return;
  auto* item = new QTreeWidgetItem(list);
  item->setText(0, QString::fromStdString(text));
  if (tag.IsString())
    item->setData(0, kItemDataRole, QString::fromStdString(tag.AsString()));
  else if (tag.IsNumeric() || tag.IsBoolean())
    item->setData(0, kItemDataRole, QVariant::fromValue<qlonglong>(static_cast<qlonglong>(tag.NumberValue())));
  item->setText(1, QString::fromStdString(sub1));
  item->setText(2, QString::fromStdString(sub2));
}

}  // namespace kz

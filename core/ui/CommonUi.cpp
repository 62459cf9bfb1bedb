#include "core/ui/CommonUi.h"

#include <array>

#include <QComboBox>
#include <QFontMetrics>
#include <QStandardItemModel>
#include <QTreeWidget>

#include "core/ui/GenericUi.h"

namespace kz {

namespace {

// A combo entry whose item data (Qt::UserRole) is its position in the name table,
// kept in the item itself: a long list is filled without a data record per entry.
class IndexedItem : public QStandardItem {
 public:
  IndexedItem(const QString& text, int32_t index) : QStandardItem(text), index_(index) {}
  QVariant data(int role) const override {
    if (role == Qt::UserRole && indexed_) return QVariant(index_);
    return QStandardItem::data(role);
  }
  void setData(const QVariant& value, int role) override {
    if (role == Qt::UserRole) {
      bool ok = false;
      const int v = value.toInt(&ok);
      indexed_ = ok;
      if (ok) {
        index_ = v;
        emitDataChanged();
        return;
      }
    }
    QStandardItem::setData(value, role);
  }
  QStandardItem* clone() const override {
    auto* copy = new IndexedItem(text(), index_);
    if (!indexed_) copy->setData(QStandardItem::data(Qt::UserRole), Qt::UserRole);
    return copy;
  }

 private:
  int32_t index_;
  bool indexed_ = true;
};

}  // namespace

void FillCombo(QComboBox* combo, const NameTable& names) {
  if (!combo) return;
  combo->clear();
  QWidget* parent = combo->parentWidget() ? combo->parentWidget() : combo;
  QFontMetrics metrics(parent->font());
  // Text widths as the sum of character advances (cached for the first 256 code
  // points): long lists are measured without shaping every entry.
  std::array<int, 256> advance;
  advance.fill(-1);
  auto widthOf = [&](const QString& text) {
    int w = 0;
    for (QChar c : text) {
      const char16_t u = c.unicode();
      if (u < 256) {
        if (advance[u] < 0) advance[u] = metrics.horizontalAdvance(c);
        w += advance[u];
      } else {
        w += metrics.horizontalAdvance(c);
      }
    }
    return w;
  };
  int widest = 0;
  auto* model = qobject_cast<QStandardItemModel*>(combo->model());
  QList<QStandardItem*> items;
  if (model) items.reserve(names.Count());
  for (int32_t i = names.LBound(); i <= names.UBound(); ++i) {
    const std::string& name = names.At(i);
    if (name.empty()) continue;
    QString text = QString::fromStdString(name);
    widest = std::max(widest, widthOf(text));
    if (model) {
      items.push_back(new IndexedItem(text, i));
    } else {
      combo->addItem(text, QVariant(i));
    }
  }
  // One insertion for the whole list.
  if (model && !items.isEmpty()) model->invisibleRootItem()->appendRows(items);
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

#include "core/ui/GenericUi.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QTextEdit>
#include <QTreeWidget>
#include <QUrl>

namespace kz {

namespace {
int32_t DataOf(const QVariant& v) {
  bool ok = false;
  qlonglong n = v.toLongLong(&ok);
  if (!ok) return 0;
  return static_cast<int32_t>(n);
}

bool DataEquals(const QVariant& v, int32_t value) {
  bool ok = false;
  qlonglong n = v.toLongLong(&ok);
  return ok && n == value;
}

QTreeWidgetItem* FindBelow(QTreeWidgetItem* parent, const QString& key) {
  for (int i = 0; i < parent->childCount(); ++i) {
    QTreeWidgetItem* c = parent->child(i);
    if (ItemKey(c) == key) return c;
    if (QTreeWidgetItem* f = FindBelow(c, key)) return f;
  }
  return nullptr;
}
}  // namespace

void SetItemKey(QTreeWidgetItem* item, const QString& key) {
  if (item) item->setData(0, kItemKeyRole, key);
}

QString ItemKey(const QTreeWidgetItem* item) { return item ? item->data(0, kItemKeyRole).toString() : QString(); }

QTreeWidgetItem* GetListItemByKey(QTreeWidget* list, const QString& key) {
  if (!list) return nullptr;
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* it = list->topLevelItem(i);
    if (ItemKey(it) == key) return it;
  }
  return nullptr;
}

bool RemoveListItemByKey(QTreeWidget* list, const QString& key) {
  QTreeWidgetItem* it = GetListItemByKey(list, key);
  if (!it) return false;
  delete list->takeTopLevelItem(list->indexOfTopLevelItem(it));
  return true;
}

QTreeWidgetItem* GetSelectedListItem(QTreeWidget* list) {
  if (!list) return nullptr;
  QTreeWidgetItem* cur = list->currentItem();
  if (cur && cur->isSelected()) return cur;
  const QList<QTreeWidgetItem*> sel = list->selectedItems();
  if (!sel.isEmpty()) return sel.first();
  if (list->topLevelItemCount() == 0) return nullptr;
  QTreeWidgetItem* first = list->topLevelItem(0);
  list->setCurrentItem(first);
  first->setSelected(true);
  return first;
}

void FitLastColumn(QTreeWidget* list, bool wide) {
  if (!list || list->columnCount() < 1) return;
  int last = list->columnCount() - 1;
  int margin = (wide ? 350 : 100) / 15;
  int width = list->viewport()->width() - list->header()->sectionPosition(last) - margin;
  if (width > 0) list->setColumnWidth(last, width);
}

void FitColumnsToTexts(QTreeWidget* list, bool wide) {
  if (!list) return;
  for (int c = 0; c + 1 < list->columnCount(); ++c) {
    const int before = list->columnWidth(c);
    list->resizeColumnToContents(c);
    if (list->columnWidth(c) < before) list->setColumnWidth(c, before);
  }
  FitLastColumn(list, wide);
}

QTreeWidgetItem* GetTreeNodeByKey(QTreeWidget* tree, const QString& key) {
  if (!tree) return nullptr;
  return FindBelow(tree->invisibleRootItem(), key);
}

int32_t GetComboItemData(const QComboBox* combo) {
  if (!combo || combo->currentIndex() < 0) return -1;
  return DataOf(combo->itemData(combo->currentIndex()));
}

int32_t GetComboItemData(const QListWidget* list) {
  if (!list || list->currentRow() < 0) return -1;
  return DataOf(list->item(list->currentRow())->data(Qt::UserRole));
}

bool SelectComboByItemData(QComboBox* combo, int32_t value) {
  if (!combo) return false;
  for (int i = 0; i < combo->count(); ++i) {
    if (DataEquals(combo->itemData(i), value)) {
      combo->setCurrentIndex(i);
      return true;
    }
  }
  combo->setCurrentIndex(-1);
  return false;
}

bool SelectComboByItemData(QListWidget* list, int32_t value) {
  if (!list) return false;
  for (int i = 0; i < list->count(); ++i) {
    if (DataEquals(list->item(i)->data(Qt::UserRole), value)) {
      list->setCurrentRow(i);
      return true;
    }
  }
  list->setCurrentRow(-1);
  list->clearSelection();
  return false;
}

void SetComboDropWidth(QComboBox* combo, int32_t width) {
  if (combo && combo->view()) combo->view()->setMinimumWidth(width);
}

void SelectAllText(QWidget* control, bool giveFocus) {
  if (!control) return;
  if (giveFocus) control->setFocus();
  if (auto* e = qobject_cast<QLineEdit*>(control)) {
    e->selectAll();
  } else if (auto* c = qobject_cast<QComboBox*>(control)) {
    if (c->lineEdit()) c->lineEdit()->selectAll();
  } else if (auto* s = qobject_cast<QAbstractSpinBox*>(control)) {
    s->selectAll();
  } else if (auto* t = qobject_cast<QTextEdit*>(control)) {
    t->selectAll();
  } else if (auto* p = qobject_cast<QPlainTextEdit*>(control)) {
    p->selectAll();
  }
}

void SetNumbersOnly(QLineEdit* box) {
  if (!box) return;
  box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
}

void CopyPosition(QWidget* target, const QWidget* source) {
  if (target && source) target->setGeometry(source->geometry());
}

bool DataHasFiles(const QMimeData* data) {
  if (!data || !data->hasUrls()) return false;
  for (const QUrl& u : data->urls())
    if (u.isLocalFile()) return true;
  return false;
}

}  // namespace kz

#include "txteditor/ObjectListModel.h"

#include <utility>

ObjectListModel::ObjectListModel(TextsFn texts, QObject* parent)
    : QAbstractTableModel(parent), texts_(std::move(texts)) {}

void ObjectListModel::SetColumnCount(int count) {
  count = count < 1 ? 1 : (count > 2 ? 2 : count);
  if (count == columns_) return;
  if (count > columns_) {
    beginInsertColumns(QModelIndex(), columns_, count - 1);
    columns_ = count;
    endInsertColumns();
  } else {
    beginRemoveColumns(QModelIndex(), count, columns_ - 1);
    columns_ = count;
    endRemoveColumns();
  }
}

void ObjectListModel::SetHeaderText(int column, const QString& text) {
  if (column < 0 || column > 1) return;
  headers_[column] = text;
  if (column < columns_) emit headerDataChanged(Qt::Horizontal, column, column);
}

void ObjectListModel::Reset(const kz::Collection<TXTObjectPtr>& records) {
  beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  rows_.reserve(static_cast<size_t>(records.Count()));
  for (const TXTObjectPtr& record : records) rows_.push_back(Row{record, nullptr});
  endResetModel();
}

void ObjectListModel::InsertRecord(int row, const TXTObjectRef& record) {
  if (row < 0 || row > Count()) row = Count();
  beginInsertRows(QModelIndex(), row, row);
  rows_.insert(rows_.begin() + row, Row{record, nullptr});
  endInsertRows();
}

void ObjectListModel::RemoveRow(int row) {
  if (row < 0 || row >= Count()) return;
  beginRemoveRows(QModelIndex(), row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

void ObjectListModel::RefreshRow(int row) {
  if (row < 0 || row >= Count()) return;
  rows_[static_cast<size_t>(row)].texts.reset();
  emit dataChanged(index(row, 0), index(row, columns_ - 1));
}

int ObjectListModel::RowOfId(int32_t id) const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].record->id == id) return static_cast<int>(i);
  return -1;
}

const TXTObjectRef& ObjectListModel::RecordAt(int row) const {
  static const TXTObjectRef none;
  if (row < 0 || row >= Count()) return none;
  return rows_[static_cast<size_t>(row)].record;
}

ObjectListModel::Texts& ObjectListModel::Make(int row) const {
  Row& r = rows_[static_cast<size_t>(row)];
  if (!r.texts) {
    auto texts = std::make_unique<Texts>();
    if (texts_) texts_(r.record, texts->name, texts->cls);
    r.texts = std::move(texts);
  }
  return *r.texts;
}

const QString& ObjectListModel::Text(int row, int column) const {
  static const QString none;
  if (row < 0 || row >= Count()) return none;
  Texts& t = Make(row);
  return column == 0 ? t.name : t.cls;
}

int ObjectListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

int ObjectListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant ObjectListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= columns_) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  return Text(index.row(), index.column());
}

QVariant ObjectListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columns_) return {};
  return headers_[section];
}

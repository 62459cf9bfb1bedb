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

void ObjectListModel::Reset(std::shared_ptr<const void> owner, const Records& records) {
  beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  sourceTexts_.clear();
  owner_ = std::move(owner);
  source_ = &records;
  count_ = records.Count();
  endResetModel();
}

void ObjectListModel::Clear() {
  beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  sourceTexts_.clear();
  source_ = nullptr;
  count_ = 0;
  owner_.reset();
  endResetModel();
}

void ObjectListModel::TakeRows(const TXTObjectRef& added, int removed) {
  const Records& source = *source_;
  const int have = source.Count();
  const bool skip = added && have == count_ + 1;
  const bool hole = removed >= 0 && have == count_ - 1;
  std::vector<Row> rows;
  rows.reserve(static_cast<size_t>(count_) + 1);
  bool skipped = false;
  for (int pos = 1; pos <= have && static_cast<int>(rows.size()) < count_; ++pos) {
    if (hole && static_cast<int>(rows.size()) == removed) rows.push_back(Row{nullptr, nullptr});
    const TXTObjectPtr& record = source.Item(pos);
    if (skip && !skipped && record == added) {
      skipped = true;
      continue;
    }
    rows.push_back(Row{record, nullptr});
  }
  // Rows the collection no longer has stay, empty, so that the count is the one shown.
  while (static_cast<int>(rows.size()) < count_) rows.push_back(Row{nullptr, nullptr});
  for (auto& [row, texts] : sourceTexts_)
    if (row >= 0 && row < count_) rows[static_cast<size_t>(row)].texts = std::make_unique<Texts>(std::move(texts));
  sourceTexts_.clear();
  rows_ = std::move(rows);
  source_ = nullptr;
  count_ = 0;
  owner_.reset();
}

void ObjectListModel::Detach() {
  if (source_) TakeRows(nullptr, -1);
}

void ObjectListModel::InsertRecord(int row, const TXTObjectRef& record) {
  if (row < 0 || row > Count()) row = Count();
  beginInsertRows(QModelIndex(), row, row);
  if (source_) TakeRows(record, -1);
  rows_.insert(rows_.begin() + row, Row{record, nullptr});
  endInsertRows();
}

void ObjectListModel::RemoveRow(int row) {
  if (row < 0 || row >= Count()) return;
  beginRemoveRows(QModelIndex(), row, row);
  if (source_) TakeRows(nullptr, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

void ObjectListModel::RefreshRow(int row) {
  if (row < 0 || row >= Count()) return;
  if (source_)
    sourceTexts_.erase(row);
  else
    rows_[static_cast<size_t>(row)].texts.reset();
  emit dataChanged(index(row, 0), index(row, columns_ - 1));
}

int ObjectListModel::RowOfId(int32_t id) const {
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    const TXTObjectRef& record = RecordAt(i);
    if (record && record->id == id) return i;
  }
  return -1;
}

const TXTObjectRef& ObjectListModel::RecordAt(int row) const {
  static const TXTObjectRef none;
  if (row < 0 || row >= Count()) return none;
  if (source_) return row < source_->Count() ? source_->Item(row + 1) : none;
  return rows_[static_cast<size_t>(row)].record;
}

ObjectListModel::Texts& ObjectListModel::Make(int row) const {
  if (source_) {
    auto found = sourceTexts_.find(row);
    if (found != sourceTexts_.end()) return found->second;
    Texts texts;
    const TXTObjectRef& record = RecordAt(row);
    if (texts_ && record) texts_(record, texts.name, texts.cls);
    return sourceTexts_.emplace(row, std::move(texts)).first->second;
  }
  Row& r = rows_[static_cast<size_t>(row)];
  if (!r.texts) {
    auto texts = std::make_unique<Texts>();
    if (texts_ && r.record) texts_(r.record, texts->name, texts->cls);
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

#include "textres/TREListModel.h"

#include "textres/model/TRERows.h"
#include "textres/model/TRERules.h"

TREListModel::TREListModel(const clsTRERows& rows, QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows), headers_(std::move(headers)), count_(rows.Count()) {}

int TREListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }
int TREListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant TREListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= count_ || index.row() >= rows_.Count()) return {};
  const int row = index.row();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      if (index.column() == 0) return QString::number(rows_.Id(row));
      if (role == Qt::ToolTipRole) return {};
      {
        std::string t = rows_.ShownText(row);
        return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
      }
    case kKeyRole:
      return QString::fromStdString(tre::ItemKey(rows_.Handle(row)));
    case kTagRole:
      return rows_.Handle(row);
    default:
      return {};
  }
}

QVariant TREListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headers_.size())
    return headers_[section];
  return {};
}

void TREListModel::Reset() {
  beginResetModel();
  count_ = rows_.Count();
  endResetModel();
}

void TREListModel::RowRemoved(int row) {
  if (row < 0 || row >= count_) return Reset();
  beginRemoveRows({}, row, row);
  count_ = rows_.Count();
  endRemoveRows();
}

#pragma once
// ObjectListModel: the editor window's object list as a flat table over the parser's
// records. A row holds only a reference to its record; its texts (the name column and
// the class column) are asked of the window the first time a row is shown or searched,
// then kept until the row is refreshed, so filling the list with a large file costs
// almost nothing: a row is one reference, and only rows shown or searched take memory
// for their texts.
#include <QAbstractTableModel>
#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "txteditor/TypeFileRefs.h"

class ObjectListModel : public QAbstractTableModel {
 public:
  // Fills the texts of a record's row: column 0 and column 1.
  using TextsFn = std::function<void(const TXTObjectRef& record, QString& name, QString& cls)>;

  explicit ObjectListModel(TextsFn texts, QObject* parent = nullptr);
  // Replaces what makes the texts (empty: rows not yet made stay empty).
  void SetTexts(TextsFn texts) { texts_ = std::move(texts); }

  // Columns shown (1 or 2) and their header texts.
  void SetColumnCount(int count);
  void SetHeaderText(int column, const QString& text);

  // Replaces every row; texts are made again when they are next needed.
  void Reset(const kz::Collection<TXTObjectPtr>& records);
  // Inserts a row for `record` before `row` (at the end when `row` is out of range).
  void InsertRecord(int row, const TXTObjectRef& record);
  void RemoveRow(int row);
  // Forgets the texts of a row so they are made again.
  void RefreshRow(int row);

  // The row of the record with this key number (-1 when none).
  int RowOfId(int32_t id) const;
  const TXTObjectRef& RecordAt(int row) const;
  int Count() const { return static_cast<int>(rows_.size()); }
  // A row's text in a column, made on first use.
  const QString& Text(int row, int column) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  struct Texts {
    QString name;
    QString cls;
  };
  struct Row {
    TXTObjectRef record;
    std::unique_ptr<Texts> texts;  // made on first use
  };
  // The texts of a row, made on first use.
  Texts& Make(int row) const;

  TextsFn texts_;
  mutable std::vector<Row> rows_;
  int columns_ = 1;
  QString headers_[2];
};

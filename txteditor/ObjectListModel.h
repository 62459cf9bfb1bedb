#pragma once
// ObjectListModel: the editor window's object list as a flat table over the parser's
// records. A fill shows a collection of records as it stands, copying nothing (the list
// holds the collection's owner so that it stays whole while shown); the first row added
// or removed after it takes the rows over as the list's own (one reference a row). A
// row's texts (the name column and the class column) are asked of the window the first
// time the row is shown or searched, then kept until the row is refreshed, so filling
// the list with a large file costs nothing a row: only rows shown or searched take
// memory for their texts.
#include <QAbstractTableModel>
#include <QString>

#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "txteditor/TypeFileRefs.h"

class ObjectListModel : public QAbstractTableModel {
 public:
  using Records = kz::Collection<TXTObjectPtr>;
  // Fills the texts of a record's row: column 0 and column 1.
  using TextsFn = std::function<void(const TXTObjectRef& record, QString& name, QString& cls)>;

  explicit ObjectListModel(TextsFn texts, QObject* parent = nullptr);
  // Replaces what makes the texts (empty: rows not yet made stay empty).
  void SetTexts(TextsFn texts) { texts_ = std::move(texts); }

  // Columns shown (1 or 2) and their header texts.
  void SetColumnCount(int count);
  void SetHeaderText(int column, const QString& text);

  // Replaces every row with the records of `records`, in their order; `owner` keeps
  // them alive while the list shows them (the parser they belong to). Texts are made
  // again when they are next needed.
  void Reset(std::shared_ptr<const void> owner, const Records& records);
  // No rows; lets go of what the list showed.
  void Clear();
  // Takes the rows shown over as the list's own, so that the records they came from can
  // change: call before adding to them or removing from them.
  void Detach();
  // Inserts a row for `record` before `row` (at the end when `row` is out of range).
  // The records shown may hold it already, anywhere.
  void InsertRecord(int row, const TXTObjectRef& record);
  // Removes a row; the records shown may have let go of its record already.
  void RemoveRow(int row);
  // Forgets the texts of a row so they are made again.
  void RefreshRow(int row);

  // The row of the record with this key number (-1 when none).
  int RowOfId(int32_t id) const;
  const TXTObjectRef& RecordAt(int row) const;
  int Count() const { return source_ ? count_ : static_cast<int>(rows_.size()); }
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
  // Takes the rows shown from the collection over as the list's own, as they were when
  // last told: without `added` (when the collection holds it and one row more than
  // shown), or with an empty row at `removed` (when the collection has one row fewer).
  void TakeRows(const TXTObjectRef& added, int removed);

  TextsFn texts_;
  // While set, the rows are those of this collection (count_ of them), their texts in
  // sourceTexts_ by row; else they are rows_.
  std::shared_ptr<const void> owner_;
  const Records* source_ = nullptr;
  int count_ = 0;
  mutable std::unordered_map<int, Texts> sourceTexts_;
  mutable std::vector<Row> rows_;
  int columns_ = 1;
  QString headers_[2];
};

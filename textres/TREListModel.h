#pragma once
// TREListModel: the page or string list of the text resource editor as a Qt model over
// the rows the editor's state read (clsTRERows). Texts are made when a row is shown,
// so filling a list of any length costs the view nothing per row.
#include <QAbstractTableModel>
#include <QStringList>

class clsTRERows;

class TREListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // Item key and tag (the handle) of a row, for whoever looks.
  static constexpr int kKeyRole = Qt::UserRole + 1;
  static constexpr int kTagRole = Qt::UserRole + 2;

  TREListModel(const clsTRERows& rows, QStringList headers, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // The rows were read anew / one row was taken out of them.
  void Reset();
  void RowRemoved(int row);

 private:
  const clsTRERows& rows_;
  QStringList headers_;
  int count_ = 0;  // the rows the view knows of
};

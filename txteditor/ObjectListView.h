#pragma once
// ObjectListView: the editor window's object list, a table of one or two columns shown
// as a plain list (no grid, no row numbers, whole rows selected, rows of one height).
// A table keeps nothing for each row beyond a row height (a tree view lays out an item
// for every row of a flat list, some 40 bytes a row, before it shows any), so a file of
// millions of records is listed at a few bytes a record.
#include <QHeaderView>
#include <QTableView>

class ObjectListView : public QTableView {
 public:
  explicit ObjectListView(QWidget* parent = nullptr) : QTableView(parent) {
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    // The height of a tree view's row of text.
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(fontMetrics().height() + 1);
    QHeaderView* columns = horizontalHeader();
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setStretchLastSection(true);
  }
  // The column header (as a tree view names it).
  QHeaderView* header() const { return horizontalHeader(); }
};

#pragma once
// frmFiles ("Loaded Files"): the files the virtual file system now offers, each with
// the place it really comes from (a file of the data folder or a catalog entry), walked
// folder level by folder level under a filter of backslash-separated name patterns.
#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QTreeWidget;

class frmFiles : public QDialog {
  Q_OBJECT
 public:
  explicit frmFiles(QWidget* parent = nullptr);

  // Lists with the current filter, shows the active modification and shows the window.
  void ShowFiles(bool modal = false, QWidget* owner = nullptr);
  // Lists again with a filter text ("" = everything).
  void ListFiles(const std::string& filterText);
  // Column widths: the first as wide as its widest name, the second to the right edge.
  void FitColumns();

  QLabel* Label2 = nullptr;
  QLineEdit* FilterEdit = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* ActiveModEdit = nullptr;
  QTreeWidget* View = nullptr;

 protected:
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LayOutView();
};

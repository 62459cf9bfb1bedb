#include "shell/Files.h"

#include <QEvent>

#include <algorithm>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>

#include "core/AppError.h"
#include "core/Settings.h"
#include "core/ui/GenericUi.h"
#include "platform/Ui.h"
#include "shell/DialogRules.h"

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

frmFiles::frmFiles(QWidget* parent) : QDialog(parent) {
  setObjectName("frmFiles");
  setWindowTitle("Loaded Files");
  setSizeGripEnabled(true);
  resize(640, 440);

  Label2 = new QLabel("Filter", this);
  Label2->setObjectName("Label2");
  Label2->setGeometry(8, 10, 60, 22);
  FilterEdit = new QLineEdit(this);
  FilterEdit->setObjectName("FilterEdit");
  FilterEdit->setGeometry(70, 8, 220, 24);
  FilterEdit->installEventFilter(this);
  Label1 = new QLabel("Active mod file:", this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(300, 10, 100, 22);
  ActiveModEdit = new QLineEdit(this);
  ActiveModEdit->setObjectName("ActiveModEdit");
  ActiveModEdit->setReadOnly(true);
  ActiveModEdit->setGeometry(400, 8, 230, 24);
  View = new QTreeWidget(this);
  View->setObjectName("View");
  View->setRootIsDecorated(false);
  View->setColumnCount(2);
  View->setHeaderLabels({"VFS name", "Real name"});
  View->setUniformRowHeights(true);
  View->move(8, 40);
  LayOutView();

  connect(FilterEdit, &QLineEdit::returnPressed, this, [this] {
    try {
      ListFiles(FilterEdit->text().toStdString());
      FitColumns();
    } catch (const std::exception& e) {
      platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, {}, this);
    }
  });
}

void frmFiles::ListFiles(const std::string& filterText) {
  View->clear();
  QList<QTreeWidgetItem*> items;
  for (const kz::VfsFileRow& row : kz::WalkVfsFiles(filterText))
    items.append(new QTreeWidgetItem(QStringList{Q(row.VfsName), Q(row.RealName)}));
  View->addTopLevelItems(items);
}

void frmFiles::ShowFiles(bool modal, QWidget* owner) {
  if (owner && parentWidget() != owner) setParent(owner, windowFlags() | Qt::Window);
  ListFiles(FilterEdit->text().toStdString());
  LayOutView();
  View->setHeaderLabels({"VFS name", "Real name"});
  View->header()->setStretchLastSection(true);
  FitColumns();
  const std::string mod = Settings ? Settings->ActiveModName() : std::string();
  ActiveModEdit->setText(mod.empty() ? QString("(none)") : Q(mod));
  if (modal) {
    exec();
  } else {
    show();
    raise();
  }
}

void frmFiles::FitColumns() {
  // Every VFS name reads whole (at least half the list); "Real name" reaches the
  // list's right edge.
  View->header()->setResizeContentsPrecision(-1);  // every row, not only the visible ones
  View->resizeColumnToContents(0);
  View->setColumnWidth(0, std::max(View->columnWidth(0), View->viewport()->width() / 2));
}

void frmFiles::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  LayOutView();
}

void frmFiles::LayOutView() {
  const int w = width() - View->x();
  const int h = height() - View->y();
  if (w > 0 && h > 0) View->resize(w, h);
}

bool frmFiles::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FilterEdit && event->type() == QEvent::FocusIn)
    QTimer::singleShot(0, FilterEdit, [e = FilterEdit] { e->selectAll(); });
  return QDialog::eventFilter(watched, event);
}

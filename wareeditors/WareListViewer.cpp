#include "wareeditors/WareListViewer.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "typefiles/Archive.h"
#include "wareeditors/model/WareListRules.h"

namespace {

// Twips and pixels at the widget's logical resolution (1440 twips an inch).
int32_t TwipsOf(const QWidget* w, int pixels) {
  const int dpi = std::max(1, w->logicalDpiX());
  return static_cast<int32_t>(int64_t(pixels) * 1440 / dpi);
}
int PixelsOf(const QWidget* w, int32_t twips) {
  const int dpi = std::max(1, w->logicalDpiX());
  return static_cast<int>(int64_t(twips) * dpi / 1440);
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

WareListViewer::WareListViewer(QWidget* parent) : WareListViewerBase(parent) {
  setObjectName("WareListViewer");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 3, 3);  // about 50 twips right and below
  WareView = new QTreeWidget(this);
  WareView->setObjectName("WareView");
  WareView->setRootIsDecorated(false);
  WareView->setUniformRowHeights(true);
  WareView->setAllColumnsShowFocus(true);
  WareView->header()->setStretchLastSection(false);
  WareView->setColumnCount(0);
  layout->addWidget(WareView);
  wares_ = std::make_shared<clsWareCollection>(nullptr);
  wareLists_ = std::make_shared<clsTxtParser>();
}

bool WareListViewer::Init() {
  wares_ = mdlWareList::SharedWareCollection();
  TxtParserRef lists = Archive ? Archive->GetFile("WareLists") : nullptr;
  wareLists_ = lists ? lists : std::make_shared<clsTxtParser>();
  return lists != nullptr;
}

void WareListViewer::ShowWareList(int32_t index) {
  TXTObjectPtr list = wareLists_ ? wareLists_->FindIndex(index) : nullptr;
  FillWareView(WareView, list.get(), *wares_, mdlWareListView::NotFoundCaption(index));
}

void WareListViewer::ShowMissing(const std::string& what) {
  FillWareView(WareView, nullptr, *wares_, mdlWareListView::NotFoundCaption(what));
}

void WareListViewer::Clear() { WareView->clear(); }

void WareListViewer::FillWareView(QTreeWidget* view, const clsTXTObject* list, const clsWareCollection& wares,
                                  const std::string& missingCaption) {
  using namespace mdlWareListView;
  view->setUpdatesEnabled(false);
  view->clear();
  if (!list) {
    view->setColumnCount(1);
    view->setHeaderLabels({Q(missingCaption)});
    view->setColumnWidth(0, std::max(0, view->width() - PixelsOf(view, 100)));
    view->setUpdatesEnabled(true);
    return;
  }
  const std::vector<WareRow> rows = WareListRows(*list, wares);
  const QFontMetrics metrics(view->font());
  int widestName = 0, widestID = 0;  // pixels
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (const WareRow& row : rows) {
    auto* item = new QTreeWidgetItem;
    const QString name = Q(row.name), id = Q(row.id);
    item->setText(0, name);
    item->setText(1, id);
    widestName = std::max(widestName, metrics.horizontalAdvance(name));
    widestID = std::max(widestID, metrics.horizontalAdvance(id));
    items.push_back(item);
  }
  view->setColumnCount(2);
  view->setHeaderLabels({"Name", "ID"});
  const int32_t nameTw = rows.empty() ? 0 : TwipsOf(view, widestName) + kColumnPaddingTwips;
  const int32_t idTw = rows.empty() ? 0 : TwipsOf(view, widestID) + kColumnPaddingTwips;
  view->setColumnWidth(0, PixelsOf(view, FittedColumnWidth(nameTw)));
  view->setColumnWidth(1, PixelsOf(view, FittedColumnWidth(idTw)));
  view->addTopLevelItems(items);
  view->setUpdatesEnabled(true);
}

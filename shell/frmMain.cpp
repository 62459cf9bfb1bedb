#include "shell/frmMain.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QCloseEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "core/Outside.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "platform/Ui.h"
#include "shell/CommandLine.h"
#include "shell/LauncherSlots.h"
#include "shell/QtWindowPlace.h"

namespace kz {
namespace {

constexpr int kKeyRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;
constexpr int kCaptionRole = Qt::UserRole + 3;

QPointer<frmMain> gMainWindow;

clsSettings& Cfg() {
  if (!Settings) throw AppError(91, "frmMain", "The settings are not loaded.");
  return *Settings;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// The file name without folder and extension, over both separators.
QString ProgramTitle(const std::string& path) {
  std::string name = path;
  const size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name = name.substr(0, dot);
  return Q(name);
}

// The built-in images, drawn in 32 x 32.
QIcon DrawBuiltInIcon(const QString& key) {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 40, 60), 1.5));
  if (key == "te") {
    p.setBrush(QColor(250, 250, 240));
    p.drawRect(4, 4, 24, 24);
    for (int y = 10; y < 28; y += 6) p.drawLine(4, y, 28, y);
    p.drawLine(13, 4, 13, 28);
  } else if (key == "ge") {
    p.setBrush(QColor(20, 30, 70));
    p.drawEllipse(3, 3, 26, 26);
    p.setBrush(QColor(240, 200, 60));
    p.drawEllipse(9, 9, 8, 8);
    p.setBrush(QColor(120, 190, 255));
    p.drawEllipse(19, 17, 5, 5);
  } else if (key == "tre") {
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(6, 3, 20, 26);
    for (int y = 9; y < 27; y += 5) p.drawLine(9, y, 23, y);
  } else if (key == "settings") {
    p.setBrush(QColor(170, 170, 180));
    for (int i = 0; i < 8; ++i) {
      p.save();
      p.translate(16, 16);
      p.rotate(i * 45.0);
      p.drawRect(-3, -15, 6, 8);
      p.restore();
    }
    p.drawEllipse(6, 6, 20, 20);
    p.setBrush(Qt::white);
    p.drawEllipse(12, 12, 8, 8);
  } else {
    p.setBrush(key == "help" ? QColor(60, 120, 220) : QColor(60, 160, 90));
    p.drawEllipse(3, 3, 26, 26);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(20);
    p.setFont(f);
    p.drawText(QRect(3, 3, 26, 26), Qt::AlignCenter, key == "help" ? "?" : "i");
  }
  p.end();
  return QIcon(pm);
}

// The icon view, opened up for placing its items.
class IconView : public QListWidget {
 public:
  using QListWidget::QListWidget;
  void PlaceItem(QListWidgetItem* item, QPoint p) { setPositionForIndex(p, indexFromItem(item)); }
  bool Editing() const { return state() == QAbstractItemView::EditingState; }
};

IconView* Icons(QListWidget* view) { return static_cast<IconView*>(view); }

// The view's items as the settings object stores their captions.
class ViewIconList : public IconList {
 public:
  explicit ViewIconList(QListWidget* view) : view_(view) {}
  int32_t ItemCount() const override { return view_->count(); }
  std::string ItemKey(int32_t index) const override { return S(view_->item(index)->data(kKeyRole).toString()); }
  std::string ItemCaption(int32_t index) const override { return S(view_->item(index)->text()); }
  int32_t FindItemByKey(const std::string& key) const override {
    const QString k = Q(key);
    for (int i = 0; i < view_->count(); ++i)
      if (view_->item(i)->data(kKeyRole).toString().compare(k, Qt::CaseInsensitive) == 0) return i;
    return -1;
  }
  void SetItemCaption(int32_t index, const std::string& caption) override {
    if (caption.empty()) return;  // an item never loses its caption
    view_->item(index)->setText(Q(caption));
  }

 private:
  QListWidget* view_;
};

bool TraceOpen() { return std::getenv("KZ_TRACE_OPEN") != nullptr; }

void Trace(const char* what, const std::string& path) {
  if (TraceOpen()) {
    std::fprintf(stderr, "kz-open %s \"%s\"\n", what, path.c_str());
    std::fflush(stderr);
  }
}

}  // namespace

frmMain* MainWindow() { return gMainWindow.data(); }

LauncherSlots& GetLauncherSlots() {
  static LauncherSlots table;
  return table;
}

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmMain");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(Q(GetAppTitle()));
  View = new IconView(this);
  View->setObjectName("View");
  View->setViewMode(QListView::IconMode);
  View->setMovement(QListView::Free);
  View->setResizeMode(QListView::Fixed);
  View->setWrapping(true);
  View->setSelectionMode(QAbstractItemView::SingleSelection);
  View->setEditTriggers(QAbstractItemView::NoEditTriggers);
  View->setIconSize(QSize(32, 32));
  View->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  View->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  View->setContextMenuPolicy(Qt::NoContextMenu);
  View->setWordWrap(true);
  setCentralWidget(View);
  View->installEventFilter(this);
  View->viewport()->installEventFilter(this);
  connect(View, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { LaunchSelected(); });
  connect(View, &QListWidget::itemChanged, this, &frmMain::OnItemChanged);

  BuildMenus();
  BuildItems();
  LoadMainWindowState();
  gMainWindow = this;
}

frmMain::~frmMain() = default;

void frmMain::BuildMenus() {
  auto action = [this](QMenu* menu, const char* name, const QString& text) {
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    return a;
  };
  mnuFile = menuBar()->addMenu("&File");
  mnuFile->setObjectName("mnuFile");
  mnuExit = action(mnuFile, "mnuExit", "E&xit");
  mnuSettings = menuBar()->addMenu("&Settings");
  mnuSettings->setObjectName("mnuSettings");
  mnuConfiguration = action(mnuSettings, "mnuConfiguration", "&Configuration");
  mnuSettings->addSeparator();
  mnuShowFiles = action(mnuSettings, "mnuShowFiles", "Show loaded files");
  mnuReload = action(mnuSettings, "mnuReload", "Reload files");
  mnuHelp = menuBar()->addMenu("&Help");
  mnuHelp->setObjectName("mnuHelp");
  mnuContent = action(mnuHelp, "mnuContent", "&Content");
  mnuAbout = action(mnuHelp, "mnuAbout", "&About");

  mnuPopup = new QMenu(this);
  mnuPopup->setObjectName("mnuPopup");
  mnuIcons = mnuPopup->addMenu("Icons");
  mnuIcons->setObjectName("mnuIcons");
  mnuAutoArrange = action(mnuIcons, "mnuAutoArrange", "Auto Arrange");
  mnuAutoArrange->setCheckable(true);
  mnuRename = action(mnuPopup, "mnuRename", "Rename");

  // Every handler shows what it may throw: no error leaves the event loop.
  auto guarded = [this](QAction* a, auto fn) {
    connect(a, &QAction::triggered, this, [this, fn] {
      try {
        fn();
      } catch (const AppError& e) {
        platform::Ui::Instance().MsgBox(e.Description, platform::vbCritical, {}, this);
      } catch (const std::exception& e) {
        platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, {}, this);
      }
    });
  };
  guarded(mnuExit, [this] { close(); });
  guarded(mnuConfiguration, [this] { ShowSettingsDialog(); });
  guarded(mnuShowFiles, [this] { ShowFiles(); });
  guarded(mnuReload, [this] { ReloadFiles(); });
  guarded(mnuContent, [this] { ShowHelpTopic("", this); });
  guarded(mnuAbout, [this] { ShowAbout(); });
  guarded(mnuAutoArrange, [this] {
    const bool on = !Cfg().AutoArrangeIcons();
    Cfg().SetAutoArrangeIcons(on);
    if (on) ArrangeIcons();
  });
  guarded(mnuRename, [this] { RenameSelected(); });
}

QListWidgetItem* frmMain::AddItem(const QString& key, const QString& caption, const QString& imageKey,
                                  const QString& tooltip) {
  auto* item = new QListWidgetItem();
  item->setData(kKeyRole, key);
  item->setText(caption);
  item->setData(kCaptionRole, caption);
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
  if (!tooltip.isEmpty()) item->setToolTip(tooltip);
  View->addItem(item);
  SetItemImage(item, imageKey);
  return item;
}

void frmMain::SetItemImage(QListWidgetItem* item, const QString& imageKey) {
  item->setData(kImageRole, imageKey);
  const auto it = images_.find(imageKey);
  item->setIcon(imageKey.isEmpty() || it == images_.end() ? QIcon() : it->second);
}

void frmMain::BuildItems() {
  for (const char* key : {"te", "ge", "tre", "settings", "help", "about"}) images_[key] = DrawBuiltInIcon(key);
  clsSettings& s = Cfg();
  AddItem("te", "TXT Editor", "te", {});
  AddItem("ge", "Galaxy Editor", "ge", {});
  AddItem("tre", "Text Resource Editor", "tre", {});
  if (const std::string mm = s.KzMMFullPath(); !mm.empty())
    AddItem("jvmm", "Kz RedIrodova", GetProgramIcon(Q(mm)), Q(mm));
  const std::string game = s.KzEXEPath();
  AddItem("jv", "Kz", GameIcon(game), Q(game));
  if (const std::string custom = s.CustomProgram(); !custom.empty())
    AddItem("custom", ProgramTitle(custom), GetProgramIcon(Q(custom)), Q(custom));
  if (const std::string viewer = s.Ext3DViewerPath(); !viewer.empty())
    AddItem("3Dviwer", ProgramTitle(viewer), GetProgramIcon(Q(viewer)), {});
  AddItem("settings", "Settings", "settings", {});
  AddItem("help", "Help", "help", {});
  AddItem("about", "About", "about", {});
}

QString frmMain::GetProgramIcon(const QString& path) {
  if (path.isEmpty()) return {};
  if (images_.count(path)) return path;
  const QFileInfo info(path);
  if (!info.exists()) return {};
  QIcon icon = QFileIconProvider().icon(info);
  // A program without an icon of its own gets the plain one.
  if (icon.isNull()) icon = images_.at(PlainProgramIcon());
  images_[path] = icon;
  return path;
}

QString frmMain::PlainProgramIcon() {
  const QString key = "program";
  if (images_.count(key)) return key;
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(QColor(40, 40, 60));
  p.setBrush(QColor(210, 220, 235));
  p.drawRect(3, 6, 26, 20);
  p.fillRect(4, 7, 25, 4, QColor(60, 90, 160));
  p.end();
  images_[key] = QIcon(pm);
  return key;
}

QString frmMain::GameIcon(const std::string& game) {
  const QString own = GetProgramIcon(Q(game));
  return own.isEmpty() ? PlainProgramIcon() : own;
}

QListWidgetItem* frmMain::ItemByKey(const QString& key) const {
  for (int i = 0; i < View->count(); ++i)
    if (View->item(i)->data(kKeyRole).toString() == key) return View->item(i);
  return nullptr;
}

QStringList frmMain::ItemKeys() const {
  QStringList keys;
  for (int i = 0; i < View->count(); ++i) keys << View->item(i)->data(kKeyRole).toString();
  return keys;
}

QString frmMain::ItemImageKey(const QListWidgetItem* item) const {
  return item ? item->data(kImageRole).toString() : QString();
}

IconPlace frmMain::ItemPlace(const QListWidgetItem* item) const {
  const QPoint p = View->visualItemRect(item).topLeft() +
                   QPoint(View->horizontalScrollBar()->value(), View->verticalScrollBar()->value());
  return {p.x(), p.y()};
}

void frmMain::SetItemPlace(QListWidgetItem* item, IconPlace place) {
  Icons(View)->PlaceItem(item, QPoint(place.Left, place.Top));
}

void frmMain::MeasureCells() {
  int w = 0, h = 0;
  for (int i = 0; i < View->count(); ++i) {
    const QSize size = View->sizeHintForIndex(View->model()->index(i, 0));
    w = std::max(w, size.width());
    h = std::max(h, size.height());
  }
  cellWidth_ = w;
  cellHeight_ = h;
  measured_ = true;
}

void frmMain::ArrangeIcons() {
  const auto places = ArrangeIconPlaces(View->viewport()->width(), cellWidth_, cellHeight_,
                                        static_cast<std::size_t>(View->count()));
  for (int i = 0; i < View->count(); ++i) SetItemPlace(View->item(i), places[static_cast<std::size_t>(i)]);
}

void frmMain::SnapIconToGrid(QListWidgetItem* item) {
  if (!item || cellWidth_ <= 0 || cellHeight_ <= 0) return;
  SetItemPlace(item, SnapIconPlace(ItemPlace(item), cellWidth_, cellHeight_));
}

void frmMain::LaunchSelected() {
  const QList<QListWidgetItem*> selected = View->selectedItems();
  if (selected.isEmpty()) return;
  const QString key = selected.first()->data(kKeyRole).toString();
  clsSettings& s = Cfg();
  if (key == "about") ShowAbout();
  else if (key == "custom") StartProcess(s.CustomProgram());
  else if (key == "ge") OpenGalaxyEditor("");
  else if (key == "help") ShowHelpTopic("", this);
  else if (key == "settings") ShowSettingsDialog();
  else if (key == "te") OpenTxtEditor("");
  else if (key == "tre") OpenTextResourceEditor("");
  else if (key == "jvmm") StartProcess(s.KzMMFullPath());
  else if (key == "jv") StartProcess(s.KzEXEPath());
  else if (key == "3Dviwer") StartProcess(s.Ext3DViewerPath());
}

void frmMain::RenameSelected() {
  const QList<QListWidgetItem*> selected = View->selectedItems();
  if (!selected.isEmpty()) View->editItem(selected.first());
}

void frmMain::OnItemChanged(QListWidgetItem* item) {
  const QString stored = item->data(kCaptionRole).toString();
  if (item->text() == stored) return;
  if (item->text().trimmed().isEmpty()) {
    item->setText(stored);  // an empty caption is refused
    return;
  }
  item->setData(kCaptionRole, item->text());
}

void frmMain::ShowIconMenu(int x, int y) {
  mnuAutoArrange->setChecked(Cfg().AutoArrangeIcons());
  mnuRename->setEnabled(!View->selectedItems().isEmpty());
  mnuPopup->popup(View->viewport()->mapToGlobal(QPoint(x, y)));
}

void frmMain::ViewMouseDown(Qt::MouseButton button, QListWidgetItem* item) {
  if (!item) View->clearSelection();
  draggedItem_ = (item && button == Qt::LeftButton) ? item : nullptr;
}

void frmMain::ViewMouseUp(Qt::MouseButton button, QListWidgetItem* item, QPoint pos) {
  if (button == Qt::RightButton) {
    ShowIconMenu(pos.x(), pos.y());
  } else if (button == Qt::LeftButton && item && item == draggedItem_) {
    if (Cfg().AutoArrangeIcons()) ArrangeIcons();
    else SnapIconToGrid(item);
  }
  draggedItem_ = nullptr;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  try {
    if (watched == View->viewport()) {
      switch (event->type()) {
        case QEvent::MouseButtonPress: {
          auto* e = static_cast<QMouseEvent*>(event);
          ViewMouseDown(e->button(), View->itemAt(e->position().toPoint()));
          break;
        }
        case QEvent::MouseButtonRelease: {
          auto* e = static_cast<QMouseEvent*>(event);
          ViewMouseUp(e->button(), View->itemAt(e->position().toPoint()), e->position().toPoint());
          break;
        }
        case QEvent::Drop: {
          // A dragged icon is dropped by the view itself; its new place is settled
          // once the view has moved it.
          auto* e = static_cast<QDropEvent*>(event);
          const QPoint pos = e->position().toPoint();
          QMetaObject::invokeMethod(
              this,
              [this, pos] {
                try {
                  if (draggedItem_) ViewMouseUp(Qt::LeftButton, View->itemAt(pos), pos);
                } catch (...) {
                }
              },
              Qt::QueuedConnection);
          break;
        }
        case QEvent::Resize:
          if (measured_ && Settings && Cfg().AutoArrangeIcons()) {
            QMetaObject::invokeMethod(this, [this] {
              if (Settings && Cfg().AutoArrangeIcons()) ArrangeIcons();
            }, Qt::QueuedConnection);
          }
          break;
        default:
          break;
      }
    } else if (watched == View && event->type() == QEvent::KeyPress) {
      auto* e = static_cast<QKeyEvent*>(event);
      if (!Icons(View)->Editing()) {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
          LaunchSelected();
          return true;
        }
        if (e->key() == Qt::Key_F2) {
          RenameSelected();
          return true;
        }
      }
    }
  } catch (const AppError& e) {
    platform::Ui::Instance().MsgBox(e.Description, platform::vbCritical, {}, this);
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, {}, this);
  }
  return QMainWindow::eventFilter(watched, event);
}

void frmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  ApplyPendingOuterSize(this);
  if (!measured_) {
    MeasureCells();
    if (fitFirstSize_) FitItems();
    ArrangeIcons();
  }
}

void frmMain::FitItems() {
  fitFirstSize_ = false;
  if (cellWidth_ <= 0 || cellHeight_ <= 0) return;
  const int frameW = View->width() - View->viewport()->width() -
                     (View->verticalScrollBar()->isVisible() ? View->verticalScrollBar()->width() : 0);
  const int frameH = View->height() - View->viewport()->height() -
                     (View->horizontalScrollBar()->isVisible() ? View->horizontalScrollBar()->height() : 0);
  // The places the items get at the view's width without a scroll bar.
  const int viewportW = std::max(View->width() - frameW, cellWidth_ + 10);
  const auto places = ArrangeIconPlaces(viewportW, cellWidth_, cellHeight_, static_cast<std::size_t>(View->count()));
  int right = 0, bottom = 0;
  for (const IconPlace& p : places) {
    right = std::max(right, p.Left + cellWidth_ + 5);
    bottom = std::max(bottom, p.Top + cellHeight_ + 5);
  }
  const int growW = std::max(0, right + frameW - View->width());
  const int growH = std::max(0, bottom + frameH - View->height());
  if (growW == 0 && growH == 0) return;
  // The window settles its own size: the default outer size no longer applies, the
  // place (kept on the screen once the frame is known) still does.
  KeepPendingPlaceOnly(this);
  resize(width() + growW, height() + growH);
}

void frmMain::MyShow(bool modal, QWidget* owner) {
  setWindowTitle(Q(GetAppTitle() + " (" + GetAppVersion() + ")"));
  ProcessCommandLine(commandLine_);
  if (Cfg().DataRoot().empty()) {
    const int answer = platform::Ui::Instance().MsgBox(
        "Ze Zuzazo was unable to find Kz path in your registry. Do you want to set it now manually?",
        platform::vbYesNo | platform::vbQuestion, {}, this);
    if (answer == platform::vbYes) ShowSettingsDialog();
  }
  if (owner) setParent(owner, windowFlags() | Qt::Window);
  if (modal) setWindowModality(Qt::ApplicationModal);
  show();
}

bool frmMain::ProcessRequest(const std::string& request) {
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
  if (request.rfind("rez://", 0) != 0) return false;
  ProcessCommandLine(request.substr(6));
  return true;
}

void frmMain::ProcessCommandLine(const std::string& commandLine) {
  const OpenDecision d = DecideCommandLine(SplitCommandLine(commandLine));
  switch (d.Target) {
    case OpenTarget::Nothing: break;
    case OpenTarget::TxtEditor: OpenTxtEditor(d.FileName); break;
    case OpenTarget::GalaxyEditor: OpenGalaxyEditor(d.FileName); break;
    case OpenTarget::TextResourceEditor: OpenTextResourceEditor(d.FileName); break;
    case OpenTarget::UnknownFile:
      Trace("unknown", d.FileName);
      platform::Ui::Instance().MsgBox(UnknownFileText(d.FileName), platform::vbExclamation, {}, this);
      break;
    case OpenTarget::Usage:
      Trace("usage", "");
      platform::Ui::Instance().MsgBox(CommandLineUsageText(), platform::vbExclamation, {}, this);
      break;
  }
}

void frmMain::OpenByType(const std::string& fileName, const std::string& fileType) {
  const OpenDecision d = DecideOpenByType(fileName, fileType);
  switch (d.Target) {
    case OpenTarget::TxtEditor: OpenTxtEditor(d.FileName); break;
    case OpenTarget::GalaxyEditor: OpenGalaxyEditor(d.FileName); break;
    case OpenTarget::TextResourceEditor: OpenTextResourceEditor(d.FileName); break;
    default:
      Trace("unknown", d.FileName);
      platform::Ui::Instance().MsgBox(UnknownFileText(d.FileName), platform::vbExclamation, {}, this);
      break;
  }
}

void frmMain::NotAvailable(const std::string& what) {
  platform::Ui::Instance().MsgBox(what + " is not available yet.", platform::vbInformation, {}, this);
}

void frmMain::OpenTxtEditor(const std::string& path) {
  Trace("te", path);
  auto& slot = GetLauncherSlots().OpenTxtEditor;
  if (!slot) return NotAvailable("The type-file editor");
  slot(this, path);
}

void frmMain::OpenGalaxyEditor(const std::string& path) {
  Trace("ge", path);
  auto& slot = GetLauncherSlots().OpenGalaxyEditor;
  if (!slot) return NotAvailable("The galaxy editor");
  slot(this, path);
}

void frmMain::OpenTextResourceEditor(const std::string& path) {
  Trace("tre", path);
  auto& slot = GetLauncherSlots().OpenTextResourceEditor;
  if (!slot) return NotAvailable("The text resource editor");
  slot(this, path);
}

void frmMain::ShowAbout() {
  auto& slot = GetLauncherSlots().ShowAbout;
  if (!slot) return NotAvailable("The about box");
  slot(this);
}

void frmMain::ShowFiles() {
  auto& slot = GetLauncherSlots().ShowFiles;
  if (!slot) return NotAvailable("The list of loaded files");
  slot(this);
}

void frmMain::ReloadFiles() {
  try {
    LoadKzData(static_cast<WindowRef>(this));
  } catch (const AppError& e) {
    platform::Ui::Instance().MsgBox("Error reloading files: " + e.Description, platform::vbCritical, {}, this);
  }
}

void frmMain::ShowSettingsDialog() {
  auto& slot = GetLauncherSlots().ShowSettings;
  if (!slot) return NotAvailable("The settings dialog");
  const std::string viewer = Cfg().Ext3DViewerPath();
  if (slot(this) == 1) RefreshProgramItems(viewer);
}

void frmMain::UpdateProgramItem(const QString& key, const std::string& path) {
  QListWidgetItem* item = ItemByKey(key);
  if (!item) item = AddItem(key, key, {}, {});
  item->setText(ProgramTitle(path));
  item->setData(kCaptionRole, item->text());
  SetItemImage(item, GetProgramIcon(Q(path)));
  SnapIconToGrid(item);
}

void frmMain::RemoveItem(const QString& key) {
  if (QListWidgetItem* item = ItemByKey(key)) {
    if (item == draggedItem_) draggedItem_ = nullptr;
    delete View->takeItem(View->row(item));
  }
}

void frmMain::RefreshProgramItems(const std::string& previousViewerPath) {
  clsSettings& s = Cfg();
  if (QListWidgetItem* jv = ItemByKey("jv")) {
    const std::string game = s.KzEXEPath();
    jv->setToolTip(Q(game));
    SetItemImage(jv, GameIcon(game));
  }
  if (const std::string custom = s.CustomProgram(); !custom.empty()) UpdateProgramItem("custom", custom);
  else RemoveItem("custom");
  if (const std::string viewer = s.Ext3DViewerPath(); !viewer.empty()) {
    if (QString::compare(Q(viewer), Q(previousViewerPath), Qt::CaseInsensitive) != 0)
      UpdateProgramItem("3Dviwer", viewer);
  } else {
    RemoveItem("3Dviwer");
  }
}

void frmMain::LoadMainWindowState() {
  fitFirstSize_ = Cfg().ReadRegValue("main", "height", kRegNumber).IsEmpty();
  clsQtWindowPlace place(this, true);
  Cfg().LoadWindowPos(place, "main", 375, 143);
  ViewIconList icons(View);
  Cfg().LoadIcons(icons);
  for (int i = 0; i < View->count(); ++i) View->item(i)->setData(kCaptionRole, View->item(i)->text());
}

void frmMain::SaveMainWindowState() {
  if (!Settings) return;
  clsQtWindowPlace place(this, true);
  if (place.GetWindowState() == kWindowNormal) Cfg().SaveWindowPos(place, "main");
  ViewIconList icons(View);
  Cfg().SaveIcons(icons);
}

void frmMain::closeEvent(QCloseEvent* event) {
  // The windows the launcher owns close first, each asking about its unsaved work;
  // one that stays open keeps the launcher open too.
  for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (w->isWindow() && w->isVisible() && w != mnuPopup && !w->close()) {
      event->ignore();
      return;
    }
  }
  try {
    SaveMainWindowState();
  } catch (...) {
  }
  event->accept();
}

}  // namespace kz

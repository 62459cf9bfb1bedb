// The type-file editor window: its page slots, controls, menus and toolbar, its opening, and its keys, mouse and drops.
#include "txteditor/TXTEditor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QRadioButton>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <exception>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "core/KzConst.h"
#include "core/LibBindings.h"
#include "core/Outside.h"
#include "core/Settings.h"
#include "core/ui/ToolbarUi.h"
#include "core/ui/WaitCursor.h"
#include "gamelibs/rudu/FileObject.h"
#include "gamelibs/rudu/rudu.h"
#include "platform/Ui.h"
#include "shell/CATDialog.h"
#include "shell/Find.h"
#include "shell/JvFileDialog.h"
#include "shell/Text.h"
#include "shell/LauncherSlots.h"
#include "txteditor/Edit.h"
#include "txteditor/EditorPage.h"
#include "txteditor/ObjectListModel.h"
#include "txteditor/RecordClipboard.h"
#include "txteditor/TXTEditorRules.h"
using namespace mdlTXTEditorRules;

namespace {

constexpr const char* kSection = "TE";

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }
int Tw(int twips) { return twips / 15; }

std::string Describe(const std::exception& e) { return e.what(); }

std::array<frmTXTEditor::PageFactory, frmTXTEditor::kPageSlots>& Factories() {
  static std::array<frmTXTEditor::PageFactory, frmTXTEditor::kPageSlots> factories;
  return factories;
}

}  // namespace

// ---- page slots -------------------------------------------------------------------

void frmTXTEditor::SetPageFactory(int slot, PageFactory factory) {
  if (slot < 0 || slot >= kPageSlots) return;
  Factories()[static_cast<size_t>(slot)] = std::move(factory);
}

frmTXTEditor::PageFactory frmTXTEditor::PageFactoryOf(int slot) {
  if (slot < 0 || slot >= kPageSlots) return {};
  return Factories()[static_cast<size_t>(slot)];
}

const char* frmTXTEditor::PageControlName(int slot) {
  static const char* names[kPageSlots] = {"ShipEdit", "TurretEdit", "WareEdit", "JobEdit", "WareListEdit"};
  return slot >= 0 && slot < kPageSlots ? names[slot] : "";
}

std::function<void(QWidget*)>& frmTXTEditor::DescEditorOpener() {
  static std::function<void(QWidget*)> opener;
  return opener;
}

// ---- construction -------------------------------------------------------------------

frmTXTEditor* frmTXTEditor::OpenNew(QWidget* owner, const std::string& path) {
  auto* window = new frmTXTEditor(owner);
  window->MyShow(false, owner);
  window->setWindowState(window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
  if (!path.empty()) window->OpenFile(path);
  return window;
}

bool frmTXTEditor::OpenFileOf(QWidget* window, std::string& path) {
  auto* editor = qobject_cast<frmTXTEditor*>(window);
  if (!editor || !editor->parser_ || editor->parser_->FileName.empty()) return false;
  path = editor->parser_->FileName;
  return true;
}

frmTXTEditor::frmTXTEditor(QWidget* owner) : QMainWindow(owner) {
  setObjectName("frmTXTEditor");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(kTitle);
  parser_ = std::make_shared<clsTxtParser>();
  BuildControls();
  BuildToolbar();
}

frmTXTEditor::~frmTXTEditor() {
  // The list may still be asked for texts while the child controls go.
  if (ObjectList) ObjectList->SetTexts(nullptr);
  clsRecordClipboard::Instance().ForgetSource(this);
  if (find_) {
    find_->OnFindNext = nullptr;
    find_->OnClose = nullptr;
    delete find_.data();
  }
}

int32_t frmTXTEditor::Msg(const std::string& text, int32_t flags, bool ownTitle) {
  return platform::Ui::Instance().MsgBox(text, flags, ownTitle ? std::string(kTitle) : kz::GetAppTitle(), this);
}

void frmTXTEditor::BuildControls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* top = new QVBoxLayout(central);
  top->setContentsMargins(4, 4, 4, 4);

  // Left: the list options and the object list.
  auto* left = new QWidget(central);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  auto* options = new QHBoxLayout;
  chkSort = new QCheckBox("Sorted", left);
  chkSort->setObjectName("chkSort");
  options->addWidget(chkSort);
  static const char* modes[3] = {"Name", "Race", "ID"};
  for (int i = 0; i < 3; ++i) {
    rbName[static_cast<size_t>(i)] = new QRadioButton(modes[i], left);
    rbName[static_cast<size_t>(i)]->setObjectName(QString("rbName%1").arg(i));
    options->addWidget(rbName[static_cast<size_t>(i)]);
    connect(rbName[static_cast<size_t>(i)], &QRadioButton::clicked, this, [this, i] { SetListMode(i); });
  }
  options->addStretch(1);
  leftLayout->addLayout(options);
  ObjectView = new ObjectListView(left);
  ObjectView->setObjectName("ObjectView");
  ObjectList = new ObjectListModel(
      [this](const TXTObjectRef& record, QString& name, QString& cls) { MakeRowTexts(record, name, cls); }, this);
  ObjectList->setObjectName("ObjectList");
  ObjectList->SetHeaderText(0, "Name");
  ObjectView->setModel(ObjectList);
  ObjectView->setSelectionMode(QAbstractItemView::SingleSelection);
  ObjectView->setAcceptDrops(true);
  ObjectView->viewport()->setAcceptDrops(true);
  ObjectView->installEventFilter(this);
  ObjectView->viewport()->installEventFilter(this);
  leftLayout->addWidget(ObjectView, 1);
  left->setMinimumWidth(Tw(2000));

  // Right: the tabs and the description label.
  auto* right = new QWidget(central);
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  MainTab = new QTabWidget(right);
  MainTab->setObjectName("MainTab");
  auto* rawTab = new QWidget(MainTab);
  auto* rawLayout = new QHBoxLayout(rawTab);
  rawLayout->setContentsMargins(Tw(100), Tw(100), Tw(100), Tw(100));
  ObjectDataView = new QTreeWidget(rawTab);
  ObjectDataView->setObjectName("ObjectDataView");
  ObjectDataView->setColumnCount(2);
  ObjectDataView->setHeaderLabels({"[off]", "Value"});
  ObjectDataView->setRootIsDecorated(false);
  ObjectDataView->setUniformRowHeights(true);
  ObjectDataView->setSelectionMode(QAbstractItemView::SingleSelection);
  ObjectDataView->setAllColumnsShowFocus(true);
  ObjectDataView->installEventFilter(this);
  rawLayout->addWidget(ObjectDataView, 3);
  auto* watch = new QGroupBox("Watch from offset", rawTab);
  auto* watchLayout = new QVBoxLayout(watch);
  auto* bounds = new QHBoxLayout;
  WatchFrom = new QLineEdit(watch);
  WatchFrom->setObjectName("WatchFrom");
  WatchTo = new QLineEdit(watch);
  WatchTo->setObjectName("WatchTo");
  bounds->addWidget(WatchFrom);
  bounds->addWidget(WatchTo);
  watchLayout->addLayout(bounds);
  WatchList = new QListWidget(watch);
  WatchList->setObjectName("WatchList");
  watchLayout->addWidget(WatchList, 1);
  rawLayout->addWidget(watch, 1);
  MainTab->addTab(rawTab, "Raw data");
  pageHost_ = new QWidget(MainTab);
  pageHost_->setObjectName("PageHost");
  auto* pageLayout = new QVBoxLayout(pageHost_);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  MainTab->addTab(pageHost_, "");
  rightLayout->addWidget(MainTab, 1);
  lblObjectName = new QLabel(right);
  lblObjectName->setObjectName("lblObjectName");
  rightLayout->addWidget(lblObjectName);
  right->setMinimumWidth(Tw(2000));

  auto* splitter = new QSplitter(Qt::Horizontal, central);
  splitter->setObjectName("Splitter");
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(left);
  splitter->addWidget(right);
  splitter->setStretchFactor(1, 2);
  top->addWidget(splitter, 1);

  Bar = new QStatusBar(this);
  Bar->setObjectName("Bar");
  for (int i = 1; i <= 2; ++i) {
    auto* panel = new QLabel(Bar);
    panel->setObjectName(QString("BarPanel%1").arg(i));
    Bar->addWidget(panel, i == 1 ? 0 : 1);
  }
  setStatusBar(Bar);

  mnuPopup = new QMenu(this);
  mnuPopup->setObjectName("mnuPopup");
  mnuNew = mnuPopup->addAction("Add...");
  mnuNew->setObjectName("mnuNew");
  mnuCopy = mnuPopup->addAction("Copy");
  mnuCopy->setObjectName("mnuCopy");
  mnuCut = mnuPopup->addAction("Cut");
  mnuCut->setObjectName("mnuCut");
  mnuPaste = mnuPopup->addAction("Paste...");
  mnuPaste->setObjectName("mnuPaste");
  mnuDel = mnuPopup->addAction("Delete...");
  mnuDel->setObjectName("mnuDel");
  connect(mnuNew, &QAction::triggered, this, [this] { AddRecord(); });
  connect(mnuCopy, &QAction::triggered, this, [this] { CopySelected(); });
  connect(mnuCut, &QAction::triggered, this, [this] { CutSelected(); });
  connect(mnuPaste, &QAction::triggered, this, [this] { PasteRecord(); });
  connect(mnuDel, &QAction::triggered, this, [this] { DeleteSelected(); });

  JvDialog = new JvFileDialog(this);
  JvDialog->setObjectName("JvDialog");

  connect(chkSort, &QCheckBox::clicked, this, [this] { RefreshObjectList(); });
  connect(ObjectView->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex&, const QModelIndex&) {
            if (!filling_) ShowCurrentItem();
          });
  connect(ObjectDataView, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) { EditRawData(); });
  connect(MainTab, &QTabWidget::currentChanged, this, [this](int) { UpdatePageVisibility(); });
  auto watchChanged = [this] {
    try {
      ShowWatchList(selected_);
    } catch (const std::exception&) {
    }
  };
  connect(WatchFrom, &QLineEdit::textChanged, this, watchChanged);
  connect(WatchTo, &QLineEdit::textChanged, this, watchChanged);

  auto* findKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
  findKey->setContext(Qt::WindowShortcut);
  connect(findKey, &QShortcut::activated, this, [this] { Find(); });

  resize(Tw(11000), Tw(7000));
}

void frmTXTEditor::BuildToolbar() {
  MainToolbar = addToolBar("Main");
  MainToolbar->setObjectName("MainToolbar");
  MainToolbar->setMovable(false);
  kz::AddToolButtons(MainToolbar,
                     {{"open", "Open", nullptr, QStyle::SP_DialogOpenButton},
                      {"save", "Save", nullptr, QStyle::SP_DialogSaveButton},
                      {"kz", "Kz", nullptr, QStyle::SP_MediaPlay},
                      {"desc", "Descriptions", nullptr, QStyle::SP_FileDialogDetailedView},
                      {"about", "About", nullptr, QStyle::SP_MessageBoxInformation}},
                     buttons_, [this](const std::string& key) { ToolbarAction(key); });
  mnuOpen = new QMenu(this);
  mnuOpen->setObjectName("mnuOpen");
  buttons_["open"]->setMenu(mnuOpen);
  buttons_["open"]->setPopupMode(QToolButton::MenuButtonPopup);
  mnuSave = new QMenu(this);
  mnuSave->setObjectName("mnuSave");
  for (const char* key : {"save", "export"}) {
    QAction* a = mnuSave->addAction(key);
    a->setObjectName(QString("mnuSave_") + key);
    a->setData(QString(key));
  }
  buttons_["save"]->setMenu(mnuSave);
  buttons_["save"]->setPopupMode(QToolButton::MenuButtonPopup);
  connect(mnuOpen, &QMenu::triggered, this,
          [this](QAction* a) { ToolbarAction("open", S(a->data().toString())); });
  connect(mnuSave, &QMenu::triggered, this,
          [this](QAction* a) { ToolbarAction("save", S(a->data().toString())); });
}

QToolButton* frmTXTEditor::Button(const std::string& key) const {
  auto it = buttons_.find(key);
  return it == buttons_.end() ? nullptr : it->second;
}

QString frmTXTEditor::StatusText(int panel) const {
  auto* label = Bar->findChild<QLabel*>(QString("BarPanel%1").arg(panel));
  return label ? label->text() : QString();
}

// ---- opening the window ---------------------------------------------------------------

void frmTXTEditor::InitWindow() {
  if (initialised_) return;
  initialised_ = true;
  try {
    auto* pageLayout = static_cast<QVBoxLayout*>(pageHost_->layout());
    for (int slot = 0; slot < kPageSlots; ++slot) {
      const PageFactory& make = Factories()[static_cast<size_t>(slot)];
      if (!make) continue;
      EditorPage* page = make(pageHost_);
      if (!page) continue;
      page->setObjectName(PageControlName(slot));
      page->setVisible(false);
      pageLayout->addWidget(page);
      pages_.push_back(page);
      // One handler for the change event of every page.
      connect(page, &EditorPage::OnObjectChanged, this, [this](TXTObjectRef r) { OnPageChanged(std::move(r)); });
    }
    if (!parser_) parser_ = std::make_shared<clsTxtParser>();
    recent_ = Settings ? Settings->LoadRecentTFiles() : std::vector<std::string>();
    RebuildOpenMenu();
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox("Error in TXT Editor Init: " + Describe(e), platform::vbCritical,
                                    kz::GetAppTitle(), this);
  }
}

void frmTXTEditor::MyShow(bool modal, QWidget* owner) {
  InitWindow();
  UpdateCaption();
  MainTab->setCurrentIndex(0);
  SelectEditor(-1);
  ObjectDataView->setColumnWidth(0, Tw(900));
  if (Settings) {
    chkSort->setChecked(kz::CLng(Settings->ReadRegValue(kSection, "Sort", 4, kz::Variant(int32_t{1}))) != 0);
    int32_t mode = kz::CLng(Settings->ReadRegValue(kSection, "NameIdx", 4, kz::Variant(int32_t{0})));
    if (mode < 0 || mode > 2) mode = 0;
    listMode_ = mode;
  } else {
    chkSort->setChecked(true);
  }
  rbName[static_cast<size_t>(listMode_)]->setChecked(true);
  ObjectList->SetHeaderText(0, rbName[static_cast<size_t>(listMode_)]->text());

  if (owner && parentWidget() != owner) setParent(owner, windowFlags() | Qt::Window);
  if (modal) setWindowModality(Qt::ApplicationModal);
  show();
  EnableRecordCommands(false);
  rbName[0]->setEnabled(Settings ? Settings->LoadDescriptions() : false);
  if (Settings) Button("kz")->setToolTip(Q(Settings->KzEXEPath()));
  UpdatePaste();
  RefreshObjectList();
}

void frmTXTEditor::RebuildOpenMenu() {
  mnuOpen->clear();
  QAction* vfs = mnuOpen->addAction("Open from VFS");
  vfs->setData(QString("vfs://"));
  vfs->setObjectName("mnuOpenVFS");
  mnuOpen->addSeparator();
  int32_t n = 1;
  for (const std::string& path : recent_) {
    QAction* a = mnuOpen->addAction(Q(RecentMenuText(n, path)));
    a->setData(Q(path));
    ++n;
  }
}

void frmTXTEditor::StoreRecent() {
  if (Settings) Settings->SaveRecentTFiles(recent_);
  RebuildOpenMenu();
}

void frmTXTEditor::UpdatePaste() {
  clsRecordClipboard& clip = clsRecordClipboard::Instance();
  clip.SetMode(clip.Mode());
  mnuPaste->setEnabled(clip.CanPaste());
}

void frmTXTEditor::EnableRecordCommands(bool on) {
  mnuNew->setEnabled(on);
  mnuCopy->setEnabled(on);
  mnuCut->setEnabled(on);
  mnuDel->setEnabled(on);
  if (QToolButton* save = Button("save")) save->setEnabled(on);
  UpdatePaste();
}

// ---- toolbar ---------------------------------------------------------------------------

void frmTXTEditor::ToolbarAction(const std::string& button, const std::string& menuKey) {
  try {
    if (button == "open") {
      OpenFile(menuKey);
    } else if (button == "save") {
      if (menuKey == "export")
        ExportData();
      else
        SaveTFile();
    } else if (button == "kz") {
      kz::RunGame(this);
    } else if (button == "desc") {
      if (DescEditorOpener())
        DescEditorOpener()(this);
      else
        platform::Ui::Instance().MsgBox("The text resource editor is not available yet.",
                                        platform::vbInformation, kTitle, this);
    } else if (button == "about") {
      // The about box, modal over this window.
      if (kz::GetLauncherSlots().ShowAbout)
        kz::GetLauncherSlots().ShowAbout(this);
      else
        platform::Ui::Instance().MsgBox("The about box is not available yet.", platform::vbInformation, kTitle,
                                        this);
    }
  } catch (const std::exception& e) {
    Msg(Describe(e), platform::vbCritical);
  }
}

// ---- keys, mouse and drops -------------------------------------------------------------

void frmTXTEditor::ShowPopup(const QPoint& globalPos) {
  UpdatePaste();
  mnuPopup->popup(globalPos);
}

void frmTXTEditor::DropFiles(const QMimeData* data) {
  if (!data) return;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) {
      OpenFile(S(url.toLocalFile()));  // the first file of the drop only
      return;
    }
  }
}

bool frmTXTEditor::eventFilter(QObject* watched, QEvent* event) {
  const bool onList = watched == ObjectView || watched == ObjectView->viewport();
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* k = static_cast<QKeyEvent*>(event);
      if (watched == ObjectView && k->key() == Qt::Key_Delete) {
        DeleteSelected();
        return true;
      }
      if (watched == ObjectDataView && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
        EditRawData();
        return true;
      }
      break;
    }
    case QEvent::MouseButtonRelease:
      if (onList && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        ShowPopup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
      }
      break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
      if (onList) {
        auto* d = static_cast<QDropEvent*>(event);
        if (d->mimeData() && d->mimeData()->hasUrls()) {
          d->acceptProposedAction();
          return true;
        }
      }
      break;
    case QEvent::Drop:
      if (onList) {
        auto* d = static_cast<QDropEvent*>(event);
        d->acceptProposedAction();
        DropFiles(d->mimeData());
        return true;
      }
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

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
constexpr int kTagRole = Qt::UserRole + 2;  // a raw view row's tag

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }
int Tw(int twips) { return twips / 15; }

std::string Describe(const std::exception& e) { return e.what(); }

using kz::WaitCursor;

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
  ObjectView = new QTreeView(left);
  ObjectView->setObjectName("ObjectView");
  ObjectList = new ObjectListModel(
      [this](const TXTObjectRef& record, QString& name, QString& cls) { MakeRowTexts(record, name, cls); }, this);
  ObjectList->setObjectName("ObjectList");
  ObjectList->SetHeaderText(0, "Name");
  ObjectView->setModel(ObjectList);
  ObjectView->setRootIsDecorated(false);
  ObjectView->setUniformRowHeights(true);
  ObjectView->setSelectionMode(QAbstractItemView::SingleSelection);
  ObjectView->setAllColumnsShowFocus(true);
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

// ---- loading ----------------------------------------------------------------------

void frmTXTEditor::OpenFile(const std::string& pathIn) {
  try {
    InitWindow();
    if (parser_ && parser_->CheckDirty()) {
      int32_t answer = Msg(OpenPromptText(kz::GetFileName(parser_->FileName)),
                           platform::vbYesNoCancel | platform::vbExclamation);
      if (answer == platform::vbYes) {
        SaveTFile();
        return;
      }
      if (answer != platform::vbNo) return;
    }

    std::string path = pathIn;
    if (path == "vfs://") {
      frmCATDialog dialog(this);
      dialog.filter = "All files (*.*)|*.*";
      dialog.DialogTitle = "Select file";
      if (!recent_.empty() && kz::IsCatalogPath(recent_.front()))
        dialog.FileName = kz::GetCatalogFilePart(recent_.front());
      dialog.ShowOpen("vfs://", this);
      if (dialog.ModalResult() != frmCATDialog::kResultOK || dialog.FileName.empty()) return;
      path = dialog.FileName;
    } else if (path.empty()) {
      JvDialog->filter = kOpenFilter;
      JvDialog->InitDir = Settings ? Settings->DataRoot() : std::string();
      JvDialog->FileName = recent_.empty() ? std::string() : recent_.front();
      JvDialog->DialogTitle = "Open";
      JvDialog->ShowOpen();  // a cancel raises 32755, which ends the request silently
      if (!JvDialog->ModalResult) return;
      path = JvDialog->FileName;
    }

    if (kz::IsVFSPath(path)) {
      path = kz::StripVFSPrefix(path);
      kz::VfsEntry entry;
      if (!kz::VfsFindFirst(path, entry)) {
        Msg("File " + path + "not found.", platform::vbExclamation);
        UpdateCaption();
        RefreshObjectList();
        return;
      }
      path = entry.path;
    }

    kz::RuduFile file(RuDU_OpenFile(path.c_str(), 0, 0, 0));
    if (!file) {
      Msg("Error opening file: \r\n\r\n" + kz::GetRuDUError(), platform::vbExclamation);
      kz::RemoveFromMRU(path, recent_);
      StoreRecent();
      return;
    }

    {
      WaitCursor wait;
      const int32_t type = mdlKzConst::GetTFileType(path);
      selected_.reset();
      if (!parser_) parser_ = std::make_shared<clsTxtParser>();
      // Whatever this window held is replaced, also when the load fails: it can no
      // longer complete a cut.
      clsRecordClipboard::Instance().ForgetSource(this);
      // The list lets go of the old records before the new ones are made.
      filling_ = true;
      ObjectList->Reset(kz::Collection<TXTObjectPtr>());
      filling_ = false;
      if (!parser_->LoadAndClose(file.Release(), type)) {
        Msg("Error loading from file: \r\n\r\n" + parser_->GetLastError(), platform::vbExclamation);
        parser_->FileName.clear();
        if (page_) page_->setVisible(false);
        page_ = nullptr;
        kz::RemoveFromMRU(path, recent_);
        EnableRecordCommands(false);
      } else {
        parser_->FileName = path;
        kz::AddToMRU(path, recent_);
        SelectEditor(type);
        SetListMode(-1);
        EnableRecordCommands(true);
      }
      StoreRecent();
    }
    UpdateCaption();
    RefreshObjectList();
  } catch (const kz::AppError& e) {
    if (e.Number == kz::kErrCancel) return;
    Msg("Error loading file: " + e.Description, platform::vbCritical);
  } catch (const std::exception& e) {
    Msg("Error loading file: " + Describe(e), platform::vbCritical);
  }
}

// ---- the page -----------------------------------------------------------------------

void frmTXTEditor::SelectEditor(int32_t type) {
  try {
    type_ = type;
    page_ = nullptr;
    for (EditorPage* p : pages_) {
      int32_t t = type;
      if (p->JvQueryInterfaceEx(t)) {
        page_ = p;
        break;
      }
    }
    for (EditorPage* p : pages_) p->setVisible(false);

    const bool won = page_ != nullptr;
    std::string pageName;
    int32_t info = 0;
    if (page_) {
      EditorPage* page = page_;
      TxtParserRef ref = parser_;
      const bool ok = page->Init(ref);
      if (ref) parser_ = ref;
      if (!ok) {
        page_ = nullptr;
        std::string text = page->GetLastError();
        platform::Ui::Instance().MsgBox(text, platform::vbCritical, kz::GetAppTitle(), this);
      } else {
        int32_t t = type;
        pageName = page->PageName(t);
        t = type;
        info = page->JvQueryInfo(t);
        std::string report;
        if (!page->Validate(report)) {
          frmText& text = frmText::Default();
          text.SetText(report);
          text.MyShow("Errors in file data", false, this);
        }
      }
    }
    MainTab->setCurrentIndex(won ? 1 : 0);
    MainTab->setTabText(1, Q(pageName));
    ApplyInfoFlags(info);
    UpdatePageVisibility();
  } catch (const std::exception& e) {
    Msg("Error in SelectFileType: " + Describe(e), platform::vbCritical);
  }
}

void frmTXTEditor::ApplyInfoFlags(int32_t info) {
  info_ = info;
  if (!(info & 4)) {
    if (ObjectList->columnCount() == 2) ObjectList->SetColumnCount(1);
  } else if (ObjectList->columnCount() < 2) {
    ObjectList->SetHeaderText(1, "Class");
    ObjectList->SetColumnCount(2);
    ObjectView->setColumnWidth(0, Tw(2000));
  }
  rbName[0]->setEnabled((info & 1) != 0);
  rbName[1]->setEnabled((info & 2) != 0);
  if (ObjectList->columnCount() == 1) ObjectView->header()->setStretchLastSection(true);
}

void frmTXTEditor::UpdatePageVisibility() {
  const bool onPage = MainTab->currentIndex() == 1;
  for (EditorPage* p : pages_) p->setVisible(onPage && p == page_);
}

// ---- name wrappers ------------------------------------------------------------------

std::string frmTXTEditor::TypeNameW() {
  try {
    if (!page_) return {};
    int32_t t = type_;
    std::string s = page_->ObjectTypeName(t);
    return s.empty() ? std::string("unknown") : s;
  } catch (const std::exception&) {
    return "[error getting object type]";
  }
}

std::string frmTXTEditor::NameW(const TXTObjectRef& record) {
  try {
    if (!record) return {};
    if (!page_) return record->ObjectName();
    TXTObjectRef r = record;
    return page_->ObjectName(r);
  } catch (const std::exception&) {
    return "[error getting name]";
  }
}

std::string frmTXTEditor::DescriptionW(const TXTObjectRef& record) {
  try {
    if (!record) return {};
    std::string s;
    if (page_) {
      TXTObjectRef r = record;
      s = page_->GetResourceName(r);
    }
    return s.empty() ? NameW(record) : s;
  } catch (const std::exception&) {
    return "[error getting description]";
  }
}

std::string frmTXTEditor::RaceW(const TXTObjectRef& record) {
  try {
    if (!record) return {};
    std::string s;
    if (page_) {
      TXTObjectRef r = record;
      s = page_->GetRace(r);
    }
    return s.empty() ? NameW(record) : s;
  } catch (const std::exception&) {
    return "[error getting race]";
  }
}

std::string frmTXTEditor::ClassW(const TXTObjectRef& record) {
  try {
    if (!record || !page_) return {};
    TXTObjectRef r = record;
    return page_->GetClass(r);
  } catch (const std::exception&) {
    return "[error getting class]";
  }
}

// ---- caption, list and raw view ----------------------------------------------------------

void frmTXTEditor::UpdateCaption() {
  std::string file = parser_ ? parser_->FileName : std::string();
  std::string caption = file.empty() ? EditorCaption({}, {}, false)
                                     : EditorCaption(file, page_ ? TypeNameW() : "unknown", parser_->CheckDirty());
  setWindowTitle(Q(caption));
}

void frmTXTEditor::SetListMode(int32_t index) {
  if (index < 0) {
    index = 0;
    for (int i = 0; i < 3; ++i)
      if (rbName[static_cast<size_t>(i)]->isChecked()) index = i;
  }
  if (index > 2) index = 2;
  listMode_ = index;
  rbName[static_cast<size_t>(index)]->setChecked(true);
  ObjectList->SetHeaderText(0, rbName[static_cast<size_t>(index)]->text());
  RefreshObjectList();
}

void frmTXTEditor::MakeRowTexts(const TXTObjectRef& record, QString& name, QString& cls) {
  std::string text;
  switch (listMode_) {
    case 0: text = DescriptionW(record); break;
    case 1: text = RaceW(record); break;
    default: text = NameW(record); break;
  }
  name = Q(text);
  cls = page_ ? Q(ClassW(record)) : QString();
}

void frmTXTEditor::FillObjectItem(const TXTObjectRef& record, const TXTObjectRef& before) {
  if (!record) return;
  const int row = ObjectList->RowOfId(record->id);
  if (row >= 0) {
    ObjectList->RefreshRow(row);
    return;
  }
  const int at = before ? ObjectList->RowOfId(before->id) : -1;
  ObjectList->InsertRecord(at, record);
}

void frmTXTEditor::RefreshObjectList() {
  if (!parser_) return;
  int32_t remembered = -1;
  if (const TXTObjectRef& cur = ObjectList->RecordAt(CurrentRow())) remembered = cur->id;

  filling_ = true;
  ObjectView->setUpdatesEnabled(false);
  ObjectList->Reset(chkSort->isChecked() ? parser_->objects : parser_->UnsortedObjects);
  int select = remembered >= 0 ? ObjectList->RowOfId(remembered) : -1;
  if (select < 0 && ObjectList->Count() > 0) select = 0;
  if (select >= 0) {
    const QModelIndex index = ObjectList->index(select, 0);
    ObjectView->setCurrentIndex(index);
    ObjectView->scrollTo(index);
  }
  ObjectView->setUpdatesEnabled(true);
  filling_ = false;

  UpdateCount();
  ShowCurrentItem();
}

void frmTXTEditor::UpdateCount() {
  auto* panel = Bar->findChild<QLabel*>("BarPanel1");
  if (panel) panel->setText(QString::number(parser_ ? parser_->Count() : 0) + " objects");
}

int frmTXTEditor::CurrentRow() const {
  const QModelIndex cur = ObjectView->currentIndex();
  return cur.isValid() ? cur.row() : -1;
}

TXTObjectRef frmTXTEditor::RecordOfRow(int row) const {
  const TXTObjectRef& record = ObjectList->RecordAt(row);
  if (!record || !parser_) return nullptr;
  return parser_->FindKey(record->key());
}

void frmTXTEditor::ShowCurrentItem() {
  int row = CurrentRow();
  if (row < 0 && ObjectList->Count() > 0) {
    row = 0;
    filling_ = true;
    ObjectView->setCurrentIndex(ObjectList->index(0, 0));
    filling_ = false;
  }
  selected_ = RecordOfRow(row);
  ShowSelected(selected_, false);
}

void frmTXTEditor::SelectRow(int row) {
  filling_ = true;
  if (row >= 0 && row < ObjectList->Count()) {
    const QModelIndex index = ObjectList->index(row, 0);
    ObjectView->setCurrentIndex(index);
    ObjectView->scrollTo(index);
  } else {
    row = -1;
    ObjectView->setCurrentIndex(QModelIndex());
  }
  filling_ = false;
  selected_ = RecordOfRow(row);
  ShowSelected(selected_, false);
}

void frmTXTEditor::SelectRecord(const TXTObjectRef& record) {
  SelectRow(record ? ObjectList->RowOfId(record->id) : -1);
}

void frmTXTEditor::ShowSelected(const TXTObjectRef& record, bool skipPage) {
  try {
    ShowObjectData(record);
    auto* panel = Bar->findChild<QLabel*>("BarPanel2");
    if (!record) {
      lblObjectName->clear();
      if (panel) panel->clear();
    } else {
      lblObjectName->setText(Q(DescriptionW(record)));
      if (panel) panel->setText("Selected object index: " + QString::number(record->index));
    }
    if (page_ && !skipPage && record) {
      TXTObjectRef r = record;
      int32_t t = type_;
      page_->ShowObject(r, t);
    }
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox("Error showing object: " + Describe(e), platform::vbCritical,
                                    kz::GetAppTitle(), this);
  }
}

void frmTXTEditor::ShowObjectData(const TXTObjectRef& record) {
  int row = -1;
  if (QTreeWidgetItem* cur = ObjectDataView->currentItem()) row = ObjectDataView->indexOfTopLevelItem(cur);
  ObjectDataView->clear();
  WatchList->clear();
  if (!record) return;
  QList<QTreeWidgetItem*> rows;
  const int32_t size = record->size();
  rows.reserve(size);
  for (int32_t i = 0; i < size; ++i) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::number(i));
    item->setText(1, Q(kz::CStr(record->Value(i))));
    if (i == size - 1) item->setData(0, kTagRole, QString("name"));
    rows.push_back(item);
  }
  ObjectDataView->addTopLevelItems(rows);
  if (row >= 0 && row < ObjectDataView->topLevelItemCount())
    ObjectDataView->setCurrentItem(ObjectDataView->topLevelItem(row));
  ShowWatchList(record);
}

void frmTXTEditor::ShowWatchList(const TXTObjectRef& record) {
  WatchList->clear();
  if (!record) return;
  int32_t first = 0, last = 0;
  if (!WatchRange(S(WatchFrom->text()), S(WatchTo->text()), record->size(), first, last)) return;
  for (int32_t i = first; i <= last; ++i)
    WatchList->addItem(QString::number(i) + ". " + Q(kz::CStr(record->Value(i))));
}

void frmTXTEditor::OnPageChanged(TXTObjectRef record) {
  if (!record) return;
  FillObjectItem(record, nullptr);
  if (record == selected_) {
    ShowObjectData(record);
    lblObjectName->setText(Q(DescriptionW(record)));
  }
  UpdateCaption();
}

// ---- record operations ----------------------------------------------------------------

bool frmTXTEditor::HoldsRecord(const TXTObjectRef& record) const {
  return record && parser_ && parser_->FindKey(record->key()) == record;
}

void frmTXTEditor::CopySelected() {
  if (!selected_) return;
  clsRecordClipboard& clip = clsRecordClipboard::Instance();
  clip.SetRecord(selected_, this);
  clip.SetMode(clsRecordClipboard::kModeCopy);
  UpdatePaste();
}

void frmTXTEditor::CutSelected() {
  if (!selected_) return;
  clsRecordClipboard& clip = clsRecordClipboard::Instance();
  clip.SetRecord(selected_, this);
  clip.SetMode(clsRecordClipboard::kModeCut);
  UpdatePaste();
}

void frmTXTEditor::PasteRecord() {
  clsRecordClipboard& clip = clsRecordClipboard::Instance();
  if (!clip.Record()) return;
  InsertObject(clip.Record(), clip.Mode());
}

void frmTXTEditor::AddRecord() {
  if (!parser_ || parser_->FileName.empty()) return;
  InsertObject(nullptr, clsRecordClipboard::kModeNone);
}

void frmTXTEditor::InsertObject(TXTObjectRef source, int32_t mode) {
  try {
    if (!page_) {
      Msg("This type of file is not recognized. You cannot add objects to it.", platform::vbExclamation);
      return;
    }
    if (source && source->otype != type_) {
      Msg("Cannot insert: object types are different.", platform::vbExclamation);
      return;
    }
    TXTObjectRef before;
    if (selected_) {
      int32_t answer = Msg(
          "Do you want to insert new object before currenty selected object?\r\n\r\n"
          "Press Yes to insert object before the current one.\r\nPress No to add object at the end.",
          platform::vbYesNoCancel | platform::vbQuestion);
      if (answer == platform::vbYes)
        before = selected_;
      else if (answer != platform::vbNo)
        return;
    }
    if (before && chkSort->isChecked()) {
      Msg("You cannot insert object into sorted list.\r\nUncheck the Sort checkbox and insert the object again.",
          platform::vbExclamation);
      return;
    }

    int32_t type = type_;
    TxtParserRef ref = parser_;
    TXTObjectRef record = page_->CreateObject(type, ref, before);
    if (ref) parser_ = ref;
    if (!record) {
      std::string why = page_->GetLastError();
      Msg("Error creating object: \r\n" + why, platform::vbCritical);
      return;
    }
    record->otype = type_;

    if (source) {
      // The pasted record keeps its own key and its own place in the file.
      const int32_t id = record->id;
      const int32_t index = record->index;
      source->CopyTo(*record);
      record->id = id;
      record->index = index;
      page_->InitObject(record);
    }

    // A record's name must be its own; a moved record keeps its name unless another
    // record than the one it moves from already has it.
    const std::string name = NameW(record);
    const bool cut = source && mode == clsRecordClipboard::kModeCut;
    if (name.empty()) {
      page_->JvAssignUniqueObjectName(record);
    } else {
      for (const TXTObjectPtr& other : parser_->objects) {
        if (other == record || (cut && other == source)) continue;
        if (NameW(other) == name) {
          page_->JvAssignUniqueObjectName(record);
          break;
        }
      }
    }

    FillObjectItem(record, before);
    if (cut) DeleteFromSourceWindow(source);

    SelectRecord(record);
    UpdateCaption();
    UpdateCount();
  } catch (const std::exception&) {
    Msg("Error creating object", platform::vbCritical);
  }
}

void frmTXTEditor::DeleteFromSourceWindow(const TXTObjectRef& source) {
  clsRecordClipboard& clip = clsRecordClipboard::Instance();
  frmTXTEditor* window = clip.Source();
  if (!window || !window->HoldsRecord(source)) {
    platform::Ui::Instance().MsgBox("Cannot delete object from source window - maybe it was closed?",
                                    platform::vbExclamation, kz::GetAppTitle(), this);
  } else {
    try {
      window->DeleteObj(source);
    } catch (const std::exception&) {
      platform::Ui::Instance().MsgBox("Error deleting object from source window", platform::vbCritical,
                                      kz::GetAppTitle(), this);
      return;
    }
  }
  clip.Clear();
  UpdatePaste();
}

void frmTXTEditor::DeleteSelected() {
  try {
    if (!selected_) return;
    int32_t answer = Msg("Do you really want to delete the selected object " + NameW(selected_) + " ?",
                         platform::vbYesNo | platform::vbQuestion);
    if (answer == platform::vbYes) DeleteObj(selected_);
  } catch (const std::exception& e) {
    Msg("Error in DeleteObject: " + Describe(e), platform::vbCritical);
  }
}

bool frmTXTEditor::DeleteObj(TXTObjectRef record) {
  if (!page_) throw kz::AppError(91, "frmTXTEditor.DeleteObj", "Object variable or With block variable not set");
  if (!HoldsRecord(record)) {
    Msg("Error removing object.", platform::vbCritical);
    return false;
  }
  TXTObjectRef r = record;
  if (!page_->RemoveObject(r)) {
    Msg("Error removing object from control.", platform::vbCritical);
    return false;
  }
  if (!parser_->RemoveObject(record)) {
    Msg("Error removing object.", platform::vbCritical);
    return false;
  }
  const int row = ObjectList->RowOfId(record->id);
  if (row >= 0) {
    filling_ = true;
    ObjectList->RemoveRow(row);
    filling_ = false;
  }
  if (selected_ == record) selected_.reset();
  UpdateCount();
  UpdateCaption();
  ShowCurrentItem();
  return true;
}

// ---- editing, find and toolbar -------------------------------------------------------

void frmTXTEditor::EditRawData() {
  if (!selected_) return;
  QTreeWidgetItem* row = ObjectDataView->currentItem();
  if (!row) return;
  const int32_t index = ObjectDataView->indexOfTopLevelItem(row);
  try {
    frmEdit dialog(this);
    dialog.ShowProperty(nullptr, selected_, type_, index, true, this);
    if (dialog.ModalResult != 2) {
      TXTObjectRef record = selected_;
      FillObjectItem(record, nullptr);
      UpdateCaption();
      ShowSelected(record, false);
    }
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox("EditRawData: " + Describe(e), platform::vbCritical, kz::GetAppTitle(), this);
  }
}

void frmTXTEditor::Find() {
  if (!find_) {
    find_ = new frmFind(this);
    find_->setAttribute(Qt::WA_DeleteOnClose);
    find_->OnFindNext = [this](bool wholeWords, bool byID, std::string& text, kz::Variant& tag, bool& found) {
      m_find_OnFindNext(wholeWords, byID, text, tag, found);
    };
    find_->OnClose = [this] { m_find_OnClose(); };
    std::string last;
    if (Settings) last = kz::CStr(Settings->ReadRegValue(kSection, "LastFindString", 1, kz::Variant("")));
    find_->ShowFind(last, false, this);
  } else {
    find_->show();
    find_->raise();
    find_->activateWindow();
  }
}

void frmTXTEditor::m_find_OnFindNext(bool wholeWords, bool /*byID*/, std::string& findText, kz::Variant& tag,
                                     bool& found) {
  const int32_t count = ObjectList->Count();
  if (count == 0) return;
  const int32_t selected = CurrentRow() + 1;
  const int32_t start = FindStart(selected, tag);
  const QString text = Q(findText);
  for (int32_t i = start; i <= count; ++i) {
    if (FindMatches(ObjectList->Text(i - 1, 0), text, wholeWords)) {
      found = true;
      tag = kz::Variant(i);
      SelectRow(i - 1);
      return;
    }
  }
}

void frmTXTEditor::m_find_OnClose() {
  if (find_ && Settings) Settings->SaveRegValue(kSection, "LastFindString", kz::Variant(find_->FindString()));
  find_ = nullptr;
}

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

#include "galaxy/GalaxyEditor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <climits>
#include <algorithm>
#include <exception>
#include <string_view>
#include <functional>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "core/LibBindings.h"
#include "core/Outside.h"
#include "core/Settings.h"
#include "core/ui/GenericUi.h"
#include "core/ui/ToolbarUi.h"
#include "galaxy/GalObject.h"
#include "galaxy/GalaxyEditorNodes.h"
#include "galaxy/MapSurface.h"
#include "galaxy/SectorMap.h"
#include "galaxy/UniverseMap.h"
#include "galaxy/NewGalObject.h"
#include "galaxy/model/GalaxyEditorRules.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "gamelibs/rudu/rudu.h"
#include "platform/Registry.h"
#include "platform/Ui.h"
#include "shell/CATDialog.h"
#include "shell/Find.h"
#include "shell/JvFileDialog.h"
#include "shell/frmWait.h"
#include "txteditor/TXTEditor.h"

using namespace mdlGalaxyEditorRules;

using namespace galaxy_editor_detail;

namespace {

int Tw(int twips) { return twips / 15; }

QPointer<frmGalaxyEditor>& TheWindow() {
  static QPointer<frmGalaxyEditor> window;
  return window;
}

}  // namespace

// ---- the one window -------------------------------------------------------------------

frmGalaxyEditor* frmGalaxyEditor::Instance() { return TheWindow().data(); }

frmGalaxyEditor* frmGalaxyEditor::Launch(QWidget* owner, const std::string& path) {
  frmGalaxyEditor* window = TheWindow().data();
  if (!window) {
    window = new frmGalaxyEditor(owner);
    TheWindow() = window;
  }
  window->MyShow(false, owner);
  window->setWindowState(window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
  window->raise();
  if (!path.empty()) window->OpenFile(path);
  return window;
}

frmGalaxyEditor::frmGalaxyEditor(QWidget* owner) : QMainWindow(owner) {
  setObjectName("frmGalaxyEditor");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(kTitle);
  mdlGalaxy::InitGalaxyTables();
  Parser_ = std::make_shared<clsGalaxyParser>();
  BuildIcons();
  BuildControls();
  BuildToolbar();
  ObjectEdit->Init();
}

frmGalaxyEditor::~frmGalaxyEditor() {
  UnloadSectorMap();
  UnloadUniverseMap();
  if (m_find) {
    m_find->OnFindNext = nullptr;
    m_find->OnClose = nullptr;
    delete m_find.data();
  }
  if (TheWindow().data() == this) TheWindow() = nullptr;
}

int32_t frmGalaxyEditor::Msg(const std::string& text, int32_t flags, const std::string& title) {
  return platform::Ui::Instance().MsgBox(text, flags, title.empty() ? std::string(kTitle) : title, this);
}

void frmGalaxyEditor::BuildIcons() {
  // Small generated images: a coloured disc with the key's first letter.
  static const std::map<std::string, QColor> colours = {
      {"background", QColor(40, 40, 90)}, {"nop", QColor(200, 0, 0)},        {"ship", QColor(60, 140, 220)},
      {"gate", QColor(150, 90, 200)},     {"asteroid", QColor(140, 110, 80)}, {"d_ships", QColor(60, 140, 220)},
      {"f_ships", QColor(60, 170, 220)},  {"p_res", QColor(200, 160, 40)},    {"dock", QColor(80, 160, 80)},
      {"planet", QColor(40, 160, 160)},   {"factory", QColor(200, 120, 40)},  {"missile", QColor(220, 60, 60)},
      {"sector", QColor(40, 120, 40)},    {"laser", QColor(230, 80, 80)},     {"shield", QColor(80, 80, 230)},
      {"sector_noload", QColor(130, 130, 130)}, {"sun", QColor(240, 200, 40)}, {"ware", QColor(170, 140, 90)},
      {"movesiblink", QColor(0, 150, 0)}, {"moveparent", QColor(0, 100, 200)}, {"product", QColor(220, 150, 40)},
      {"nebula", QColor(160, 120, 200)},  {"upgrade", QColor(90, 180, 120)}};
  for (const std::string& key : ImageKeys()) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    auto it = colours.find(key);
    p.setBrush(it != colours.end() ? it->second : QColor(Qt::gray));
    p.setPen(Qt::NoPen);
    p.drawEllipse(1, 1, 14, 14);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString(QChar(key[0])).toUpper());
    p.end();
    ObjectIcons[key] = QIcon(pixmap);
    iconList_.push_back(ObjectIcons[key]);
  }
}

void frmGalaxyEditor::BuildControls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* top = new QVBoxLayout(central);
  top->setContentsMargins(4, 4, 4, 4);

  auto* left = new QWidget(central);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  auto* filters = new QHBoxLayout;
  const char* texts[3] = {"Name", "Class", "ID"};
  const char* tips[3] = {"Show names of objects", "Show class of objects", "Show IDs of objects"};
  for (size_t i = 0; i < 3; ++i) {
    chkNameFilter[i] = new QCheckBox(texts[i], left);
    chkNameFilter[i]->setObjectName(QString("chkNameFilter%1").arg(i));
    chkNameFilter[i]->setToolTip(tips[i]);
    filters->addWidget(chkNameFilter[i]);
    connect(chkNameFilter[i], &QCheckBox::clicked, this, [this] { ApplyNameFilter(); });
  }
  filters->addStretch(1);
  leftLayout->addLayout(filters);
  Tree = new QTreeWidget(left);
  Tree->setObjectName("Tree");
  Tree->setColumnCount(1);
  Tree->setHeaderHidden(true);
  Tree->setUniformRowHeights(true);
  Tree->setSelectionMode(QAbstractItemView::SingleSelection);
  Tree->setAcceptDrops(true);
  Tree->viewport()->setAcceptDrops(true);
  Tree->installEventFilter(this);
  Tree->viewport()->installEventFilter(this);
  leftLayout->addWidget(Tree, 1);
  left->setMinimumWidth(Tw(kSplitterMargin));

  auto* right = new QWidget(central);
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  lblObjectName = new QLabel(right);
  lblObjectName->setObjectName("lblObjectName");
  rightLayout->addWidget(lblObjectName);
  ObjectEdit = new ucGalObject(right);
  rightLayout->addWidget(ObjectEdit, 1);
  right->setMinimumWidth(Tw(kSplitterMargin));

  Splitter = new QSplitter(Qt::Horizontal, central);
  Splitter->setObjectName("Splitter");
  Splitter->setChildrenCollapsible(false);
  Splitter->addWidget(left);
  Splitter->addWidget(right);
  Splitter->setStretchFactor(1, 2);
  top->addWidget(Splitter, 1);

  Bar = new QStatusBar(this);
  Bar->setObjectName("Bar");
  auto* panel = new QLabel(Bar);
  panel->setObjectName("BarPanel1");
  Bar->addWidget(panel, 1);
  setStatusBar(Bar);

  mnuPop = new QMenu(this);
  mnuPop->setObjectName("mnuPop");
  mnuPopAddSector = mnuPop->addAction("Add sector");
  mnuPopAddSector->setObjectName("mnuPopAddSector");
  mnuPopAddObj = mnuPop->addAction("Add object...");
  mnuPopAddObj->setObjectName("mnuPopAddObj");
  mnuPop->addSeparator()->setObjectName("mnuPopSep");
  mnuPopCopy = mnuPop->addAction("Copy");
  mnuPopCopy->setObjectName("mnuPopCopy");
  mnuPopPaste = mnuPop->addAction("Paste");
  mnuPopPaste->setObjectName("mnuPopPaste");
  mnuPop->addSeparator()->setObjectName("mnuPopSep2");
  mnuPopDelete = mnuPop->addAction("Delete...");
  mnuPopDelete->setObjectName("mnuPopDelete");
  connect(mnuPopAddSector, &QAction::triggered, this, [this] { AddNewObject(true); });
  connect(mnuPopAddObj, &QAction::triggered, this, [this] { AddNewObject(false); });
  connect(mnuPopCopy, &QAction::triggered, this, [this] { CopyObject(); });
  connect(mnuPopPaste, &QAction::triggered, this, [this] { PasteObject(); });
  connect(mnuPopDelete, &QAction::triggered, this, [this] { DeleteCurrentObject(); });

  Dialog = new JvFileDialog(this);
  Dialog->setObjectName("Dialog");

  connect(Tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
    if (!filling_ && item) SelectNode(item);
  });
  connect(Tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    if (!filling_) ExpandNode(item);
  });
  connect(ObjectEdit, &ucGalObject::OnPropertiesChanged, this,
          [this](std::shared_ptr<clsGalaxyObject> obj) { ObjectChanged(obj, true); });

  auto* findKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
  findKey->setContext(Qt::WindowShortcut);
  connect(findKey, &QShortcut::activated, this, [this] { ShowFindDialog(); });

  resize(Tw(13500), Tw(8000));
}

void frmGalaxyEditor::BuildToolbar() {
  MainToolbar = addToolBar("Main");
  MainToolbar->setObjectName("MainToolbar");
  MainToolbar->setMovable(false);
  kz::AddToolButtons(MainToolbar,
                     {{"new", "New", "New map file", QStyle::SP_FileIcon},
                      {"open", "Open", "Open map", QStyle::SP_DialogOpenButton},
                      {"save", "Save", "Save map", QStyle::SP_DialogSaveButton},
                      {"kz", "Kz", "Run the Kz game", QStyle::SP_MediaPlay},
                      {"desc", "Text Res", "Text resource editor", QStyle::SP_FileDialogDetailedView},
                      {"map", "Sector", "Show sector map", QStyle::SP_DesktopIcon, true},
                      {"universe", "Universe", "Show universe map", QStyle::SP_DriveNetIcon, true}},
                     buttons_, [this](const std::string& key) { ToolbarAction(key); });
  mnuOpen = new QMenu(this);
  mnuOpen->setObjectName("mnuOpen");
  buttons_["open"]->setMenu(mnuOpen);
  buttons_["open"]->setPopupMode(QToolButton::MenuButtonPopup);
  connect(mnuOpen, &QMenu::triggered, this, [this](QAction* a) {
    const QString key = a->data().toString();
    if (!key.isEmpty()) ToolbarAction("open", S(key));
  });
}

QToolButton* frmGalaxyEditor::Button(const std::string& key) const {
  auto it = buttons_.find(key);
  return it == buttons_.end() ? nullptr : it->second;
}

QString frmGalaxyEditor::StatusText() const {
  auto* label = Bar->findChild<QLabel*>("BarPanel1");
  return label ? label->text() : QString();
}

// ---- showing, options, recent files ------------------------------------------------------

void frmGalaxyEditor::MyShow(bool modal, QWidget* owner) {
  if (!optionsLoaded_) {
    optionsLoaded_ = true;
    LoadOptions();
  }
  Button("save")->setEnabled(Parser_ && Parser_->Good);
  if (owner && parentWidget() != owner) setParent(owner, windowFlags() | Qt::Window);
  if (modal) setWindowModality(Qt::ApplicationModal);
  UpdateCaption();
  show();
  SelectNode(nullptr);
}

void frmGalaxyEditor::LoadOptions() {
  try {
    int32_t names = 1;
    if (Settings) {
      const int32_t key = Settings->OpenRootHandleUserGE();
      if (key != -1) {
        kz::GetRegValue(key, "Names", names, 1);
        platform::RegCloseKey(key);
      }
    }
    for (size_t i = 0; i < 3; ++i) chkNameFilter[i]->setChecked((names & (1 << i)) != 0);
    RecentFiles_ = Settings ? Settings->LoadRecentGalaxyMaps() : std::vector<std::string>();
    RebuildOpenMenu();
    ApplyNameFilter();
  } catch (const std::exception&) {
  }
}

void frmGalaxyEditor::SaveOptions() {
  try {
    if (!Settings) return;
    const int32_t key = Settings->OpenRootHandleUserGE();
    if (key != -1) {
      kz::SetRegValue(key, "Names", kz::Variant(NameMask_));
      platform::RegCloseKey(key);
    }
    Settings->SaveRecentGalaxyMaps(RecentFiles_);
  } catch (const std::exception&) {
  }
}

void frmGalaxyEditor::RebuildOpenMenu() {
  mnuOpen->clear();
  QAction* vfs = mnuOpen->addAction("Open from VFS");
  vfs->setObjectName("mnuOpenVFS");
  vfs->setData(QString("vfs://"));
  if (!RecentFiles_.empty()) mnuOpen->addSeparator();
  int32_t n = 1;
  for (const std::string& path : RecentFiles_) {
    QAction* a = mnuOpen->addAction(Q(RecentMenuText(n++, path)));
    a->setData(Q(path));
  }
}

void frmGalaxyEditor::AddRecent(const std::string& path) {
  kz::AddToMRU(path, RecentFiles_);
  RebuildOpenMenu();
}

void frmGalaxyEditor::RemoveRecent(const std::string& path) {
  kz::RemoveFromMRU(path, RecentFiles_);
  RebuildOpenMenu();
}

// ---- opening, new, saving ---------------------------------------------------------------

bool frmGalaxyEditor::AskSave(const std::string& title) {
  if (!Modified_) return true;
  const int32_t answer = Msg(SaveQuestionText(), platform::vbYesNoCancel | platform::vbQuestion, title);
  if (answer == platform::vbCancel) return false;
  if (answer == platform::vbYes) return SaveMap();
  return true;
}

std::string frmGalaxyEditor::PickDiskFile() {
  Dialog->InitDir = Settings ? Settings->DataRoot() : std::string();
  Dialog->FileName = RecentFiles_.empty() ? std::string() : RecentFiles_.front();
  Dialog->filter = kOpenFilter;
  Dialog->DialogTitle = "Open";
  Dialog->ShowOpen();  // a cancel raises 32755
  if (!Dialog->ModalResult) throw kz::AppError(kz::kErrCancel, "frmGalaxyEditor", "Cancel was pressed.");
  return Dialog->FileName;
}

std::string frmGalaxyEditor::PickVFSFile() {
  frmCATDialog dialog(this);
  dialog.DialogTitle = "Select file";
  dialog.filter = "All files (*.*)|*.*";
  if (!RecentFiles_.empty() && kz::IsCatalogPath(RecentFiles_.front())) {
    std::string catalog;
    const std::string inner = kz::SplitCatalogPath(RecentFiles_.front(), catalog);
    dialog.FileName = kz::BuildPath(kz::GetFilePath(inner), kz::ExtractFileName(inner, true));
  }
  dialog.ShowOpen("vfs://", this);
  if (dialog.ModalResult() != frmCATDialog::kResultOK)
    throw kz::AppError(kz::kErrCancel, "frmGalaxyEditor", "Cancel was pressed.");
  return dialog.FileName;
}

void frmGalaxyEditor::OpenFile(const std::string& pathIn) {
  try {
    if (!AskSave(kz::GetAppTitle())) return;
    std::string path = pathIn;
    if (kz::IsVFSPath(path) && kz::StripVFSPrefix(path).empty())
      path = PickVFSFile();
    else if (path.empty())
      path = PickDiskFile();

    bool found = true;
    if (kz::IsVFSPath(path)) {
      const std::string text = kz::StripVFSPrefix(path);
      kz::VfsEntry entry;
      if (!kz::VfsFindFirst(text, entry)) {
        Msg("File " + text + "not found.", platform::vbExclamation);
        found = false;
      } else {
        path = entry.path;
      }
    }
    if (found && !path.empty()) {
      struct Wait {
        QWidget* owner;
        bool shown = true;
        explicit Wait(QWidget* o) : owner(o) { kz::ShowWait(std::string("Loading file..."), owner); }
        ~Wait() { Hide(); }
        void Hide() {
          if (shown) kz::HideWait(owner);
          shown = false;
        }
      } wait(this);
      FileTitle_.clear();
      CopiedObject_.reset();  // it belongs to the map being replaced
      SetCurrentObject(nullptr);
      if (m_map) m_map->Clear();
      if (m_universe) m_universe->Clear();
      if (!Parser_->ParseFile(path)) {
        // Nothing is open to be saved; the message comes with no wait window over it.
        Button("save")->setEnabled(false);
        wait.Hide();
        Msg("Error parsing file: \r\n" + Parser_->GetLastError(), platform::vbCritical);
        RemoveRecent(path);
      } else {
        AddRecent(path);
        Button("save")->setEnabled(true);
      }
      FileTitle_ = Parser_->FileName;
      Modified_ = false;
    }
    UpdateCaption();
    FillTree();
  } catch (const kz::AppError& e) {
    if (e.Number == kz::kErrCancel) return;
    Msg(e.Description, platform::vbCritical);
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

void frmGalaxyEditor::NewMap() {
  try {
    if (!AskSave(kz::GetAppTitle())) return;
    CopiedObject_.reset();
    SetCurrentObject(nullptr);
    if (m_map) m_map->Clear();
    Parser_->NewFile();
    Parser_->FileName.clear();
    Dialog->FileName.clear();
    FileTitle_ = kNewMapTitle;
    Button("save")->setEnabled(true);
    Modified_ = true;
    UpdateCaption();
    FillTree();
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

std::function<std::string(const std::string&, const std::string&)> frmGalaxyEditor::SaveTargetCheck;

bool frmGalaxyEditor::SaveMap() {
  if (!Parser_ || !Parser_->Good) return false;
  std::string name;
  int32_t filterIndex = 1;
  try {
    Dialog->filter = kSaveFilter;
    Dialog->FileName = Parser_->FileName;
    Dialog->DialogTitle = "Save";
    Dialog->ShowSave();
    if (!Dialog->ModalResult || Dialog->FileName.empty()) return false;
    name = Dialog->FileName;
    filterIndex = Dialog->FilterIndex;
  } catch (const std::exception&) {
    return false;
  }
  // Another editor window's file is never written over.
  if (SaveTargetCheck) {
    const std::string refusal = SaveTargetCheck(name, Parser_->FileName);
    if (!refusal.empty()) {
      Msg(refusal, platform::vbExclamation);
      return false;
    }
  }
  if (RuDU_FileExists(name.c_str()) != 0) {
    if (Msg(name + " already exists.\r\nDo you want to replace it?", platform::vbYesNo | platform::vbQuestion) ==
        platform::vbNo)
      return false;
  }
  bool saved = false;
  try {
    WaitCursor wait;
    saved = Parser_->SaveFile(name, SaveModeFor(filterIndex, name));
  } catch (const std::exception& e) {
    Msg("Error saving file:\r\n" + std::string(e.what()), platform::vbCritical);
    return false;
  }
  if (!saved) {
    Msg("Error saving file:\r\n" + Parser_->GetLastError(), platform::vbCritical);
    return false;
  }
  FileTitle_ = Parser_->FileName;
  AddRecent(Parser_->FileName);
  SetModified(false);
  if (m_universe) m_universe->UpdateCaption();  // it names the file saved
  return true;
}

void frmGalaxyEditor::closeEvent(QCloseEvent* e) {
  if (!UnloadConfirmed) {
    bool cancel = false;
    try {
      // The sector map asks about its unsaved moves first.
      if (m_map && !m_map->QueryUnload()) {
        cancel = true;
      } else if (Modified_) {
        const int32_t answer = Msg(SaveQuestionText(), platform::vbYesNoCancel | platform::vbQuestion);
        if (answer == platform::vbYes)
          cancel = !SaveMap();
        else if (answer != platform::vbNo)
          cancel = true;
      }
    } catch (const std::exception&) {
    }
    UnloadConfirmed = !cancel;
    if (cancel) {
      e->ignore();
      return;
    }
  }
  SaveOptions();
  ObjectEdit->Term();
  if (m_find) m_find->close();
  UnloadSectorMap();
  UnloadUniverseMap();
  e->accept();
}

// ---- caption, state -------------------------------------------------------------------------

void frmGalaxyEditor::SetModified(bool value) {
  Modified_ = value;
  UpdateCaption();
}

void frmGalaxyEditor::UpdateCaption() { setWindowTitle(Q(EditorCaption(FileTitle_, Modified_))); }

void frmGalaxyEditor::SetCurrentObject(const std::shared_ptr<clsGalaxyObject>& obj) {
  CurrentObject_ = obj;
  std::string label;
  if (obj) {
    label = obj->ObjectTypeName();
    kz::AppendWithSep(label, Parser_->GetObjectName(obj), " - ");
  }
  lblObjectName->setText(Q(label));
  ObjectEdit->ShowObject(Parser_, obj);
  if (m_map) m_map->SelectGalObject(obj);
  if (m_universe) m_universe->SelectSector(obj);
}

// ---- toolbar, drops, mouse and keys -----------------------------------------------------------

void frmGalaxyEditor::ShowTextResourceEditor() {
  if (frmTXTEditor::DescEditorOpener())
    frmTXTEditor::DescEditorOpener()(this);
  else
    Msg("The text resource editor is not available yet.", platform::vbInformation);
}

void frmGalaxyEditor::ToolbarAction(const std::string& key, const std::string& menuKey) {
  try {
    if (key == "new") {
      NewMap();
    } else if (key == "open") {
      OpenFile(menuKey);
    } else if (key == "save") {
      SaveMap();
    } else if (key == "kz") {
      kz::RunGame(this);
    } else if (key == "desc") {
      ShowTextResourceEditor();
    } else if (key == "map") {
      ToggleSectorMap();
    } else if (key == "universe") {
      ToggleUniverseMap();
    }
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

void frmGalaxyEditor::DropFiles(const QMimeData* data) {
  if (!data) return;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) {
      OpenFile(S(url.toLocalFile()));
      return;
    }
  }
}

void frmGalaxyEditor::StartDrag(QTreeWidgetItem* node) {
  DragNode = node;
  if (!node) return;
  auto* drag = new QDrag(Tree);
  auto* data = new QMimeData;
  data->setText("x");
  drag->setMimeData(data);
  drag->exec(Qt::MoveAction);
  DragNode = nullptr;
  Tree->viewport()->unsetCursor();
  SelectNode(Tree->currentItem());
}

bool frmGalaxyEditor::eventFilter(QObject* watched, QEvent* event) {
  const bool onTree = watched == Tree || watched == Tree->viewport();
  if (!onTree) return QMainWindow::eventFilter(watched, event);
  try {
    switch (event->type()) {
      case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(event);
        if (watched == Tree && k->key() == Qt::Key_Delete) {
          DeleteCurrentObject();
          return true;
        }
        break;
      }
      case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(event);
        if (m->button() == Qt::LeftButton) dragStart_ = m->position().toPoint();
        break;
      }
      case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(event);
        if ((m->buttons() & Qt::LeftButton) && !DragNode &&
            (m->position().toPoint() - dragStart_).manhattanLength() >= QApplication::startDragDistance()) {
          StartDrag(Tree->itemAt(dragStart_));
          return true;
        }
        break;
      }
      case QEvent::MouseButtonRelease: {
        auto* m = static_cast<QMouseEvent*>(event);
        if (watched == Tree->viewport() && m->button() == Qt::RightButton) {
          PreparePopup(Tree->itemAt(m->position().toPoint()));
          mnuPop->popup(m->globalPosition().toPoint());
          return true;
        }
        break;
      }
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* d = static_cast<QDropEvent*>(event);
        if (kz::DataHasFiles(d->mimeData())) {
          d->acceptProposedAction();
          return true;
        }
        QTreeWidgetItem* target = Tree->itemAt(d->position().toPoint());
        const bool alt = MoveKey(d->modifiers());
        const std::string pointer = DragPointer(DragNode, target, alt);
        auto it = ObjectIcons.find(pointer);
        if (it != ObjectIcons.end()) Tree->viewport()->setCursor(QCursor(it->second.pixmap(16, 16)));
        if (pointer == "nop") {
          d->ignore();
        } else {
          d->setDropAction(Qt::MoveAction);
          d->accept();
        }
        return true;
      }
      case QEvent::Drop: {
        auto* d = static_cast<QDropEvent*>(event);
        if (kz::DataHasFiles(d->mimeData())) {
          d->acceptProposedAction();
          DropFiles(d->mimeData());
          return true;
        }
        QTreeWidgetItem* target = Tree->itemAt(d->position().toPoint());
        bool moved = false;
        if (target && DragNode) moved = MoveNode(DragNode, target, MoveKey(d->modifiers()));
        if (moved) {
          d->setDropAction(Qt::MoveAction);
          d->accept();
        } else {
          d->ignore();
        }
        DragNode = nullptr;
        return true;
      }
      default:
        break;
    }
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

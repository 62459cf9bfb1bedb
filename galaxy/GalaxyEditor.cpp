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
#include "galaxy/GalObject.h"
#include "galaxy/SectorMap.h"
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

namespace {

constexpr const char* kSection = "GE";
// A node of the tree: its key as a number (the object's id, or minus the placeholder's
// number) and its image (the position in ImageKeys(), -1 for none), kept in the item
// itself so that a large fill makes nothing per node beyond its text and icon.
class GalNode : public QTreeWidgetItem {
 public:
  static constexpr int kType = QTreeWidgetItem::UserType + 18;
  explicit GalNode(int32_t key) : QTreeWidgetItem(kType), key(key) {}
  int32_t key;
  int32_t image = -1;
};

GalNode* AsNode(QTreeWidgetItem* item) {
  return item && item->type() == GalNode::kType ? static_cast<GalNode*>(item) : nullptr;
}
int32_t KeyNumber(QTreeWidgetItem* item) {
  GalNode* n = AsNode(item);
  return n ? n->key : 0;
}
const QColor kNotLoadedColour(0x81, 0x7B, 0x7C);  // BGR 0x7C7B81

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }
int Tw(int twips) { return twips / 15; }

// Keys of placeholder nodes keep counting for the life of the process.
int32_t DummyCounter = 0;

QPointer<frmGalaxyEditor>& TheWindow() {
  static QPointer<frmGalaxyEditor> window;
  return window;
}

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

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

  resize(Tw(12000), Tw(8000));
}

void frmGalaxyEditor::BuildToolbar() {
  MainToolbar = addToolBar("Main");
  MainToolbar->setObjectName("MainToolbar");
  MainToolbar->setMovable(false);
  struct ButtonDef {
    const char* key;
    const char* text;
    const char* tip;
    QStyle::StandardPixmap icon;
    bool check;
  };
  static const ButtonDef defs[] = {
      {"new", "New", "New map file", QStyle::SP_FileIcon, false},
      {"open", "Open", "Open map", QStyle::SP_DialogOpenButton, false},
      {"save", "Save", "Save map", QStyle::SP_DialogSaveButton, false},
      {"kz", "Kz", "Run the Kz game", QStyle::SP_MediaPlay, false},
      {"desc", "Text Res", "Text resource editor", QStyle::SP_FileDialogDetailedView, false},
      {"map", "Sector", "Show sector map", QStyle::SP_DesktopIcon, true},
      {"universe", "Universe", "Show universe map", QStyle::SP_DriveNetIcon, true}};
  for (const ButtonDef& d : defs) {
    auto* button = new QToolButton(MainToolbar);
    button->setObjectName(d.key);
    button->setText(d.text);
    button->setToolTip(d.tip);
    button->setIcon(style()->standardIcon(d.icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setCheckable(d.check);
    MainToolbar->addWidget(button);
    buttons_[d.key] = button;
    const std::string key = d.key;
    connect(button, &QToolButton::clicked, this, [this, key] { ToolbarAction(key); });
  }
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
        explicit Wait(QWidget* o) : owner(o) { kz::ShowWait(std::string("Loading file..."), owner); }
        ~Wait() { kz::HideWait(owner); }
      } wait(this);
      FileTitle_.clear();
      CopiedObject_.reset();  // it belongs to the map being replaced
      SetCurrentObject(nullptr);
      if (m_map) m_map->Clear();
      if (!Parser_->ParseFile(path)) {
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
  if (RuDU_FileExists(name.c_str()) != 0) {
    if (Msg(name + " already exists.\r\nDo you want to replace it?", platform::vbYesNo | platform::vbQuestion) ==
        platform::vbNo)
      return false;
  }
  bool saved = false;
  try {
    WaitCursor wait;
    saved = Parser_->SaveFile(name, filterIndex == 1 ? 1 : 2);
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
}

// ---- the tree --------------------------------------------------------------------------------

std::string frmGalaxyEditor::NodeText(const std::shared_ptr<clsGalaxyObject>& obj) const {
  const std::string typeName = (NameMask_ & kMaskClass) ? obj->ObjectTypeName() : std::string();
  const std::string id = (NameMask_ & kMaskID) ? Parser_->GetObjectID(obj) : std::string();
  const std::string name = (NameMask_ & kMaskName) ? Parser_->GetObjectName(obj) : std::string();
  return mdlGalaxyEditorRules::NodeText(NameMask_, typeName, id, name);
}

QString frmGalaxyEditor::NodeTextOf(const std::shared_ptr<clsGalaxyObject>& obj) {
  // While the tree fills, objects of one type, subtype and name text share one text: it
  // depends on nothing else (a sector's depends on its position, so sectors are not shared).
  const int32_t t = obj->otype();
  if (!textMemo_ || t == mdlGalaxy::kGalSector) return Q(NodeText(obj));
  const kz::Variant sub = obj->subtype();
  std::string key = std::to_string(t);
  key += sub.IsString() ? "\x1fs" : "\x1fn";
  key += kz::CStr(sub);
  key += '\x1f';
  key += kz::CStr(obj->NamedProperty("n"));
  auto [it, fresh] = textMemo_->try_emplace(std::move(key));
  if (fresh) it->second = Q(NodeText(obj));
  return it->second;
}

void frmGalaxyEditor::SetNodeLook(QTreeWidgetItem* node, const std::shared_ptr<clsGalaxyObject>& obj) {
  node->setText(0, NodeTextOf(obj));
  const std::string image = NodeImageKey(obj->otype(), obj->subtype(), obj->Loaded);
  static const std::unordered_map<std::string, int> positions = [] {
    std::unordered_map<std::string, int> m;
    for (size_t i = 0; i < ImageKeys().size(); ++i) m.emplace(ImageKeys()[i], static_cast<int>(i));
    return m;
  }();
  const auto at = positions.find(image);
  const int index = at == positions.end() ? -1 : at->second;
  GalNode* n = AsNode(node);
  if (n && n->image == index) return;
  if (index >= 0)
    node->setIcon(0, iconList_[static_cast<size_t>(index)]);
  else
    node->setIcon(0, QIcon());
  if (n) n->image = index;
}

std::string frmGalaxyEditor::NodeImage(QTreeWidgetItem* node) const {
  if (!node) return {};
  GalNode* n = AsNode(node);
  const int index = n ? n->image : -1;
  return index >= 0 && index < static_cast<int>(ImageKeys().size()) ? ImageKeys()[static_cast<size_t>(index)]
                                                                      : std::string();
}

namespace {

// "<n>k" (an object) or "<n>dummy" (a placeholder); false for any other text.
bool ParseNodeKey(std::string_view key, int32_t& n, bool& dummy) {
  size_t i = 0;
  int64_t v = 0;
  while (i < key.size() && key[i] >= '0' && key[i] <= '9' && i < 10) v = v * 10 + (key[i++] - '0');
  if (i == 0 || v > INT32_MAX) return false;
  n = static_cast<int32_t>(v);
  const std::string_view rest = key.substr(i);
  if (rest == "k") {
    dummy = false;
    return true;
  }
  if (rest == "dummy") {
    dummy = true;
    return true;
  }
  return false;
}

}  // namespace

void frmGalaxyEditor::Register(int32_t id, QTreeWidgetItem* node) {
  if (id < 0) return;
  if (static_cast<size_t>(id) >= nodesById_.size()) nodesById_.resize(static_cast<size_t>(id) + 1 + nodesById_.size() / 2);
  nodesById_[static_cast<size_t>(id)] = node;
}

QTreeWidgetItem* frmGalaxyEditor::NodeById(int32_t id) const {
  return id >= 0 && static_cast<size_t>(id) < nodesById_.size() ? nodesById_[static_cast<size_t>(id)] : nullptr;
}

QTreeWidgetItem* frmGalaxyEditor::MakeNode(const std::shared_ptr<clsGalaxyObject>& obj) {
  auto* node = new GalNode(obj->id);
  SetNodeLook(node, obj);
  Register(obj->id, node);
  return node;
}

void frmGalaxyEditor::AppendChildNodes(QTreeWidgetItem* node, const std::shared_ptr<clsGalaxyObject>& obj,
                                       QList<QTreeWidgetItem*>& into) {
  if (obj->Loaded) {
    for (const GalaxyObjectPtr& child : obj->Childs) {
      if (NodeById(child->id)) return;  // a key already in the tree ends the fill
      QTreeWidgetItem* c = MakeNode(child);
      into.push_back(c);
      QList<QTreeWidgetItem*> grand;
      AppendChildNodes(c, child, grand);
      if (!grand.isEmpty()) c->addChildren(grand);
    }
  } else {
    ++DummyCounter;
    auto* dummy = new GalNode(-DummyCounter);
    dummy->setText(0, "not loaded");
    dummies_[DummyCounter] = dummy;
    into.push_back(dummy);
  }
  (void)node;
}

void frmGalaxyEditor::AddChildNodes(QTreeWidgetItem* node, const std::shared_ptr<clsGalaxyObject>& obj) {
  QList<QTreeWidgetItem*> children;
  AppendChildNodes(node, obj, children);
  if (!children.isEmpty()) node->addChildren(children);
}

void frmGalaxyEditor::FillTree() {
  std::unordered_map<std::string, QString> memo;
  textMemo_ = &memo;
  struct Reset {
    std::unordered_map<std::string, QString>*& p;
    ~Reset() { p = nullptr; }
  } reset{textMemo_};
  filling_ = true;
  Tree->setUpdatesEnabled(false);
  Tree->clear();
  nodesById_.assign(nodesById_.size(), nullptr);
  dummies_.clear();
  QList<QTreeWidgetItem*> top;
  top.reserve(Parser_->Sectors.Count());
  for (const GalaxyObjectPtr& sector : Parser_->Sectors) {
    if (NodeById(sector->id)) break;
    QTreeWidgetItem* node = MakeNode(sector);
    if (!sector->Loaded) node->setForeground(0, kNotLoadedColour);
    top.push_back(node);
    AddChildNodes(node, sector);
  }
  Tree->addTopLevelItems(top);
  Tree->setUpdatesEnabled(true);
  filling_ = false;
  SelectNode(nullptr);
  UpdateSectorCount();
}

void frmGalaxyEditor::UpdateSectorCount() {
  if (auto* panel = Bar->findChild<QLabel*>("BarPanel1")) panel->setText(Q(SectorCountText(Parser_->Sectors.Count())));
}

QTreeWidgetItem* frmGalaxyEditor::NodeByKey(const std::string& key) const {
  int32_t n = 0;
  bool dummy = false;
  if (!ParseNodeKey(key, n, dummy)) return nullptr;
  if (!dummy) return NodeById(n);
  auto it = dummies_.find(n);
  return it == dummies_.end() ? nullptr : it->second;
}

std::string frmGalaxyEditor::NodeKey(QTreeWidgetItem* node) const {
  if (!node) return {};
  const int n = KeyNumber(node);
  return n < 0 ? std::to_string(-n) + "dummy" : std::to_string(n) + "k";
}

QTreeWidgetItem* frmGalaxyEditor::NodeOf(const std::shared_ptr<clsGalaxyObject>& obj) const {
  return obj ? NodeById(obj->id) : nullptr;
}

std::shared_ptr<clsGalaxyObject> frmGalaxyEditor::ObjectOfNode(QTreeWidgetItem* node) const {
  if (!node) return nullptr;
  const int n = KeyNumber(node);
  return n > 0 ? Parser_->objects.Find(std::to_string(n) + "k") : nullptr;
}

void frmGalaxyEditor::Unregister(QTreeWidgetItem* node) {
  const int n = KeyNumber(node);
  if (n < 0)
    dummies_.erase(-n);
  else if (NodeById(n) == node)
    nodesById_[static_cast<size_t>(n)] = nullptr;
  for (int i = 0; i < node->childCount(); ++i) Unregister(node->child(i));
}

void frmGalaxyEditor::RemoveNode(QTreeWidgetItem* node) {
  if (!node) return;
  if (node == DragNode) DragNode = nullptr;
  Unregister(node);
  filling_ = true;
  delete node;
  filling_ = false;
}

void frmGalaxyEditor::RemoveChildNodes(QTreeWidgetItem* node) {
  const QList<QTreeWidgetItem*> children = node->takeChildren();
  for (QTreeWidgetItem* c : children) {
    Unregister(c);
    delete c;
  }
}

void frmGalaxyEditor::UpdateNode(const std::shared_ptr<clsGalaxyObject>& obj, bool withChildren) {
  if (!obj) return;
  QTreeWidgetItem* node = NodeOf(obj);
  if (!node) {
    GalaxyObjectPtr parent = obj->Parent();
    if (!parent) {
      node = MakeNode(obj);
      Tree->addTopLevelItem(node);
    } else {
      QTreeWidgetItem* parentNode = NodeOf(parent);
      if (!parentNode) return;
      node = MakeNode(obj);
      parentNode->addChild(node);
    }
  }
  SetNodeLook(node, obj);
  if (withChildren) AddChildNodes(node, obj);
}

void frmGalaxyEditor::ApplyNameFilter() {
  int32_t mask = 0;
  for (size_t i = 0; i < 3; ++i)
    if (chkNameFilter[i]->isChecked()) mask |= 1 << i;
  NameMask_ = mask;
  WaitCursor wait;
  for (size_t id = 0; id < nodesById_.size(); ++id) {
    QTreeWidgetItem* node = nodesById_[id];
    if (!node) continue;
    GalaxyObjectPtr obj = Parser_->objects.Find(std::to_string(id) + "k");
    if (obj) node->setText(0, Q(NodeText(obj)));
  }
}

bool frmGalaxyEditor::LoadSector(const std::shared_ptr<clsGalaxyObject>& sector) {
  if (!Parser_->LoadSectorChildren(sector)) {
    Msg(Parser_->GetLastError(), platform::vbCritical);
    return false;
  }
  // Objects read before (the gates) were replaced by new ones.
  if (CopiedObject_ && !CopiedObjectAlive()) CopiedObject_.reset();
  if (QTreeWidgetItem* node = NodeOf(sector)) {
    filling_ = true;
    RemoveChildNodes(node);
    AddChildNodes(node, sector);
    node->setForeground(0, QBrush());
    SetNodeLook(node, sector);
    filling_ = false;
  }
  return true;
}

void frmGalaxyEditor::ExpandNode(QTreeWidgetItem* node) {
  GalaxyObjectPtr obj = ObjectOfNode(node);
  if (!obj || obj->Loaded) return;
  LoadSector(obj);
  // The sector map picks up the children just read.
  if (obj == CurrentObject_ && m_map) m_map->SelectGalObject(obj);
}

void frmGalaxyEditor::SelectNode(QTreeWidgetItem* node) {
  if (m_find) m_find->ClearTag();
  if (!node) {
    node = Tree->currentItem();
    if (!node && Tree->topLevelItemCount() > 0) {
      node = Tree->topLevelItem(0);
      filling_ = true;
      Tree->setCurrentItem(node);
      filling_ = false;
    }
  }
  SetCurrentObject(ObjectOfNode(node));
}

void frmGalaxyEditor::SelectObjectNode(const std::shared_ptr<clsGalaxyObject>& obj) {
  if (QTreeWidgetItem* node = NodeOf(obj)) {
    filling_ = true;
    Tree->setCurrentItem(node);
    filling_ = false;
  }
  SetCurrentObject(obj);
}

void frmGalaxyEditor::ObjectChanged(const std::shared_ptr<clsGalaxyObject>& obj, bool fromPage) {
  if (!obj) return;
  Modified_ = Modified_ || obj->Dirty;
  UpdateCaption();
  UpdateNode(obj, false);
  if (m_map) m_map->ObjectModified(obj);
  if (!fromPage) SetCurrentObject(CurrentObject_);
}

// ---- commands -------------------------------------------------------------------------------

void frmGalaxyEditor::DiscardObject(const std::shared_ptr<clsGalaxyObject>& obj) {
  if (!obj) return;
  if (obj->XMLBookmark > 0) {
    Parser_->DeleteObject(obj);
    return;
  }
  if (GalaxyObjectPtr parent = obj->Parent()) {
    if (parent->Childs.Exists(obj->key()) && parent->Childs.Find(obj->key()) && *parent->Childs.Find(obj->key()) == obj)
      parent->Childs.Remove(obj->key());
  }
  if (Parser_->Sectors.Exists(obj->key())) Parser_->Sectors.Remove(obj->key());
  std::function<void(const GalaxyObjectPtr&)> forget = [&](const GalaxyObjectPtr& o) {
    if (Parser_->objects.Find(o->key()) == o) Parser_->objects.Remove(o->key());
    for (const GalaxyObjectPtr& c : o->Childs) forget(c);
  };
  forget(obj);
}

void frmGalaxyEditor::AddNewObject(bool isSector) {
  try {
    if (!isSector && !CurrentObject_) return;
    if (!isSector && !CurrentObject_->Loaded && !LoadSector(CurrentObject_)) return;
    GalaxyObjectPtr obj = Parser_->NewGalObject(isSector ? nullptr : CurrentObject_);
    obj->Loaded = true;
    frmNewGalObject& dialog = frmNewGalObject::Default();
    if (isSector)
      dialog.NewSector(Parser_, obj, true, this);
    else
      dialog.NewObject(Parser_, obj, false, true, this);
    if (dialog.ModalResult != 1) return;

    Parser_->AddObject(obj);
    GalaxyObjectPtr parent = obj->Parent();
    if (parent) parent->Childs.Add(obj, obj->key());
    if (!Parser_->UpdateObjectXML(obj)) {
      const std::string why = Parser_->GetLastError();
      DiscardObject(obj);  // the document stays as it was
      Msg("Error while updating ojbect state in XML:\r\n" + why, platform::vbCritical);
      return;
    }
    if (!Parser_->CreateDefaultObjects(obj) || !Parser_->GetLastError().empty()) {
      if (!Parser_->GetLastError().empty()) Msg(Parser_->GetLastError(), platform::vbCritical);
    }
    SetModified(true);
    UpdateNode(obj, true);
    if (m_map) m_map->ObjectAdded(obj);
    if (isSector) UpdateSectorCount();
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

void frmGalaxyEditor::DeleteCurrentObject() {
  try {
    GalaxyObjectPtr obj = CurrentObject_;
    if (!obj) return;
    const std::string question = DeleteQuestionText(Parser_->GetObjectName(obj), Parser_->GetObjectID(obj));
    if (Msg(question, platform::vbYesNo | platform::vbQuestion) != platform::vbYes) return;

    // Where the object stands, to put it back when the document refuses the deletion.
    GalaxyObjectPtr parent = obj->Parent();
    int32_t position = parent ? parent->Childs.PositionOf(obj->key()) : 0;
    const bool registered = Parser_->objects.Find(obj->key()) == obj;
    const int32_t sectorPosition = Parser_->Sectors.Exists(obj->key()) ? Parser_->Sectors.PositionOf(obj->key()) : 0;

    if (!Parser_->DeleteObject(obj)) {
      const std::string why = Parser_->GetLastError().empty() ? obj->GetLastError() : Parser_->GetLastError();
      if (parent && !parent->Childs.Exists(obj->key())) {
        if (position >= 1 && position <= parent->Childs.Count())
          parent->Childs.Add(obj, obj->key(), position);
        else
          parent->Childs.Add(obj, obj->key());
        obj->SetParent(parent);
      }
      if (registered && !Parser_->objects.Find(obj->key())) {
        std::function<void(const GalaxyObjectPtr&)> back = [&](const GalaxyObjectPtr& o) {
          Parser_->objects.Add(o, o->key());
          for (const GalaxyObjectPtr& c : o->Childs) back(c);
        };
        back(obj);
      }
      if (sectorPosition > 0 && !Parser_->Sectors.Exists(obj->key())) {
        if (sectorPosition <= Parser_->Sectors.Count())
          Parser_->Sectors.Add(obj, obj->key(), sectorPosition);
        else
          Parser_->Sectors.Add(obj, obj->key());
      }
      Msg("Error deleting object:\r\n" + why, platform::vbCritical);
      return;
    }
    // A copied object that was deleted with it can no longer be pasted.
    for (GalaxyObjectPtr o = CopiedObject_; o; o = o->Parent())
      if (o == obj) {
        CopiedObject_.reset();
        break;
      }
    RemoveNode(NodeOf(obj));
    if (m_map) m_map->ObjectRemoved(obj);
    Modified_ = true;
    UpdateCaption();
    UpdateSectorCount();
    SelectNode(nullptr);
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

bool frmGalaxyEditor::CopiedObjectAlive() const {
  if (!CopiedObject_) return false;
  return Parser_->objects.Find(CopiedObject_->key()) == CopiedObject_;
}

void frmGalaxyEditor::CopyObject() {
  try {
    GalaxyObjectPtr obj = CurrentObject_;
    if (!obj) return;
    // A sector whose children were never read is read now, so that its copy holds them.
    if (!obj->Loaded && !LoadSector(obj)) return;
    CopiedObject_ = obj;
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

void frmGalaxyEditor::PasteObject() {
  try {
    if (!CopiedObject_ || !CurrentObject_) return;
    if (!CopiedObjectAlive()) {
      CopiedObject_.reset();
      Msg("The copied object was deleted; it cannot be pasted.", platform::vbExclamation);
      return;
    }
    const std::string refusal = PasteRefusal(CurrentObject_->otype(), CopiedObject_->otype());
    if (!refusal.empty()) {
      Msg(refusal, platform::vbCritical);
      return;
    }
    if (CurrentObject_->otype() == mdlGalaxy::kGalSector && !CurrentObject_->Loaded && !LoadSector(CurrentObject_))
      return;
    if (!CopiedObjectAlive()) {  // loading replaced it
      CopiedObject_.reset();
      Msg("The copied object was deleted; it cannot be pasted.", platform::vbExclamation);
      return;
    }
    if (!CopiedObject_->Loaded && !LoadSector(CopiedObject_)) return;

    GalaxyObjectPtr copy = CopiedObject_->Copy();
    GalaxyObjectPtr parent = copy->Parent();
    if (!parent)
      Parser_->Sectors.Add(copy, copy->key());
    else
      parent->Childs.Add(copy, copy->key());
    if (!Parser_->UpdateObjectXML(copy)) {
      const std::string why = Parser_->GetLastError();
      DiscardObject(copy);
      Msg("Error updating object in xml:\r\n" + why, platform::vbCritical);
      return;
    }
    if (!Parser_->MoveObject(copy, CurrentObject_, false)) {
      const std::string why = Parser_->GetLastError();
      DiscardObject(copy);
      Msg(why, platform::vbCritical);
      return;
    }
    UpdateNode(copy, true);
    // The copy stands directly after the current object in the tree.
    if (QTreeWidgetItem* node = NodeOf(copy)) {
      QTreeWidgetItem* beside = NodeOf(CurrentObject_);
      QTreeWidgetItem* parentNode = node->parent();
      if (beside && beside->parent() == parentNode) {
        filling_ = true;
        if (parentNode) {
          parentNode->removeChild(node);
          parentNode->insertChild(parentNode->indexOfChild(beside), node);
        } else {
          Tree->takeTopLevelItem(Tree->indexOfTopLevelItem(node));
          Tree->insertTopLevelItem(Tree->indexOfTopLevelItem(beside), node);
        }
        filling_ = false;
      }
    }
    Modified_ = true;
    UpdateCaption();
    UpdateSectorCount();
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

bool frmGalaxyEditor::MoveNode(QTreeWidgetItem* movedNode, QTreeWidgetItem* targetNode, bool asChild) {
  try {
    GalaxyObjectPtr moved = ObjectOfNode(movedNode);
    GalaxyObjectPtr target = ObjectOfNode(targetNode);
    if (!moved || !target) {
      Msg("Moved node or target node not found in parser.", platform::vbCritical);
      return false;
    }
    if (moved == target) return false;
    // An object never goes into its own subtree.
    for (GalaxyObjectPtr o = target; o; o = o->Parent())
      if (o == moved) {
        Msg("Cannot move object into itself.", platform::vbCritical);
        return false;
      }
    if (!target->Loaded && !LoadSector(target)) return false;
    if (!Parser_->MoveObject(moved, target, asChild)) {
      Msg(Parser_->GetLastError(), platform::vbCritical);
      return false;
    }
    filling_ = true;
    RemoveNode(NodeOf(moved));
    QTreeWidgetItem* targetNow = NodeOf(target);
    QTreeWidgetItem* node = MakeNode(moved);
    if (!moved->Loaded) node->setForeground(0, kNotLoadedColour);
    // Beside the target the object stands where the document has it: just before it.
    if (asChild) {
      targetNow->addChild(node);
    } else if (QTreeWidgetItem* p = targetNow->parent()) {
      p->insertChild(p->indexOfChild(targetNow), node);
    } else {
      Tree->insertTopLevelItem(Tree->indexOfTopLevelItem(targetNow), node);
    }
    AddChildNodes(node, moved);
    Tree->setCurrentItem(node);
    Tree->scrollToItem(node);
    filling_ = false;
    SetCurrentObject(moved);
    Modified_ = true;
    UpdateCaption();
    return true;
  } catch (const std::exception& e) {
    filling_ = false;
    Msg(e.what(), platform::vbCritical);
    return false;
  }
}

std::string frmGalaxyEditor::DragPointer(QTreeWidgetItem* dragged, QTreeWidgetItem* target, bool alt) const {
  GalaxyObjectPtr d = ObjectOfNode(dragged);
  GalaxyObjectPtr t = ObjectOfNode(target);
  return DragPointerKey(dragged != nullptr, target != nullptr, dragged == target, d ? d->otype() : 0,
                        t ? t->otype() : 0, alt);
}

void frmGalaxyEditor::PreparePopup(QTreeWidgetItem* node) {
  mnuPopDelete->setEnabled(node != nullptr);
  mnuPopAddObj->setEnabled(node != nullptr);
  mnuPopCopy->setEnabled(node != nullptr);
  mnuPopPaste->setEnabled(node != nullptr && CopiedObject_ != nullptr);
  mnuPopAddSector->setEnabled(!FileTitle_.empty());
}

// ---- find -----------------------------------------------------------------------------------

void frmGalaxyEditor::ShowFindDialog() {
  if (m_find) {
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
    return;
  }
  m_find = new frmFind(this);
  m_find->setAttribute(Qt::WA_DeleteOnClose);
  m_find->OnFindNext = [this](bool exact, bool byID, std::string& text, kz::Variant& tag, bool& found) {
    m_find_OnFindNext(exact, byID, text, tag, found);
  };
  m_find->OnClose = [this] { m_find_OnClose(); };
  std::string text;
  if (Settings) text = kz::CStr(Settings->ReadRegValue(kSection, "LastFindString", kRegText, kz::Variant("")));
  m_find->ShowFind(text, false, this);
}

void frmGalaxyEditor::m_find_OnClose() {
  if (m_find && Settings)
    Settings->SaveRegValue(kSection, "LastFindString", kz::Variant(m_find->FindString()), false);
  m_find = nullptr;
}

void frmGalaxyEditor::m_find_OnFindNext(bool exact, bool /*byID*/, std::string& text, kz::Variant& tag, bool& found) {
  found = FindNext(exact, text, tag);
}

namespace {

bool TextMatches(bool exact, const QString& nodeText, const QString& text) {
  if (exact) return nodeText.compare(text, Qt::CaseInsensitive) == 0;
  return nodeText.contains(text, Qt::CaseInsensitive);
}

}  // namespace

bool frmGalaxyEditor::FindNext(bool exact, const std::string& textIn, kz::Variant& tag) {
  QTreeWidgetItem* selected = Tree->currentItem();
  if (!selected) return false;
  QTreeWidgetItem* lastFound = tag.IsString() ? NodeByKey(tag.AsString()) : nullptr;
  const QString text = Q(textIn);
  auto matches = [&](QTreeWidgetItem* n) { return n != lastFound && TextMatches(exact, n->text(0), text); };
  std::function<QTreeWidgetItem*(QTreeWidgetItem*)> inChildren = [&](QTreeWidgetItem* n) -> QTreeWidgetItem* {
    for (int i = 0; i < n->childCount(); ++i) {
      QTreeWidgetItem* c = n->child(i);
      if (matches(c)) return c;
      if (QTreeWidgetItem* r = inChildren(c)) return r;
    }
    return nullptr;
  };
  auto nextSibling = [&](QTreeWidgetItem* n) -> QTreeWidgetItem* {
    if (QTreeWidgetItem* p = n->parent()) {
      const int i = p->indexOfChild(n);
      return i + 1 < p->childCount() ? p->child(i + 1) : nullptr;
    }
    const int i = Tree->indexOfTopLevelItem(n);
    return i + 1 < Tree->topLevelItemCount() ? Tree->topLevelItem(i + 1) : nullptr;
  };

  QTreeWidgetItem* result = nullptr;
  QTreeWidgetItem* node = selected;
  while (node && !result) {
    QTreeWidgetItem* p = node->parent();
    for (QTreeWidgetItem* s = node; s && !result; s = nextSibling(s)) {
      if (matches(s))
        result = s;
      else
        result = inChildren(s);
    }
    if (result) break;
    while (p && !nextSibling(p)) p = p->parent();
    node = p ? nextSibling(p) : nullptr;
  }
  if (!result) return false;
  filling_ = true;
  Tree->setCurrentItem(result);
  Tree->scrollToItem(result);
  filling_ = false;
  SelectNode(result);
  tag = kz::Variant(NodeKey(result));
  return true;
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
      if (QToolButton* b = Button(key)) b->setChecked(false);
      Msg("The universe map is not available yet.", platform::vbInformation);
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
        const bool alt = (d->modifiers() & Qt::AltModifier) != 0;
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
        if (target && DragNode) moved = MoveNode(DragNode, target, (d->modifiers() & Qt::AltModifier) != 0);
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

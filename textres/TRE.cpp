#include "textres/TRE.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Settings.h"
#include "core/ui/GenericUi.h"
#include "core/ui/ToolbarUi.h"
#include "platform/Ui.h"
#include "core/Generic.h"
#include "shell/CATDialog.h"
#include "shell/DialogRules.h"
#include "shell/Find.h"
#include "shell/JvFileDialog.h"
#include "shell/frmWait.h"
#include "textres/NewXML.h"
#include "textres/PageEdit.h"
#include "textres/StringEdit.h"
#include "textres/TREListModel.h"

namespace {

constexpr const char* kSection = "TRE";

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QPointer<frmTRE>& Shared() {
  static QPointer<frmTRE> shared;
  return shared;
}

// The window at the top of the owner chain (the launcher, when the owner is one of
// its windows).
QWidget* RootWindowOf(QWidget* w) {
  QWidget* root = w ? w->window() : nullptr;
  while (root && root->parentWidget()) root = root->parentWidget()->window();
  return root;
}

void SetOwnerWindow(QWidget* window, QWidget* owner) {
  if (!owner || !window->windowHandle() || !owner->window()->windowHandle()) return;
  window->windowHandle()->setTransientParent(owner->window()->windowHandle());
}

int Twips(const QWidget* w, int twips) {
  const double dpi = w->logicalDpiX() > 0 ? w->logicalDpiX() : 96.0;
  return static_cast<int>(twips * dpi / 1440.0 + 0.5);
}

}  // namespace

// ---- making and showing ---------------------------------------------------------------

frmTRE* frmTRE::OpenNew(QWidget* owner, const std::string& path) {
  auto* w = new frmTRE(owner);
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->MyShow(false, owner);
  w->setWindowState(w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
  if (!path.empty()) w->OpenFile(path);
  return w;
}

frmTRE* frmTRE::ShowShared(QWidget* owner) {
  QPointer<frmTRE>& shared = Shared();
  QWidget* root = RootWindowOf(owner);
  if (!shared) {
    shared = new frmTRE(root);
    shared->setAttribute(Qt::WA_DeleteOnClose);
    shared->MyShow(false, owner);
  } else {
    // Already there: shown and raised as it is, unsaved edits included.
    if (shared->parentWidget() != root) shared->setParent(root, shared->windowFlags() | Qt::Window);
    shared->show();
    SetOwnerWindow(shared, owner);
    shared->raise();
    shared->activateWindow();
  }
  shared->setWindowState(shared->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
  shared->WatchOwner(root);
  return shared;
}

frmTRE* frmTRE::SharedWindow() { return Shared().data(); }

frmTRE::frmTRE(QWidget* owner) : QMainWindow(owner) {
  setObjectName("frmTRE");
  if (owner) setWindowFlag(Qt::Window, true);
  session_ = std::make_unique<clsTRESession>(*this);
  BuildControls();
  resize(Twips(this, 11000), Twips(this, 7000));
  StateChanged();
}

frmTRE::~frmTRE() {
  syncing_ = true;  // no selection signal reaches the state while the lists go
  if (m_find) {
    m_find->OnFindNext = nullptr;
    m_find->OnClose = nullptr;
    delete m_find.data();
  }
  // The lists read the state's rows: they go first.
  PageView->setModel(nullptr);
  TextView->setModel(nullptr);
  delete pageModel_;
  delete stringModel_;
  pageModel_ = stringModel_ = nullptr;
  session_.reset();
}

void frmTRE::WatchOwner(QWidget* owner) {
  if (watchedOwner_ == owner) return;
  if (watchedOwner_) watchedOwner_->removeEventFilter(this);
  watchedOwner_ = owner;
  if (owner && owner != this) owner->installEventFilter(this);
}

void frmTRE::MyShow(bool modal, QWidget* owner) {
  Run("MyShow", [&] { session_->Start(); });
  if (modal) setWindowModality(Qt::ApplicationModal);
  show();
  SetOwnerWindow(this, owner);
}

// ---- controls -------------------------------------------------------------------------

QTableView* frmTRE::MakeList(const char* name, TREListModel*& model, const clsTRERows& rows, const QString& textHeader) {
  auto* view = new QTableView(this);
  view->setObjectName(name);
  model = new TREListModel(rows, {"ID", textHeader}, view);
  view->setModel(model);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setShowGrid(false);
  view->setWordWrap(false);
  view->verticalHeader()->hide();
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
  view->horizontalHeader()->setStretchLastSection(true);
  view->horizontalHeader()->setHighlightSections(false);
  view->setColumnWidth(0, Twips(this, 1000));
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  view->installEventFilter(this);
  return view;
}

void frmTRE::BuildControls() {
  BuildToolbar();
  BuildMenus();

  Splitter = new QSplitter(Qt::Horizontal, this);
  Splitter->setObjectName("Splitter");
  PageView = MakeList("PageView", pageModel_, session_->Rows(tre::kPageList), "Title");
  PageView->setMinimumWidth(Twips(this, 2000));
  PageView->setAcceptDrops(true);
  PageView->viewport()->setAcceptDrops(true);
  PageView->viewport()->installEventFilter(this);
  Splitter->addWidget(PageView);

  auto* right = new QWidget(Splitter);
  auto* rl = new QVBoxLayout(right);
  rl->setContentsMargins(0, 0, Twips(this, 50), 0);
  lblName = new QLabel(right);
  lblName->setObjectName("lblName");
  QFont bold = lblName->font();
  bold.setBold(true);
  lblName->setFont(bold);
  lblDesc = new QLabel(right);
  lblDesc->setObjectName("lblDesc");
  lblDesc->setWordWrap(true);
  TextView = MakeList("TextView", stringModel_, session_->Rows(tre::kStringList), "Text");
  TextEdit = new QPlainTextEdit(right);
  TextEdit->setObjectName("TextEdit");
  TextEdit->setReadOnly(true);
  TextEdit->setFixedHeight(Twips(this, 1500));
  rl->addWidget(lblName);
  rl->addWidget(lblDesc);
  rl->addWidget(TextView, 1);
  rl->addWidget(TextEdit);
  Splitter->addWidget(right);
  Splitter->setStretchFactor(1, 1);
  Splitter->setChildrenCollapsible(false);
  Splitter->setSizes({Twips(this, 3500), Twips(this, 7000)});
  setCentralWidget(Splitter);

  Bar = statusBar();
  Bar->setObjectName("Bar");
  BarPanel1 = new QLabel(Bar);
  BarPanel1->setObjectName("BarPanel1");
  BarPanel2 = new QLabel(Bar);
  BarPanel2->setObjectName("BarPanel2");
  Bar->addWidget(BarPanel1);
  Bar->addWidget(BarPanel2, 1);

  Dialog = new JvFileDialog(this);
  Dialog->setObjectName("Dialog");

  connect(PageView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (!syncing_) Run("SelectPageItem", [&] { session_->SelectPageItem(current.isValid() ? current.row() : -1); });
          });
  connect(TextView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (!syncing_)
              Run("SelectStringItem", [&] { session_->SelectStringItem(current.isValid() ? current.row() : -1); });
          });
  connect(PageView, &QTableView::doubleClicked, this, [this] { Run("EditPage", [&] { session_->EditPage(); }); });
  connect(TextView, &QTableView::doubleClicked, this, [this] { Run("EditString", [&] { session_->EditString(); }); });
  connect(PageView, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { ShowPageMenu(PageView->viewport()->mapToGlobal(p)); });
  connect(TextView, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { ShowStringMenu(TextView->viewport()->mapToGlobal(p)); });
}

void frmTRE::BuildToolbar() {
  MainToolbar = addToolBar("MainToolbar");
  MainToolbar->setObjectName("MainToolbar");
  MainToolbar->setMovable(false);
  MainToolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  kz::AddToolButtons(MainToolbar,
                     {{"new", "New ", "Create new XML file", QStyle::SP_FileIcon},
                      {"open", "Open", "Open XML file", QStyle::SP_DialogOpenButton},
                      {"save", "Save", "Save XML file", QStyle::SP_DialogSaveButton},
                      {"merge", "Merge", "Merge multiple files", QStyle::SP_FileDialogListView},
                      {"reload", "Reload", "Reload pages in memory", QStyle::SP_BrowserReload}},
                     buttons_, [this](const std::string& key) { ToolbarAction(key); });
  auto* openMenu = new QMenu(buttons_["open"]);
  openMenu->setObjectName("mnuOpen");
  const std::pair<const char*, const char*> items[] = {
      {"open2", "Open file"}, {"vfs", "Open from virtual file system"}, {"mem", "Show pages in memory"}};
  for (const auto& [key, caption] : items) {
    QAction* a = openMenu->addAction(caption);
    a->setObjectName(key);
    const std::string k = key;
    connect(a, &QAction::triggered, this, [this, k] { ToolbarAction(k); });
  }
  buttons_["open"]->setMenu(openMenu);
  buttons_["open"]->setPopupMode(QToolButton::MenuButtonPopup);

  MainToolbar->addSeparator();
  chkRawtext = new QCheckBox("Format texts", MainToolbar);
  chkRawtext->setObjectName("chkRawtext");
  chkRawtext->setToolTip("Process special control characters");
  MainToolbar->addWidget(chkRawtext);
  connect(chkRawtext, &QCheckBox::toggled, this,
          [this](bool on) { Run("FormatTexts", [&] { session_->SetFormatTexts(on); }); });
}

void frmTRE::BuildMenus() {
  auto make = [this](QMenu*& menu, const char* name, QAction*& add, QAction*& edit, QAction*& sep, QAction*& del,
                     const char* kind, bool page) {
    menu = new QMenu(this);
    menu->setObjectName(name);
    const std::string k = kind;
    add = menu->addAction(page ? "Add page..." : "Add text...");
    add->setObjectName(QString("mnu%1New").arg(kind));
    edit = menu->addAction(page ? "Edit page" : "Edit text");
    edit->setObjectName(QString("mnu%1Edit").arg(kind));
    sep = menu->addSeparator();
    sep->setObjectName(QString("mnu%1Sep").arg(kind));
    del = menu->addAction(page ? "Delete page..." : "Delete text...");
    del->setObjectName(QString("mnu%1Del").arg(kind));
    menu->setDefaultAction(edit);
    if (page) {
      connect(add, &QAction::triggered, this, [this] { Run("NewPage", [&] { session_->NewPage(); }); });
      connect(edit, &QAction::triggered, this, [this] { Run("EditPage", [&] { session_->EditPage(); }); });
      connect(del, &QAction::triggered, this, [this] { Run("DeletePage", [&] { session_->DeletePage(); }); });
    } else {
      connect(add, &QAction::triggered, this, [this] { Run("NewString", [&] { session_->NewString(); }); });
      connect(edit, &QAction::triggered, this, [this] { Run("EditString", [&] { session_->EditString(); }); });
      connect(del, &QAction::triggered, this, [this] { Run("DeleteString", [&] { session_->DeleteString(); }); });
    }
  };
  make(mnuPage, "mnuPage", mnuPageNew, mnuPageEdit, mnuPageSep, mnuPageDel, "Page", true);
  make(mnuStr, "mnuStr", mnuStrNew, mnuStrEdit, mnuStrSep, mnuStrDel, "Str", false);
}

QToolButton* frmTRE::Button(const std::string& key) const {
  auto it = buttons_.find(key);
  return it == buttons_.end() ? nullptr : it->second;
}

QString frmTRE::ItemKeyOf(int32_t list, int row) const {
  const TREListModel* m = list == tre::kPageList ? pageModel_ : stringModel_;
  if (!m || row < 0 || row >= m->rowCount()) return {};
  return m->data(m->index(row, 0), TREListModel::kKeyRole).toString();
}

// ---- commands -------------------------------------------------------------------------

void frmTRE::Run(const char* what, const std::function<void()>& action) {
  try {
    action();
  } catch (const kz::AppError& e) {
    if (e.Number == kz::kErrCancel) return;
    platform::Ui::Instance().MsgBox(std::string("Error in ") + what + ": " + e.Description, platform::vbCritical,
                                    tre::kTitle, this);
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(std::string("Error in ") + what + ": " + e.what(), platform::vbCritical,
                                    tre::kTitle, this);
  }
}

void frmTRE::OpenFile(const std::string& path) {
  Run("OpenFile", [&] { session_->OpenFile(path); });
}

void frmTRE::ToolbarAction(const std::string& key) {
  Run("Toolbar", [&] {
    if (key == "new") {
      session_->NewDocument();
    } else if (key == "open" || key == "open2") {
      session_->OpenFile("");
    } else if (key == "vfs") {
      session_->OpenFile("vfs://");
    } else if (key == "mem") {
      session_->ShowMemoryPages();
    } else if (key == "save") {
      if (!session_->ReadOnly()) session_->SaveDocument();
    } else if (key == "merge") {
      MsgBox("This feature is currently not supported", platform::vbExclamation, tre::kTitle);
    } else if (key == "reload") {
      session_->ReloadResources();
    }
  });
}

void frmTRE::ShowPageMenu(const QPoint& globalPos) {
  const bool on = session_->CommandsEnabled();
  for (QAction* a : {mnuPageNew, mnuPageEdit, mnuPageDel}) a->setEnabled(on);
  mnuPage->popup(globalPos);
}

void frmTRE::ShowStringMenu(const QPoint& globalPos) {
  const bool on = session_->CommandsEnabled();
  for (QAction* a : {mnuStrNew, mnuStrEdit, mnuStrDel}) a->setEnabled(on);
  mnuStr->popup(globalPos);
}

// ---- find -----------------------------------------------------------------------------

void frmTRE::ShowFindDialog() {
  if (!m_find) {
    m_find = new frmFind(this);
    m_find->setAttribute(Qt::WA_DeleteOnClose);
    m_find->OnFindNext = [this](bool whole, bool byID, std::string& text, kz::Variant& tag, bool& found) {
      m_find_OnFindNext(whole, byID, text, tag, found);
    };
    m_find->OnClose = [this] { m_find_OnClose(); };
    std::string last;
    if (Settings) last = kz::CStr(Settings->ReadRegValue(kSection, "LastFindString", kRegText, kz::Variant("")));
    m_find->ShowFindResEditor(last, false, this);
  } else {
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
  }
  m_find->SetCaption(session_->FindCaption());
}

void frmTRE::m_find_OnFindNext(bool wholeMatch, bool byID, std::string& text, kz::Variant& tag, bool& found) {
  Run("FindNextItem", [&] {
    int32_t t = tag.IsNumeric() ? kz::CLng(tag) : 0;
    found = session_->FindNextItem(wholeMatch, byID, text, t);
    if (found) tag = kz::Variant(t);
  });
}

void frmTRE::m_find_OnClose() {
  if (m_find && Settings) Settings->SaveRegValue(kSection, "LastFindString", kz::Variant(m_find->FindString()));
  m_find = nullptr;
}

void frmTRE::ListFocused(int32_t list) {
  const bool changed = session_->SetFindTarget(list);
  if (m_find) {
    m_find->SetCaption(session_->FindCaption());
    if (changed) m_find->ClearTag();
  }
}

// ---- TREHost --------------------------------------------------------------------------

int32_t frmTRE::MsgBox(const std::string& text, int32_t flags, const std::string& title) {
  return platform::Ui::Instance().MsgBox(text, flags, title, this);
}

bool frmTRE::ChooseOpenFile(const std::string& filter, const std::string& startPath, const std::string& initDir,
                            std::string& path) {
  if (startPath == "vfs://") {
    frmCATDialog dialog(this);
    dialog.filter = filter;
    dialog.DialogTitle = "Open";
    dialog.ShowOpen("vfs://", this);
    if (dialog.ModalResult() != frmCATDialog::kResultOK || dialog.FileName.empty()) return false;
    path = dialog.FileName;
    return true;
  }
  Dialog->filter = filter;
  Dialog->FilterIndex = 1;
  Dialog->FileName = startPath;
  Dialog->InitDir = startPath.empty() ? initDir : std::string();
  Dialog->DialogTitle = "Open";
  try {
    Dialog->ShowOpen();
  } catch (const kz::AppError& e) {
    if (e.Number == kz::kErrCancel) return false;
    throw;
  }
  if (!Dialog->ModalResult) return false;
  path = Dialog->FileName;
  return true;
}

bool frmTRE::ChooseSaveFile(const std::string& filter, const std::string& initDir, std::string& path,
                            int32_t& filterIndex) {
  Dialog->filter = filter;
  Dialog->FileName = path;
  Dialog->InitDir = initDir;
  Dialog->FilterIndex = kz::IsCatalogPath(path) ? 3 : kz::EqualsNoCase(kz::GetFileExt(path), "pck") ? 2 : 1;
  Dialog->DialogTitle = "Save";
  Dialog->ShowSave();
  if (!Dialog->ModalResult) return false;
  path = Dialog->FileName;
  filterIndex = Dialog->FilterIndex;
  return true;
}

std::function<std::string(const std::string&, const std::string&)> frmTRE::SaveTargetCheck;

std::string frmTRE::SaveTargetRefusal(const std::string& target, const std::string& ownFile) {
  return SaveTargetCheck ? SaveTargetCheck(target, ownFile) : std::string();
}

bool frmTRE::ChooseNewFile(int32_t& langID, std::string& fileName) {
  frmNewXML dialog(this);
  dialog.ShowNewFile(true, this);
  if (dialog.ModalResult != 1) return false;
  langID = dialog.langID;
  fileName = dialog.FileName;
  return true;
}

int32_t frmTRE::EditPage(int32_t document, int32_t page, bool& dirty) {
  frmPageEdit dialog(this);
  int32_t r = dialog.ShowPage(document, page, this);
  dirty = dialog.Dirty;
  return r;
}

int32_t frmTRE::EditString(int32_t page, int32_t str, bool& dirty) {
  frmStringEdit dialog(this);
  int32_t r = dialog.ShowString(page, str, this);
  dirty = dialog.Dirty;
  return r;
}

void frmTRE::ShowWait(const std::string& text) { kz::ShowWait(text, this); }
void frmTRE::HideWait() { kz::HideWait(this); }

void frmTRE::ListReset(int32_t list) {
  syncing_ = true;
  (list == tre::kPageList ? pageModel_ : stringModel_)->Reset();
  syncing_ = false;
}

void frmTRE::RowRemoved(int32_t list, int32_t row) {
  syncing_ = true;
  (list == tre::kPageList ? pageModel_ : stringModel_)->RowRemoved(row);
  syncing_ = false;
}

void frmTRE::SelectionChanged(int32_t list) {
  QTableView* view = list == tre::kPageList ? PageView : TextView;
  TREListModel* model = list == tre::kPageList ? pageModel_ : stringModel_;
  const int row = session_->SelectedRow(list);
  syncing_ = true;
  if (row >= 0 && row < model->rowCount()) {
    QModelIndex index = model->index(row, 0);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index);
  } else {
    view->selectionModel()->clear();
  }
  syncing_ = false;
}

void frmTRE::StateChanged() {
  if (!Bar) return;
  setWindowTitle(Q(session_->Caption()));
  lblName->setText(Q(session_->PageTitle()));
  lblDesc->setText(Q(session_->PageDesc()));
  const QString text = Q(session_->StringText());
  if (TextEdit->toPlainText() != text) TextEdit->setPlainText(text);
  BarPanel1->setText(Q(session_->PagesStatus()));
  BarPanel2->setText(Q(session_->StringsStatus()));
  if (QToolButton* save = Button("save")) save->setEnabled(!session_->ReadOnly());
  if (chkRawtext->isChecked() != session_->FormatTexts()) {
    QSignalBlocker block(chkRawtext);
    chkRawtext->setChecked(session_->FormatTexts());
  }
}

// ---- events ---------------------------------------------------------------------------

void frmTRE::closeEvent(QCloseEvent* event) {
  bool close = true;
  Run("Close", [&] { close = session_->QueryClose(); });
  if (!close) {
    event->ignore();
    return;
  }
  if (m_find) m_find->close();
  event->accept();
}

bool frmTRE::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watchedOwner_ && event->type() == QEvent::Close) {
    // The window this one belongs to closes: this one closes first, with its question.
    if (isVisible() && !close()) {
      event->ignore();
      return true;
    }
    return false;
  }
  if (watched && (watched == PageView || watched == TextView)) {
    const int32_t list = watched == PageView ? tre::kPageList : tre::kStringList;
    if (event->type() == QEvent::FocusIn) {
      ListFocused(list);
    } else if (event->type() == QEvent::KeyPress) {
      ListFocused(list);
      auto* k = static_cast<QKeyEvent*>(event);
      if (k->key() == Qt::Key_F && (k->modifiers() & Qt::ControlModifier)) {
        ShowFindDialog();
        return true;
      }
    }
    return false;
  }
  if (PageView && watched == PageView->viewport()) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
      auto* e = static_cast<QDropEvent*>(event);
      if (kz::DataHasFiles(e->mimeData())) {
        e->acceptProposedAction();
        return true;
      }
    } else if (event->type() == QEvent::Drop) {
      auto* e = static_cast<QDropEvent*>(event);
      if (kz::DataHasFiles(e->mimeData())) {
        for (const QUrl& url : e->mimeData()->urls())
          if (url.isLocalFile()) {
            e->acceptProposedAction();
            OpenFile(url.toLocalFile().toStdString());
            break;
          }
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

#include "shell/CATDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include "core/AppError.h"
#include "core/LibBindings.h"
#include "core/ui/GenericUi.h"
#include "gamelibs/rudu/rudu.h"
#include "gamelibs/zuzer/zuzer.h"
#include "platform/Ui.h"
#include "shell/DialogRules.h"

namespace {
constexpr int kKindRole = kz::kItemDataRole;
QString Q(const std::string& s) { return QString::fromStdString(s); }

// What a find of one inner path gives.
struct InnerMatch {
  bool ExactFile = false;
  bool ExactFolder = false;
  std::string FirstFile;  // another file the find matched (a name typed without its extension)
  bool Any() const { return ExactFile || ExactFolder || !FirstFile.empty(); }
};

// The file system also matches a name without its extension ("TShips" finds
// "TShips.txt"), so the entries are compared with the last part of `full`.
InnerMatch FindInner(int32_t context, const std::string& full) {
  const std::string last = full.substr(full.find_last_of('\\') + 1);
  InnerMatch m;
  ZuZERFindData data{};
  const int32_t h = ZuZER_CatFindFirstFile(context, full.c_str(), &data);
  if (h) {
    do {
      const std::string found = kz::CutAtNul(data.name, sizeof data.name);
      const bool isFolder = data.kind == ZUZER_KIND_FOLDER;
      if (kz::EqualsNoCase(found, last)) {
        (isFolder ? m.ExactFolder : m.ExactFile) = true;
      } else if (!isFolder && m.FirstFile.empty()) {
        m.FirstFile = found;
      }
      data = ZuZERFindData{};
    } while (!m.ExactFile && ZuZER_FindNextFile(h, &data) != 0);
  }
  ZuZER_FindClose(h);
  return m;
}
}  // namespace

frmCATDialog::frmCATDialog(QWidget* owner) : QDialog(nullptr) {
  SetOwner(owner);
  setObjectName("frmCATDialog");
  setModal(true);

  lblCaption = new QLabel("Look in", this);
  lblCaption->setObjectName("lblCaption");
  cmbDir = new QComboBox(this);
  cmbDir->setObjectName("cmbDir");
  cmbDir->setMinimumWidth(260);
  DirBar = new QToolBar(this);
  DirBar->setObjectName("DirBar");
  btnUp = DirBar->addAction(style()->standardIcon(QStyle::SP_FileDialogToParent), "Up One Level");
  btnUp->setObjectName("btnUp");
  btnUp->setToolTip("Up One Level");
  CloseBar = new QToolBar(this);
  CloseBar->setObjectName("CloseBar");
  CloseBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  btnCloseCatalog = CloseBar->addAction("Close Catalog");
  btnCloseCatalog->setObjectName("btnCloseCatalog");
  btnCloseCatalog->setToolTip("Close the catalog and return to normal files");

  FileView = new QTreeWidget(this);
  FileView->setObjectName("FileView");
  FileView->setHeaderHidden(true);
  FileView->setRootIsDecorated(false);
  FileView->setSelectionMode(QAbstractItemView::SingleSelection);

  Label1 = new QLabel("File name", this);
  Label1->setObjectName("Label1");
  cmbFileName = new QComboBox(this);
  cmbFileName->setObjectName("cmbFileName");
  cmbFileName->setEditable(true);
  cmbFileName->setInsertPolicy(QComboBox::NoInsert);
  lblFilter = new QLabel("Files of type", this);
  lblFilter->setObjectName("lblFilter");
  cmbFilter = new QComboBox(this);
  cmbFilter->setObjectName("cmbFilter");
  btnOK = new QPushButton("Open", this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");

  auto* top = new QHBoxLayout;
  top->addWidget(lblCaption);
  top->addWidget(cmbDir, 1);
  top->addWidget(DirBar);
  top->addWidget(CloseBar);
  auto* bottom = new QGridLayout;
  bottom->addWidget(Label1, 0, 0);
  bottom->addWidget(cmbFileName, 0, 1);
  bottom->addWidget(btnOK, 0, 2);
  bottom->addWidget(lblFilter, 1, 0);
  bottom->addWidget(cmbFilter, 1, 1);
  bottom->addWidget(btnCancel, 1, 2);
  bottom->setColumnStretch(1, 1);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top);
  all->addWidget(FileView, 1);
  all->addLayout(bottom);
  resize(520, 360);

  connect(cmbDir, QOverload<int>::of(&QComboBox::activated), this,
          [this](int i) { Guard("cmbDir", [&] { SelectDirEntry(i); }); });
  connect(btnUp, &QAction::triggered, this, [this] { Guard("DirBar", [&] { UpOneLevel(); }); });
  connect(btnCloseCatalog, &QAction::triggered, this, [this] { PressCloseCatalog(); });
  connect(FileView, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* it, int) { Guard("FileView", [&] { ClickItem(it); }); });
  connect(FileView, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* it, int) { Guard("FileView", [&] { DoubleClickItem(it); }); });
  connect(cmbFilter, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int) {
    if (!refreshing_) Guard("cmbFilter", [&] { Listing(); });
  });
  connect(btnOK, &QPushButton::clicked, this, [this] { Guard("btnOK", [&] { PressOK(); }); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { PressCancel(); });
}

frmCATDialog::~frmCATDialog() { Release(); }

void frmCATDialog::Guard(const char* what, const std::function<void()>& fn) {
  try {
    fn();
  } catch (const kz::AppError& e) {
    if (e.Number != kz::kErrCancel)
      platform::Ui::Instance().MsgBox(std::string(what) + ": " + e.Description, platform::vbCritical, {}, this);
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(std::string(what) + ": " + e.what(), platform::vbCritical, {}, this);
  }
}

void frmCATDialog::Release() {
  if (context_) ZuZER_FindClose(context_);
  context_ = 0;
  if (catalogHandle_) RuDU_CloseCatalog(catalogHandle_);
  catalogHandle_ = 0;
}

bool frmCATDialog::Prepare(const std::string& catalog, bool saveMode) {
  Release();
  btnCloseCatalog->setEnabled(EnableCloseCatalog);
  saveMode_ = saveMode;
  modalResult_ = kResultCancel;
  pendingFolder_.clear();

  if (!saveMode && catalog == kz::kVfsPrefix) {
    catalogHandle_ = 0;
    context_ = ZuZER_CatFindInit(ZuZER_GetVFSHandle());
  } else {
    catalogHandle_ = RuDU_OpenCatalog(catalog.c_str(), 0);
    if (catalogHandle_ == 0) {
      platform::Ui::Instance().MsgBox("Error opening file " + catalog + ":\r\n\r\n" + kz::GetRuDUError(),
                                      platform::vbOKOnly, {}, owner_.data());
      catalog_ = catalog;
      Close(kResultCloseCatalog);
      return false;
    }
    context_ = ZuZER_CatFindInit(catalogHandle_);
  }
  if (context_ == 0) {
    const std::string why = kz::GetZuZERError();
    RuDU_CloseCatalog(catalogHandle_);
    catalogHandle_ = 0;
    throw kz::AppError(kz::kErrCockpitDescriptor, "frmCATDialog", why);
  }

  displayName_ = kz::CatalogDisplayName(catalog);
  catalog_ = catalog;
  LoadFilters();

  std::string caption = "Catalog " + catalog;
  if (!DialogTitle.empty()) caption += " - " + DialogTitle;
  setWindowTitle(Q(caption));
  lblCaption->setText(saveMode ? "Save As" : "Look in");
  lblFilter->setText(saveMode ? "Save as type" : "Files of type");
  btnOK->setText(saveMode ? "Save" : "Open");

  if (!FileName.empty()) {
    kz::BrowserStart start = kz::SplitBrowserStart(FileName, !saveMode);
    folders_ = std::move(start.Folders);
    cmbFileName->setEditText(Q(start.Name));
  }
  Refresh();
  // Typing goes to the name box, over the name offered there.
  cmbFileName->setFocus(Qt::OtherFocusReason);
  cmbFileName->lineEdit()->selectAll();
  return true;
}

void frmCATDialog::SetOwner(QWidget* owner) {
  if (owner == owner_) return;
  if (owner_) disconnect(owner_, &QObject::destroyed, this, nullptr);
  owner_ = owner;
  if (owner) {
    connect(owner, &QObject::destroyed, this, [this] {
      if (isVisible()) Close(kResultCancel);
    });
  }
}

void frmCATDialog::StayAboveOwner() {
  QWidget* top = owner_ ? owner_->window() : nullptr;
  if (!top) return;
  winId();  // the browser's window exists from here on, so it can be tied to the owner's
  if (QWindow* mine = windowHandle())
    if (QWindow* theirs = top->windowHandle()) mine->setTransientParent(theirs);
  if (!testAttribute(Qt::WA_Moved)) adjustPosition(top);
}

void frmCATDialog::Run(const std::string& catalog, bool saveMode, QWidget* owner) {
  if (owner) SetOwner(owner);
  if (!Prepare(catalog, saveMode)) return;
  StayAboveOwner();
  const QPointer<frmCATDialog> self(this);
  exec();
  if (!self) return;  // deleted while it ran: nothing of it is left to read
  // A dialog hidden other than through Close (it cannot be, but stay safe) counts as cancelled.
  if (context_ || catalogHandle_) Close(kResultCancel);
}

void frmCATDialog::ShowOpen(const std::string& catalog, QWidget* owner) { Run(catalog, false, owner); }

void frmCATDialog::ShowSave(const std::string& catalog) { Run(catalog, true, nullptr); }

void frmCATDialog::LoadFilters() {
  refreshing_ = true;
  cmbFilter->clear();
  patterns_.clear();
  for (const kz::FileFilter& f : kz::ParseFilterString(filter)) {
    cmbFilter->addItem(Q(f.Description));
    patterns_.push_back(kz::CatalogListPattern(f.Pattern));
  }
  cmbFilter->setCurrentIndex(kz::FilterPosition(FilterIndex, patterns_.size()));
  refreshing_ = false;
}

std::string frmCATDialog::CurrentPattern() const {
  const int i = cmbFilter->currentIndex();
  if (i < 0 || static_cast<size_t>(i) >= patterns_.size()) return "*";
  return patterns_[static_cast<size_t>(i)];
}

void frmCATDialog::Refresh() {
  if (refreshing_) return;
  refreshing_ = true;
  try {
    cmbDir->clear();
    cmbDir->addItem(Q(displayName_), 0);
    for (size_t k = 0; k < folders_.size(); ++k)
      cmbDir->addItem(Q(kz::FolderEntryText(static_cast<int>(k + 1), folders_[k])), static_cast<int>(k + 1));
    cmbDir->setCurrentIndex(cmbDir->count() - 1);
    Listing();
  } catch (...) {
    refreshing_ = false;
    throw;
  }
  refreshing_ = false;
}

void frmCATDialog::Listing() {
  // Folders are listed whatever the file type chosen (a mask such as "*.txt" would
  // hide them all), files by the chosen pattern.
  const std::string prefix = kz::FolderPrefix(folders_);
  FileView->clear();
  const QString wanted = cmbFileName->currentText();
  QTreeWidgetItem* chosen = nullptr;
  auto list = [&](const std::string& pattern, bool folders) {
    ZuZERFindData data{};
    const int32_t h = ZuZER_CatFindFirstFile(context_, pattern.c_str(), &data);
    if (h) {
      do {
        const bool folder = data.kind == ZUZER_KIND_FOLDER;
        if (folder == folders) {
          const std::string name = kz::CutAtNul(data.name, sizeof data.name);
          auto* item = new QTreeWidgetItem(FileView, QStringList{Q(name)});
          item->setData(0, kKindRole, data.kind);
          kz::SetItemKey(item, QString(folder ? "dir" : "file"));
          item->setIcon(0, style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
          if (!chosen && !wanted.isEmpty() && item->text(0).compare(wanted, Qt::CaseInsensitive) == 0) chosen = item;
        }
        data = ZuZERFindData{};
      } while (ZuZER_FindNextFile(h, &data) != 0);
    }
    ZuZER_FindClose(h);
  };
  list(prefix + "*", true);
  list(prefix + CurrentPattern(), false);
  if (chosen) {
    FileView->setCurrentItem(chosen);
    chosen->setSelected(true);
    FileView->scrollToItem(chosen);
  }
  pendingFolder_.clear();
}

void frmCATDialog::SelectDirEntry(int index) {
  if (index < 0 || index >= cmbDir->count()) return;
  const int depth = cmbDir->itemData(index).toInt();
  if (depth >= 0 && static_cast<size_t>(depth) < folders_.size()) folders_.resize(static_cast<size_t>(depth));
  Refresh();
}

void frmCATDialog::UpOneLevel() {
  if (!folders_.empty()) folders_.pop_back();
  Refresh();
}

void frmCATDialog::ClickItem(QTreeWidgetItem* item) {
  if (!item) return;
  if (item->data(0, kKindRole).toInt() == ZUZER_KIND_FOLDER) {
    pendingFolder_ = item->text(0).toStdString();
  } else {
    cmbFileName->setEditText(item->text(0));
    pendingFolder_.clear();
  }
}

void frmCATDialog::DoubleClickItem(QTreeWidgetItem* item) {
  if (!item) return;
  const std::string name = item->text(0).toStdString();
  if (item->data(0, kKindRole).toInt() == ZUZER_KIND_FOLDER) {
    folders_.push_back(name);
    Refresh();
    return;
  }
  FileName = kz::CatalogResultPath(catalog_, kz::FolderPrefix(folders_) + name);
  Close(kResultOK);
}

void frmCATDialog::PressOK() {
  if (!pendingFolder_.empty()) {
    folders_.push_back(pendingFolder_);
    Refresh();
    return;
  }
  const std::string typed = cmbFileName->currentText().toStdString();
  const kz::TypedName t = kz::ReadTypedName(typed, catalog_);
  if (t.What == kz::TypedName::Kind::Outside) return TakeTypedPath(typed, t.Path);
  std::string why;
  if (!kz::CheckBrowserName(t.Path, why)) {
    platform::Ui::Instance().MsgBox(why, platform::vbExclamation, {}, this);
    return;
  }

  // A name is looked for in the folder shown; one with folders of its own that is not
  // there is looked for from the root ("types\TShips.txt" typed while in "types").
  std::vector<std::string> base = t.FromRoot ? std::vector<std::string>{} : folders_;
  InnerMatch m = FindInner(context_, kz::FolderPrefix(base) + t.Path);
  if (!m.Any() && !base.empty() && t.Path.find('\\') != std::string::npos) {
    InnerMatch fromRoot = FindInner(context_, t.Path);
    if (fromRoot.Any()) {
      base.clear();
      m = std::move(fromRoot);
    }
  }
  std::string full = kz::FolderPrefix(base) + t.Path;
  const std::string folder = full.substr(0, full.find_last_of('\\') + 1);
  if (m.ExactFolder && !m.ExactFile) {
    // A folder typed into the name box is entered, as a double click would.
    folders_ = std::move(base);
    for (const std::string& part : kz::SplitBrowserStart(t.Path + "\\x", false).Folders) folders_.push_back(part);
    cmbFileName->setEditText(QString());
    Refresh();
    return;
  }
  if (!saveMode_) {
    if (!m.ExactFile && m.FirstFile.empty()) {
      platform::Ui::Instance().MsgBox("File " + typed + " does not exist.", platform::vbExclamation, {}, this);
      return;
    }
    if (!m.ExactFile) full = folder + m.FirstFile;
  } else {
    full = kz::WithDefaultExtension(full, CurrentPattern());
  }
  FileName = kz::CatalogResultPath(catalog_, full);
  FilterIndex = cmbFilter->currentIndex() + 1;
  Close(kResultOK);
}

void frmCATDialog::TakeTypedPath(const std::string& typed, const std::string& path) {
  const bool catalogFile = path.find("::") == std::string::npos && kz::EqualsNoCase(kz::PathExtension(path), "cat");
  if ((catalogFile || !saveMode_) && !kz::FileExists(path)) {
    platform::Ui::Instance().MsgBox("File " + typed + " does not exist.", platform::vbExclamation, {}, this);
    return;
  }
  if (catalogFile) {
    // Another catalog: browsed here, from its root.
    folders_.clear();
    FileName.clear();
    cmbFileName->setEditText(QString());
    Prepare(path, saveMode_);
    return;
  }
  FileName = saveMode_ ? kz::WithDefaultExtension(path, CurrentPattern()) : path;
  FilterIndex = cmbFilter->currentIndex() + 1;
  Close(kResultOK);
}

void frmCATDialog::PressCancel() { Close(kResultCancel); }

void frmCATDialog::PressCloseCatalog() { Close(kResultCloseCatalog); }

void frmCATDialog::Close(int32_t result) {
  modalResult_ = result;
  Release();
  if (result != kResultOK) FileName.clear();
  QDialog::done(result == kResultOK ? QDialog::Accepted : QDialog::Rejected);
}

void frmCATDialog::reject() { Close(kResultCancel); }

void frmCATDialog::closeEvent(QCloseEvent* e) {
  if (isVisible()) Close(kResultClosed);
  e->accept();
}

// The type-file editor window's loading: opening a type file (plain, packed, catalog entry or vfs:// path), choosing the page for its type, and the name texts of its records.
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

constexpr int kClassColumnWidth = 80;  // pixels

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string Describe(const std::exception& e) { return e.what(); }

using kz::WaitCursor;

}  // namespace

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
      ObjectList->Clear();
      filling_ = false;
      if (!parser_->LoadAndClose(file.Release(), type)) {
        Msg("Error loading from file: \r\n\r\n" + parser_->GetLastError(), platform::vbExclamation);
        // The window is left as a new one: no records (not even one read halfway), no
        // page, its tab and the list's columns and options of no file type.
        parser_ = std::make_shared<clsTxtParser>();
        SelectEditor(-1);
        rbName[0]->setEnabled(Settings ? Settings->LoadDescriptions() : false);
        kz::RemoveFromMRU(path, recent_);
        EnableRecordCommands(false);
      } else {
        parser_->FileName = path;
        kz::AddToMRU(path, recent_);
        SelectEditor(type);
        // The list is filled once, below, with the mode the window has.
        ApplyListMode(-1);
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
  QHeaderView* header = ObjectView->header();
  if (!(info & 4)) {
    if (ObjectList->columnCount() == 2) ObjectList->SetColumnCount(1);
  } else if (ObjectList->columnCount() < 2) {
    ObjectList->SetHeaderText(1, "Class");
    ObjectList->SetColumnCount(2);
  }
  rbName[0]->setEnabled((info & 1) != 0);
  rbName[1]->setEnabled((info & 2) != 0);
  // A list mode the page has no texts for gives way to the IDs.
  for (size_t i = 0; i < 2; ++i)
    if (rbName[i]->isChecked() && !rbName[i]->isEnabled()) rbName[2]->setChecked(true);
  if (ObjectList->columnCount() == 1) {
    header->setSectionResizeMode(0, QHeaderView::Interactive);
    header->setStretchLastSection(true);
  } else {
    // The names take the room the class column (short texts) leaves, so long names show
    // whole. Neither width is measured from the rows: a large list asks only for the
    // texts of the rows it shows.
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Interactive);
    ObjectView->setColumnWidth(1, kClassColumnWidth);
  }
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


// The type-file editor window's object list: caption, rows and raw view, the selection, the record operations (copy, cut, paste, add, delete), raw editing and find.
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

std::string Describe(const std::exception& e) { return e.what(); }

}  // namespace

// ---- caption, list and raw view ----------------------------------------------------------

void frmTXTEditor::UpdateCaption() {
  std::string file = parser_ ? parser_->FileName : std::string();
  std::string caption = file.empty() ? EditorCaption({}, {}, false)
                                     : EditorCaption(file, page_ ? TypeNameW() : "unknown", parser_->CheckDirty());
  setWindowTitle(Q(caption));
}

void frmTXTEditor::SetListMode(int32_t index) {
  ApplyListMode(index);
  RefreshObjectList();
}

void frmTXTEditor::ApplyListMode(int32_t index) {
  if (index < 0) {
    index = 0;
    for (int i = 0; i < 3; ++i)
      if (rbName[static_cast<size_t>(i)]->isChecked()) index = i;
  }
  if (index > 2) index = 2;
  listMode_ = index;
  rbName[static_cast<size_t>(index)]->setChecked(true);
  ObjectList->SetHeaderText(0, rbName[static_cast<size_t>(index)]->text());
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
  ObjectList->Reset(parser_, chkSort->isChecked() ? parser_->objects : parser_->UnsortedObjects);
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
    ObjectList->Detach();  // the list keeps its rows while the page adds to the parser
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
  ObjectList->Detach();  // the list keeps its rows while the page and parser let go
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


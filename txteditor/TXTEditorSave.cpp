// The type-file editor window's saving: the save through the save dialog (plain,
// packed or into a catalog), the export handed to the page, and the question about
// unsaved changes when the window closes.
#include <QCheckBox>
#include <QCloseEvent>

#include <exception>
#include <vector>

#include "core/Common.h"
#include "core/Generic.h"
#include "core/LibBindings.h"
#include "core/Settings.h"
#include "core/ui/WaitCursor.h"
#include "gamelibs/rudu/FileObject.h"
#include "gamelibs/rudu/rudu.h"
#include "platform/Ui.h"
#include "shell/EditorFiles.h"
#include "shell/Find.h"
#include "shell/JvFileDialog.h"
#include "txteditor/EditorPage.h"
#include "txteditor/RecordClipboard.h"
#include "txteditor/TXTEditor.h"
#include "txteditor/TXTEditorRules.h"
#include "txteditor/model/ExportTarget.h"
#include "typefiles/TxtParser.h"

using namespace mdlTXTEditorRules;

namespace {

constexpr const char* kSection = "TE";

std::string Describe(const std::exception& e) { return e.what(); }

using kz::WaitCursor;

}  // namespace

// ---- saving, export, closing ----------------------------------------------------------

bool frmTXTEditor::SaveTFile() {
  if (!parser_ || parser_->FileName.empty()) return false;
  std::string name;
  int32_t filterIndex = 1;
  try {
    JvDialog->filter = kSaveFilter;
    JvDialog->FileName = parser_->FileName;
    JvDialog->FilterIndex = SaveFilterIndexFor(parser_->FileName);
    JvDialog->DialogTitle = "Save";
    JvDialog->ShowSave();
    if (!JvDialog->ModalResult) return false;
    name = JvDialog->FileName;
    filterIndex = JvDialog->FilterIndex;
    if (name.empty()) return false;
    const std::string refusal = exports::SaveTargetRefusal(name, parser_->FileName, kz::FilesOpenInEditors());
    if (!refusal.empty()) {
      Msg(refusal, platform::vbExclamation);
      return false;
    }
    if (!kz::ConfirmOverwrite(name, kTitle, this)) return false;
  } catch (const std::exception&) {
    return false;
  }

  // The target changes only when the handle commits at close: a save the parser
  // refuses drops the handle uncommitted, so the file on disk stays as it was.
  int32_t handle = 0;
  switch (SaveOpenFor(filterIndex)) {
    case SaveOpen::ConvertPlain: handle = RuDU_OpenFileConvert(name.c_str(), 1, 0, 1); break;
    case SaveOpen::ConvertPacked: handle = RuDU_OpenFileConvert(name.c_str(), 1, 0, 2); break;
    case SaveOpen::AsIs: handle = RuDU_OpenFile(name.c_str(), 1, 0, 0); break;
  }
  if (!handle) {
    Msg("Error opening file: \r\n\r\n" + kz::GetRuDUError(), platform::vbCritical);
    RuDU_CloseFile(0);
    return false;
  }

  bool result = false;
  try {
    WaitCursor wait;
    RuDU_SeekFile(handle, 0, 0);

    // What the save clears, to be set again when the file cannot be committed.
    std::vector<TXTObjectPtr> dirty;
    for (const TXTObjectPtr& r : parser_->UnsortedObjects)
      if (r->Dirty) dirty.push_back(r);
    const bool modified = parser_->Modified();

    if (!parser_->Save(handle)) {
      RuDU_CloseFile(handle);  // dropped by the parser: closing commits nothing
      handle = 0;
      Msg("Error writing data to file: \r\n\r\n" + parser_->GetLastError(), platform::vbCritical);
    } else {
      const bool committed = RuDU_CloseFile(handle) != 0;
      handle = 0;
      if (!committed) {
        const std::string why = kz::GetRuDUError();
        for (const TXTObjectPtr& r : dirty) r->Dirty = true;
        if (modified) parser_->SetModified(true);
        Msg("Error writing data to file: \r\n\r\n" + why, platform::vbCritical);
      } else {
        parser_->FileName = name;
        kz::AddToMRU(name, recent_);
        StoreRecent();
        result = true;
      }
    }
  } catch (const std::exception& e) {
    if (handle) {
      // Whatever the handle holds by now is not the file: it is never committed.
      rudu::DiscardFile(handle);
      RuDU_CloseFile(handle);
    }
    Msg(Describe(e), platform::vbCritical);
    result = false;
  }
  UpdateCaption();
  return result;
}

bool frmTXTEditor::ExportData() {
  if (!page_) return false;
  try {
    return page_->KzExportData(JvDialog);
  } catch (const std::exception&) {
    Msg("No export function available.", platform::vbExclamation);
    return false;
  }
}

void frmTXTEditor::closeEvent(QCloseEvent* e) {
  try {
    if (parser_ && parser_->CheckDirty()) {
      int32_t answer = Msg(ClosePromptText(kz::GetFileName(parser_->FileName)),
                           platform::vbYesNoCancel | platform::vbExclamation);
      if (answer == platform::vbYes) {
        if (!SaveTFile()) {
          e->ignore();
          return;
        }
      } else if (answer != platform::vbNo) {
        e->ignore();
        return;
      }
    }
    if (Settings) {
      Settings->SaveRegValue(kSection, "Sort", kz::Variant(int32_t{chkSort->isChecked() ? 1 : 0}));
      Settings->SaveRegValue(kSection, "NameIdx", kz::Variant(listMode_));
    }
  } catch (const std::exception&) {
  }
  clsRecordClipboard::Instance().ForgetSource(this);
  if (find_) find_->close();
  e->accept();
}

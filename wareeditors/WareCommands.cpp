// The ware page's commands: flag clicks, the toolbar, row editing (value dialog, name
// dialog, colour editor) and the export of the shown record.
#include <QAction>
#include <QCheckBox>
#include <QIcon>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/LibBindings.h"
#include "core/Outside.h"
#include "core/ViDedodedBindings.h"
#include "core/ui/CommonUi.h"
#include "core/ui/GenericUi.h"
#include "platform/Ui.h"
#include "rudu/FileObject.h"
#include "rudu/rudu.h"
#include "shell/EditorFiles.h"
#include "shell/JvFileDialog.h"
#include "txteditor/Edit.h"
#include "txteditor/model/ExportTarget.h"
#include "videdoded/videdoded.h"
#include "wareeditors/Ware.h"
#include "wareeditors/model/WareRules.h"

namespace {
QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

// ---- flags ----------------------------------------------------------------------------

void ucWare::FlagClick(int32_t k) {
  if (filling_) return;
  TXTObjectRef record = ware_->Object;
  const int32_t type = type_;
  // A read-only page shows a record shared with the archive: it stays as it is.
  if (readOnly_ || !record || k < 0 || k >= static_cast<int32_t>(chkFlag.size()) ||
      !ware::ApplyFlagClick(*record, type, k, chkFlag[static_cast<size_t>(k)]->isChecked())) {
    if (type == 4 || type == 5) ShowFlags(type);  // the boxes show the record again
    return;
  }
  Refresh();
  emit OnObjectChanged(record);
}

// ---- toolbar ------------------------------------------------------------------------

void ucWare::RebuildToolbar(int32_t type) {
  const QIcon image = style()->standardIcon(QStyle::SP_FileDialogContentsView);
  QList<QAction*> actions = Bar->actions();
  if (actions.isEmpty()) {
    for (const auto& [key, caption, tip] :
         {std::tuple{"body", "Body", "View object's body in external viewer"},
          std::tuple{"picture", "Picture", "View object's picture in external viewer"}}) {
      QAction* a = Bar->addAction(image, caption);
      a->setObjectName(key);
      a->setToolTip(tip);
      const std::string k = key;
      connect(a, &QAction::triggered, this, [this, k] { BarClick(k); });
    }
  } else {
    for (qsizetype i = actions.size() - 1; i >= 2; --i) {
      Bar->removeAction(actions[i]);
      delete actions[i];
    }
  }
  const std::vector<ware::SceneButton> buttons = ware::SceneButtonsOf(type);
  for (size_t k = 0; k < buttons.size(); ++k) {
    QAction* a = Bar->addAction(image, Q(buttons[k].caption));
    const std::string key = "scene_" + std::to_string(k);
    a->setObjectName(Q(key));
    a->setToolTip(Q(buttons[k].tooltip));
    a->setData(buttons[k].field);
    connect(a, &QAction::triggered, this, [this, key] { BarClick(key); });
  }
}

void ucWare::BarClick(const std::string& key) {
  try {
    TXTObjectRef record = ware_->Object;
    if (!record) return;
    int32_t field = -1;
    bool cut = false;
    if (key == "body") {
      field = 0;
    } else if (key == "picture") {
      field = 1;
    } else if (key.rfind("scene_", 0) == 0) {
      for (QAction* a : Bar->actions())
        if (a->objectName() == Q(key)) field = a->data().toInt();
      cut = true;
    }
    if (field < 0 || field >= record->size()) return;
    kz::OpenObjectModel(record->Value(field), cut, record->otype, record->GetObjectTData(), window());
  } catch (const std::exception&) {
    // Toolbar clicks report nothing themselves.
  }
}

// ---- row editing --------------------------------------------------------------------

void ucWare::EditSelectedRow() {
  if (readOnly_) return;
  const int32_t pos = kz::GetListViewSelIndex(PropView);
  if (pos <= 0) return;
  TXTObjectRef record = ware_->Object;
  if (!record) return;
  const QVariant tag = PropView->topLevelItem(pos - 1)->data(0, kz::kItemDataRole);
  const int32_t type = type_;
  try {
    if (tag.typeId() == QMetaType::QString) {
      const QString t = tag.toString();
      if (t == "color") {
        EditColour(record, type);
        return;
      }
      if (t != "name") return;
      frmEdit dialog(window());
      std::vector<TXTObjectRef> records;
      if (parser_) {
        records.reserve(static_cast<size_t>(parser_->objects.Count()));
        for (const TXTObjectPtr& o : parser_->objects) records.push_back(o);
      }
      dialog.ShowName(record, std::move(records), true, window());
      if (dialog.ModalResult == 1) {
        Refresh();
        emit OnObjectChanged(record);
      }
      return;
    }
    if (!tag.isValid()) return;  // a computed row
    const int32_t field = tag.toInt();
    frmEdit dialog(window());
    dialog.ShowProperty(this, record, record->otype, field, true, window());
    if (dialog.ModalResult == 1) {
      Refresh();
      emit OnObjectChanged(record);
    }
  } catch (const std::exception&) {
    // A failure ends the edit without a message; the dialog is gone with its scope.
  }
}

void ucWare::EditColour(const TXTObjectRef& record, int32_t type) {
  std::optional<int64_t> colour = ware::RecordColour(*record, type);
  if (!colour) return;
  const ColourEditor& editor = ColourEditHook();
  if (!editor) return;
  int32_t c = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(*colour)));
  if (!editor(this, c)) return;
  if (!ware::StoreColour(*record, type, c)) return;
  emit OnObjectChanged(record);
  Refresh();
}

// ---- export ---------------------------------------------------------------------------

bool ucWare::KzExportData(JvFileDialog* dialog) {
  try {
    WriteExport(dialog);
  } catch (const kz::AppError& e) {
    if (e.Number != kz::kErrCancel)
      platform::Ui::Instance().MsgBox("Error in Export file: " + e.Description, platform::vbCritical,
                                      kz::GetAppTitle(), this);
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(std::string("Error in Export file: ") + e.what(), platform::vbCritical,
                                    kz::GetAppTitle(), this);
  }
  return false;
}

void ucWare::WriteExport(JvFileDialog* dialog) {
  if (!dialog) throw kz::AppError(91, "ucWare.KzExportData", "Object variable not set");
  TXTObjectRef record = ware_->Object;
  dialog->DialogTitle = "Export data";
  dialog->filter = "Record structure (*.txt, *.cat)|*.txt;*.cat";
  dialog->FileName = ware::ExportFileName(parser_ ? parser_->FileName : std::string());
  dialog->ShowSave();
  if (!dialog->ModalResult) return;
  const std::string path = dialog->FileName;
  // The filter is checked before anything is opened: an unknown one touches no file.
  if (dialog->FilterIndex != 1) {
    platform::Ui::Instance().MsgBox("Don't know how to export.", platform::vbExclamation, kz::GetAppTitle(), this);
    return;
  }
  // Never onto a file that an editor window has open, the page's own file among them.
  const std::string refusal = exports::ExportTargetRefusal(path, kz::FilesOpenInEditors());
  if (!refusal.empty()) {
    platform::Ui::Instance().MsgBox(refusal, platform::vbExclamation, kz::GetAppTitle(), this);
    return;
  }
  if (!kz::ConfirmOverwrite(path, kz::GetAppTitle(), window())) return;

  std::vector<std::string> lines;
  if (record) {
    lines = ware::ExportLines(*record, [&record](int32_t i) { return ware::PropertyName(*record, i); });
  }
  const int32_t file = RuDU_OpenFile(path.c_str(), 1, 1, 1);
  if (file == 0) {
    platform::Ui::Instance().MsgBox("Error opening file " + path + ":\r\n" + kz::GetRuDUError(),
                                    platform::vbCritical, kz::GetAppTitle(), this);
    return;
  }
  // A failed write drops the handle uncommitted: the old file stays whole.
  for (const std::string& line : lines) {
    if (Kz_TXTWriteFile(file, line) == 0) {
      const std::string why = kz::GetViDedodedError();
      rudu::DiscardFile(file);
      throw kz::AppError(kz::kErrDataLoad, "ucWare.KzExportData", why);
    }
  }
  if (RuDU_SetEndOfFile(file) == 0) {
    const std::string why = kz::GetRuDUError();
    rudu::DiscardFile(file);
    throw kz::AppError(kz::kErrDataLoad, "ucWare.KzExportData", why);
  }
  if (RuDU_CloseFile(file) == 0) throw kz::AppError(kz::kErrDataLoad, "ucWare.KzExportData", kz::GetRuDUError());
}

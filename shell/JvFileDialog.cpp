#include "shell/JvFileDialog.h"

#include <QPointer>

#include "core/AppError.h"
#include "core/Common.h"
#include "platform/Ui.h"
#include "shell/CATDialog.h"
#include "shell/DialogRules.h"

namespace {

void ShowFailure(const std::exception& e, QWidget* owner) {
  const auto* app = dynamic_cast<const kz::AppError*>(&e);
  if (app && app->Number == kz::kErrCancel) return;
  platform::Ui::Instance().MsgBox(app ? app->Description : std::string(e.what()), platform::vbCritical, {}, owner);
}

kz::AppError Cancelled() { return kz::AppError(kz::kErrCancel, "JvFileDialog", "Cancel was pressed"); }

}  // namespace

JvFileDialog::JvFileDialog(QWidget* parent) : QWidget(parent) {
  setObjectName("JvDialog");
  // 500 twips square, never shown.
  const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
  const int side = static_cast<int>(500 * dpi / 1440.0 + 0.5);
  resize(side, side);
  hide();
}

QWidget* JvFileDialog::Owner() { return parentWidget() ? window() : nullptr; }

JvFileDialog::Step JvFileDialog::BrowseCatalog(bool save, int32_t filterIndex) {
  const QPointer<JvFileDialog> self(this);
  // One browser per step, on the stack: it is not a child of the form, so it outlives it.
  frmCATDialog cat(Owner());
  cat.InitDir = InitDir;
  cat.FileName = kz::GetCatalogFilePart(FileName);
  // Opening lists every file; saving offers the caller's types.
  cat.filter = save ? filter : "All Files (*.*)|*.*";
  cat.FilterIndex = filterIndex;
  cat.DialogTitle = DialogTitle;
  cat.EnableCloseCatalog = true;
  const std::string catalog = kz::GetCatalogPart(FileName);
  if (save) {
    cat.ShowSave(catalog);
  } else {
    cat.ShowOpen(catalog, Owner());
  }
  if (!self) return Step::Gone;
  switch (cat.ModalResult()) {
    case frmCATDialog::kResultOK:
      FileName = cat.FileName;
      FilterIndex = cat.FilterIndex;
      return Step::Chosen;
    case frmCATDialog::kResultCloseCatalog:
      // Back to the plain dialog, in the folder that holds the catalog.
      InitDir = kz::CatalogStartFolder(FileName);
      FileName.clear();
      return Step::PlainDialog;
    default:
      return Step::Cancelled;
  }
}

bool JvFileDialog::PlainDialog(bool save, int32_t filterIndex, std::string& fileName, int32_t& chosenIndex) {
  platform::FileDialogRequest req;
  req.Title = DialogTitle;
  req.Filter = filter;
  req.FilterIndex = filterIndex;
  req.InitDir = InitDir;
  req.FileName = FileName;
  req.Flags = platform::cdlOFNHideReadOnly | platform::cdlOFNExplorer;
  req.Owner = Owner();
  platform::FileDialogResult res;
  platform::Ui& ui = platform::Ui::Instance();
  if (!(save ? ui.ShowSave(req, res) : ui.ShowOpen(req, res))) return false;
  fileName = res.FileName;
  chosenIndex = res.FilterIndex;
  return true;
}

void JvFileDialog::ShowOpen() {
  bool gone = false;
  try {
    for (;;) {
      if (DialogTitle.empty()) DialogTitle = "Open";
      if (kz::IsCatalogDialogPath(FileName)) {
        const Step step = BrowseCatalog(false, FilterIndex);
        if (step == Step::Chosen) {
          ModalResult = true;
          return;
        }
        if (step == Step::PlainDialog) continue;
        gone = step == Step::Gone;
        throw Cancelled();
      }
      if (!PlainDialog(false, FilterIndex, FileName, FilterIndex)) throw Cancelled();
      if (kz::EqualsNoCase(kz::PathExtension(FileName), "cat")) continue;  // browse the catalog
      ModalResult = true;
      return;
    }
  } catch (const std::exception& e) {
    if (gone) throw Cancelled();
    ShowFailure(e, Owner());
  }
  ModalResult = false;
  throw Cancelled();
}

void JvFileDialog::ShowSave() {
  try {
    for (;;) {
      if (DialogTitle.empty()) DialogTitle = "Save";
      const int32_t match = kz::MatchSaveFilterIndex(filter, FileName, FilterIndex);
      if (kz::IsCatalogDialogPath(FileName)) {
        const Step step = BrowseCatalog(true, match);
        if (step == Step::Gone) return;
        if (step == Step::Chosen) {
          ModalResult = true;
          return;
        }
        if (step == Step::PlainDialog) continue;
        throw Cancelled();
      }
      std::string chosen;
      int32_t chosenIndex = match;
      if (!PlainDialog(true, match, chosen, chosenIndex)) throw Cancelled();
      FileName = chosen;
      if (!kz::EqualsNoCase(kz::PathExtension(chosen), "cat")) {
        FilterIndex = chosenIndex;
        ModalResult = true;
        return;
      }
      // A catalog: a name inside it is asked next.
    }
  } catch (const std::exception& e) {
    ShowFailure(e, Owner());
  }
  ModalResult = false;
}

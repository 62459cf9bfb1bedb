#include "shell/JvFileDialog.h"

#include <memory>

#include "core/AppError.h"
#include "core/Common.h"
#include "platform/Ui.h"
#include "shell/CATDialog.h"
#include "shell/DialogRules.h"

namespace {

// One catalog browser per step of a call, gone when the step ends.
std::unique_ptr<frmCATDialog> NewBrowser(QWidget* owner) {
  auto dlg = std::make_unique<frmCATDialog>(owner);
  return dlg;
}

void ShowFailure(const std::exception& e, QWidget* owner) {
  const auto* app = dynamic_cast<const kz::AppError*>(&e);
  if (app && app->Number == kz::kErrCancel) return;
  platform::Ui::Instance().MsgBox(app ? app->Description : std::string(e.what()), platform::vbCritical, {}, owner);
}

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

void JvFileDialog::ShowOpen() {
  try {
    for (;;) {
      if (DialogTitle.empty()) DialogTitle = "Open";
      if (kz::IsCatalogDialogPath(FileName)) {
        auto cat = NewBrowser(Owner());
        cat->InitDir = InitDir;
        cat->FileName = kz::GetCatalogFilePart(FileName);
        cat->filter = "All Files (*.*)|*.*";
        cat->FilterIndex = FilterIndex;
        cat->DialogTitle = DialogTitle;
        cat->EnableCloseCatalog = true;
        cat->ShowOpen(kz::GetCatalogPart(FileName), Owner());
        const int32_t r = cat->ModalResult();
        if (r == frmCATDialog::kResultOK) {
          FileName = cat->FileName;
          FilterIndex = cat->FilterIndex;
          ModalResult = true;
          return;
        }
        if (r == frmCATDialog::kResultCloseCatalog) {
          // Back to the plain dialog, in the folder that holds the catalog.
          InitDir = kz::CatalogStartFolder(FileName);
          FileName.clear();
          continue;
        }
        throw kz::AppError(kz::kErrCancel, "JvFileDialog", "Cancel was pressed");
      }
      platform::FileDialogRequest req;
      req.Title = DialogTitle;
      req.Filter = filter;
      req.FilterIndex = FilterIndex;
      req.InitDir = InitDir;
      req.FileName = FileName;
      req.Flags = platform::cdlOFNHideReadOnly | platform::cdlOFNExplorer;
      req.Owner = Owner();
      platform::FileDialogResult res;
      if (!platform::Ui::Instance().ShowOpen(req, res))
        throw kz::AppError(kz::kErrCancel, "JvFileDialog", "Cancel was pressed");
      FileName = res.FileName;
      FilterIndex = res.FilterIndex;
      if (kz::EqualsNoCase(kz::PathExtension(FileName), "cat")) continue;  // browse the catalog
      ModalResult = true;
      return;
    }
  } catch (const std::exception& e) {
    ShowFailure(e, Owner());
  }
  ModalResult = false;
  throw kz::AppError(kz::kErrCancel, "JvFileDialog", "Cancel was pressed");
}

void JvFileDialog::ShowSave() {
  try {
    for (;;) {
      if (DialogTitle.empty()) DialogTitle = "Save";
      const int32_t match = kz::MatchSaveFilterIndex(filter, FileName, FilterIndex);
      if (kz::IsCatalogDialogPath(FileName)) {
        auto cat = NewBrowser(Owner());
        cat->DialogTitle = DialogTitle;
        cat->filter = filter;
        cat->FilterIndex = match;
        cat->InitDir = InitDir;
        cat->FileName = kz::GetCatalogFilePart(FileName);
        cat->EnableCloseCatalog = true;
        cat->ShowSave(kz::GetCatalogPart(FileName));
        const int32_t r = cat->ModalResult();
        if (r == frmCATDialog::kResultOK) {
          FileName = cat->FileName;
          FilterIndex = cat->FilterIndex;
          ModalResult = true;
          return;
        }
        if (r == frmCATDialog::kResultCloseCatalog) {
          InitDir = kz::CatalogStartFolder(FileName);
          FileName.clear();
          continue;
        }
        throw kz::AppError(kz::kErrCancel, "JvFileDialog", "Cancel was pressed");
      }
      platform::FileDialogRequest req;
      req.Title = DialogTitle;
      req.Filter = filter;
      req.FilterIndex = match;
      req.InitDir = InitDir;
      req.FileName = FileName;
      req.Flags = platform::cdlOFNHideReadOnly | platform::cdlOFNExplorer;
      req.Owner = Owner();
      platform::FileDialogResult res;
      if (!platform::Ui::Instance().ShowSave(req, res))
        throw kz::AppError(kz::kErrCancel, "JvFileDialog", "Cancel was pressed");
      if (!kz::EqualsNoCase(kz::PathExtension(res.FileName), "cat")) {
        FileName = res.FileName;
        FilterIndex = res.FilterIndex;
        ModalResult = true;
        return;
      }
      FileName = res.FileName;  // a catalog: a name inside it is asked next
    }
  } catch (const std::exception& e) {
    ShowFailure(e, Owner());
  }
  ModalResult = false;
}

#include "app/Wiring.h"

#include <memory>

#include "platform/Ui.h"
#include "platform/ui/QtUi.h"
#include "shell/LauncherSlots.h"
#include "shell/QtProcessStarter.h"
#include "shell/ShellDialogs.h"
#include "textres/TRE.h"
#include "txteditor/TXTEditor.h"
#include "txteditor/Turret.h"
#include "txteditor/WareListViewerSlot.h"
#include "wareeditors/Job.h"
#include "wareeditors/Ware.h"
#include "wareeditors/WareList.h"
#include "wareeditors/WareListViewer.h"

namespace kz {

void WireApplication(bool scriptedUi) {
  // Without the Qt service the default one answers every box at once and echoes it.
  if (!scriptedUi) platform::Ui::SetInstance(std::make_shared<platform::QtUi>());
  QtProcessStarter::Install();

  InstallShellDialogSlots();
  LauncherSlots& table = GetLauncherSlots();
  table.OpenTxtEditor = [](QWidget* owner, const std::string& path) { ::frmTXTEditor::OpenNew(owner, path); };
  table.OpenTextResourceEditor = [](QWidget* owner, const std::string& path) { ::frmTRE::OpenNew(owner, path); };
  // The "desc" buttons: the shared read-only view of the loaded descriptions.
  frmTXTEditor::DescEditorOpener() = [](QWidget* owner) { ::frmTRE::ShowShared(owner); };

  frmTXTEditor::SetPageFactory(frmTXTEditor::kWarePage, [](QWidget* parent) -> EditorPage* { return new ucWare(parent); });
  frmTXTEditor::SetPageFactory(frmTXTEditor::kTurretPage, [](QWidget* parent) -> EditorPage* {
    return new ucTurret(parent);
  });
  frmTXTEditor::SetPageFactory(frmTXTEditor::kJobPage, [](QWidget* parent) -> EditorPage* {
    return new ucJob(parent);
  });
  frmTXTEditor::SetPageFactory(frmTXTEditor::kWareListPage, [](QWidget* parent) -> EditorPage* {
    return new ucWareList(parent);
  });
  WareListViewerSlot() = [](QWidget* parent) -> WareListViewerBase* { return new WareListViewer(parent); };
}

}  // namespace kz

#include "app/Wiring.h"

#include <memory>

#include "core/Variant.h"
#include "galaxy/GalEdit.h"
#include "galaxy/model/GalaxyObject.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/GalaxyEditor.h"
#include "platform/Ui.h"
#include "platform/ui/QtUi.h"
#include "shell/EditorFiles.h"
#include "shell/LauncherSlots.h"
#include "shell/QtProcessStarter.h"
#include "shell/ShellDialogs.h"
#include "shell/TraceProcessStarter.h"
#include "textres/TRE.h"
#include "txteditor/Ship.h"
#include "txteditor/TXTEditor.h"
#include "txteditor/Turret.h"
#include "txteditor/WareListViewerSlot.h"
#include "txteditor/model/ExportTarget.h"
#include "wareeditors/Job.h"
#include "wareeditors/Ware.h"
#include "wareeditors/WareList.h"
#include "wareeditors/WareListViewer.h"

namespace kz {

namespace {

// The ware page's colour editor: a free-standing galaxy object holding one "color"
// property, edited in the galaxy property dialog.
bool EditWareColour(QWidget* owner, int32_t& colour) {
  auto object = std::make_shared<clsGalaxyObject>();
  object->AddProperty("color", Variant(colour));
  PropertyPtr property = object->Property(std::string_view("color"));
  if (!property) return false;
  frmGalEdit dialog(owner);
  dialog.ShowProperty(nullptr, object, property, true, owner);
  if (dialog.ModalResult != 1) return false;
  colour = CLng(property->Value);
  return true;
}

}  // namespace

void WireApplication(bool scriptedUi) {
  // Without the Qt service the default one answers every box at once and echoes it.
  // With it, outside programs and help pages are only named, not started.
  if (!scriptedUi) {
    platform::Ui::SetInstance(std::make_shared<platform::QtUi>());
    QtProcessStarter::Install();
  } else {
    SetProcessStarter(std::make_shared<TraceProcessStarter>());
  }

  InstallShellDialogSlots();
  LauncherSlots& table = GetLauncherSlots();
  table.OpenTxtEditor = [](QWidget* owner, const std::string& path) { ::frmTXTEditor::OpenNew(owner, path); };
  table.OpenTextResourceEditor = [](QWidget* owner, const std::string& path) { ::frmTRE::OpenNew(owner, path); };
  // The "desc" buttons: the shared read-only view of the loaded descriptions.
  frmTXTEditor::DescEditorOpener() = [](QWidget* owner) { ::frmTRE::ShowShared(owner); };
  table.OpenGalaxyEditor = [](QWidget* owner, const std::string& path) { ::frmGalaxyEditor::Launch(owner, path); };

  frmTXTEditor::SetPageFactory(frmTXTEditor::kShipPage, [](QWidget* parent) -> EditorPage* { return new ucShip(parent); });
  frmTXTEditor::SetPageFactory(frmTXTEditor::kWarePage, [](QWidget* parent) -> EditorPage* { return new ucWare(parent); });
  ucWare::ColourEditHook() = EditWareColour;
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

  // The files the editor windows hold, which the exports never write onto.
  AddEditorFileReader(frmTXTEditor::OpenFileOf);
  AddEditorFileReader([](QWidget* window, std::string& path) {
    auto* editor = qobject_cast<frmGalaxyEditor*>(window);
    if (!editor || !editor->Parser()) return false;
    path = editor->Parser()->FileName;
    return true;
  });
  AddEditorFileReader([](QWidget* window, std::string& path) {
    auto* editor = qobject_cast<frmTRE*>(window);
    if (!editor) return false;
    // A file shown is open; a new document or the pages in memory are no file yet.
    const clsTRESession& session = editor->Session();
    if (session.ShownFile() != session.SavePath()) return false;
    path = session.ShownFile();
    return true;
  });
  // A text resource save under another name goes onto no other window's file.
  frmTRE::SaveTargetCheck = [](const std::string& target, const std::string& ownFile) {
    return exports::SaveTargetRefusal(target, ownFile, FilesOpenInEditors());
  };
  // So does a galaxy editor save under another name.
  frmGalaxyEditor::SaveTargetCheck = [](const std::string& target, const std::string& ownFile) {
    return exports::SaveTargetRefusal(target, ownFile, FilesOpenInEditors());
  };
}

}  // namespace kz

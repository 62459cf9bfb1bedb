#include "shell/ShellDialogs.h"

#include <QPointer>

#include "shell/About.h"
#include "shell/Files.h"
#include "shell/LauncherSlots.h"
#include "shell/Settings.h"

namespace kz {

void InstallShellDialogSlots() {
  LauncherSlots& table = GetLauncherSlots();
  table.ShowSettings = [](QWidget* owner) {
    // A fresh dialog per showing, so every showing starts from empty controls.
    frmSettings dlg(owner);
    dlg.ShowSettings(true, owner);
    return static_cast<int>(dlg.ModalResult);
  };
  table.ShowAbout = [](QWidget* owner) {
    frmAbout dlg(owner);
    dlg.exec();
  };
  table.ShowFiles = [](QWidget* owner) {
    static QPointer<frmFiles> files;
    if (!files) {
      files = new frmFiles(owner);
      files->setAttribute(Qt::WA_DeleteOnClose);
    }
    files->ShowFiles(false, owner);
  };
}

}  // namespace kz

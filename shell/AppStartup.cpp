#include "shell/AppStartup.h"

#include <QHash>
#include <QString>

#include "core/AppError.h"
#include "core/KzConst.h"
#include "core/Settings.h"
#include "gamelibs/zuzer/zuzer.h"
#include "platform/Ui.h"
#include "shell/InstanceServer.h"
#include "shell/frmMain.h"
#include "shell/frmWait.h"
#include "typefiles/DescServer.h"
#include "typefiles/Archive.h"

namespace kz {
namespace {

QWidget* Owner(WindowRef owner) { return static_cast<QWidget*>(owner); }

clsSettings& Cfg() {
  if (!Settings) throw AppError(91, "Settings", "Object variable or With block variable not set");
  return *Settings;
}

clsDescServer& Desc() {
  if (!DescServer) throw AppError(91, "DescServer", "Object variable or With block variable not set");
  return *DescServer;
}

}  // namespace

uint32_t clsAppStartup::RegisterOpenFileMessage() {
  // Every instance of the same user derives the same number from the same name.
  return 0xC000u | (qHash(QString::fromStdString(InstanceSocketName())) & 0x3FFFu);
}

bool clsAppStartup::PassToRunningInstance() { return kz::PassToRunningInstance(commandLine_); }

void clsAppStartup::ShowWait(const std::string& text, WindowRef owner) { kz::ShowWait(text, Owner(owner)); }
void clsAppStartup::SetWaitText(const std::string& text) { kz::SetWaitText(text); }
void clsAppStartup::HideWait(WindowRef owner) { kz::HideWait(Owner(owner)); }

void clsAppStartup::InitArrays() { mdlKzConst::InitArrays(); }
void clsAppStartup::CreateSettings() { Settings = std::make_shared<clsSettings>(); }
void clsAppStartup::CreateDescServer() { DescServer = std::make_shared<clsDescServer>(); }
void clsAppStartup::CreateArchive() {
  Archive = std::make_shared<clsArchive>();
}
void clsAppStartup::InitEnviroment() { Cfg().InitEnviroment(); }
void clsAppStartup::AddVFSFilter(const std::string& mask) { ZuZER_AddVFSFilter(mask.c_str()); }

std::string clsAppStartup::DataRoot() { return Cfg().DataRoot(); }
std::string clsAppStartup::ActiveModFullName() { return Cfg().ActiveModFullName(); }
bool clsAppStartup::LoadDescriptions() { return Cfg().LoadDescriptions(); }
int32_t clsAppStartup::DescLangID() { return Cfg().DescLangID(); }

void clsAppStartup::CreateVFS(const std::string& dataRoot) { ZuZER_CreateVFS(dataRoot.c_str()); }
bool clsAppStartup::AppendCatalog(const std::string& fullPath) { return ZuZER_AppendCatalog(fullPath.c_str()) != 0; }
void clsAppStartup::ArchiveClear() {
  if (!Archive) throw AppError(91, "Archive", "Object variable or With block variable not set");
  Archive->Clear();
}
void clsAppStartup::DescUnload() { Desc().Unload(); }
bool clsAppStartup::DescLoadResources(int32_t langID) { return Desc().LoadResources(langID); }
std::string clsAppStartup::DescLastError() { return Desc().GetLastError(); }

void clsAppStartup::LoadMainWindow() {
  main_ = new frmMain();
  main_->SetCommandLine(commandLine_);
}

void clsAppStartup::HookMainWindow() {
  if (!main_) return;
  // The receiver lives as long as the launcher window.
  auto* server = new clsInstanceServer(
      [](const std::string& request) {
        frmMain* launcher = MainWindow();
        return launcher && launcher->ProcessRequest(request);
      },
      main_);
  server->Listen();
}

void clsAppStartup::ShowMainWindow() {
  if (main_) main_->MyShow();
}

int clsAppStartup::MsgBox(const std::string& text, int flags) {
  return platform::Ui::Instance().MsgBox(text, flags, {}, main_.data());
}

void ReleaseProcessObjects() {
  Archive.reset();
  DescServer.reset();
  Settings.reset();
}

}  // namespace kz

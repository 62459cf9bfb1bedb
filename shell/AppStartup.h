#pragma once
// The program's own start-up services: the real single-instance hand-over, wait
// window, shared tables, process-wide objects, virtual file system, description
// server and launcher window behind kz::StartupServices.
#include <QPointer>
#include <string>

#include "core/Startup.h"

namespace kz {

class frmMain;

class clsAppStartup : public StartupServices {
 public:
  // `commandLine`: the process's command line after the program's name.
  explicit clsAppStartup(std::string commandLine) : commandLine_(std::move(commandLine)) {}

  frmMain* Launcher() const { return main_.data(); }

  uint32_t RegisterOpenFileMessage() override;
  bool PassToRunningInstance() override;
  void ShowWait(const std::string& text, WindowRef owner) override;
  void SetWaitText(const std::string& text) override;
  void HideWait(WindowRef owner) override;
  void InitArrays() override;
  void CreateSettings() override;
  void CreateDescServer() override;
  void CreateArchive() override;
  void InitEnviroment() override;
  void AddVFSFilter(const std::string& mask) override;
  std::string DataRoot() override;
  std::string ActiveModFullName() override;
  bool LoadDescriptions() override;
  int32_t DescLangID() override;
  void CreateVFS(const std::string& dataRoot) override;
  bool AppendCatalog(const std::string& fullPath) override;
  void ArchiveClear() override;
  void DescUnload() override;
  bool DescLoadResources(int32_t langID) override;
  std::string DescLastError() override;
  void LoadMainWindow() override;
  void HookMainWindow() override;
  void ShowMainWindow() override;
  int MsgBox(const std::string& text, int flags) override;

 private:
  std::string commandLine_;
  QPointer<frmMain> main_;
};

// Releases the process-wide objects at the end (the settings then remove the
// temporary folder).
void ReleaseProcessObjects();

}  // namespace kz

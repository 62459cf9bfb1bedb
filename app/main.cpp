// KzEditor: start-up, then the event loop until the last window closes.
#include <QApplication>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/HelpKey.h"
#include "app/OpenTrace.h"
#include "app/TestInput.h"
#include "app/Wiring.h"
#include "core/Startup.h"
#include "platform/ScriptedUi.h"
#include "platform/UiScript.h"
#include "shell/AppStartup.h"
#include "shell/CommandLine.h"
#include "shell/frmMain.h"

// Under the leak checker: the font and style caches live as long as the process, and so
// do the worker threads the paint engine starts for large fills (a thread's data that
// one of them holds as the process ends is seen as lost, now and then; the allocation's
// stack shows only the library, whose frames the quick unwinder cannot follow).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libfreetype\nleak:libharfbuzz\nleak:libQt6Gui\nleak:libQt6Core\n";
}

int main(int argc, char** argv) {
  // Game files are loaded and freed whole, many megabytes at a time: keep freed memory
  // in the process instead of handing it back and faulting it in again at the next load.
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);

  QApplication app(argc, argv);
  QApplication::setApplicationName(kz::kAppTitle);
  // Test runs: KZ_SCRIPTED_UI answers the dialogs without windows; KZ_UI_SCRIPT names a
  // file of answers for them (platform/UiScript.h), which also makes the run scripted.
  const char* uiScript = std::getenv("KZ_UI_SCRIPT");
  const bool scripted = std::getenv("KZ_SCRIPTED_UI") != nullptr || (uiScript && *uiScript);
  kz::WireApplication(scripted);
  if (uiScript && *uiScript) {
    auto ui = std::make_shared<platform::ScriptedUi>();
    ui->SetEcho(true);
    std::string error;
    if (!platform::LoadUiScript(uiScript, *ui, error)) {
      std::fprintf(stderr, "kz-script %s\n", error.c_str());
      return 1;
    }
    platform::Ui::SetInstance(std::move(ui));
  }
  kz::HelpKey::Install();
  kz::OpenTrace::InstallIfWanted();

  // The command line as one text, quoted so that splitting gives the arguments back.
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  kz::clsAppStartup startup(kz::JoinCommandLine(args));

  switch (kz::RunStartup(startup)) {
    case kz::StartupResult::HandedOver:
      return 0;
    case kz::StartupResult::Failed:
      return 1;
    case kz::StartupResult::Running:
      break;
  }

  int rc = 0;
  if (std::getenv("KZ_QUIT_AFTER_START")) {
    // Test runs: the launcher was shown; close it as the user would and end.
    QApplication::processEvents();
    if (kz::frmMain* launcher = startup.Launcher()) launcher->close();
    QApplication::processEvents();
  } else {
    kz::TestInput::InstallIfWanted(startup.Launcher());
    rc = QApplication::exec();
  }
  kz::SetStartupServices(nullptr);
  kz::ReleaseProcessObjects();
  return rc;
}

#include "core/Startup.h"

#include <exception>

#include "core/AppError.h"

namespace kz {
namespace {

// Message box flags (the values platform::Ui uses).
constexpr int kBoxCritical = 16;
constexpr int kBoxExclamation = 48;

uint32_t gOpenFileMessage = 0;
StartupServices* gServices = nullptr;

const char* const kVFSFilters[] = {"types\\*", "t\\*", "dds\\*", "textures\\*", "objects\\*", "maps\\*"};

// The description of whatever was thrown.
std::string DescribeCurrentException() {
  try {
    throw;
  } catch (const AppError& e) {
    return e.Description;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

std::string Title() { return kAppTitle; }

}  // namespace

uint32_t OpenFileMessageId() { return gOpenFileMessage; }

void SetStartupServices(StartupServices* services) { gServices = services; }
StartupServices* GetStartupServices() { return gServices; }

void LoadKzData(WindowRef owner) {
  if (!gServices) throw AppError(kErrDataLoad, "LoadKzData", "(): The program has not been started.");
  LoadKzData(*gServices, owner);
}

void LoadKzData(StartupServices& s, WindowRef owner) {
  std::string label;
  bool waitShown = false;
  try {
    s.ShowWait(Title() + " - scanning Kz data files. Please wait...", owner);
    waitShown = true;

    label = "ZuZER_CreateVFS";
    s.CreateVFS(s.DataRoot());
    const std::string mod = s.ActiveModFullName();
    if (!mod.empty() && !s.AppendCatalog(mod)) {
      s.MsgBox("Warning:\r\nError loading active mod \"" + mod +
                   "\".\r\nThis is not fatal. Maybe your \"Directory with data\" is different from real Kz path?",
               kBoxExclamation);
    }

    label = "Archive.Clear";
    s.ArchiveClear();

    if (s.LoadDescriptions()) {
      s.SetWaitText(Title() + " - Loading resource strings. Please wait...");
      label = "DescServer.Unload";
      s.DescUnload();
      label = "DescServer.LoadResources";
      if (!s.DescLoadResources(s.DescLangID()) && !s.DataRoot().empty()) {
        s.MsgBox("Error loading resources: \r\n\r\n" + s.DescLastError() +
                     "\r\n\r\nObject descriptions and names may be unavailable.",
                 kBoxCritical);
      }
    }

    waitShown = false;
    s.HideWait(owner);
  } catch (...) {
    const std::string description = DescribeCurrentException();
    // The wait window never outlives the load, whatever went wrong.
    if (waitShown) {
      try {
        s.HideWait(owner);
      } catch (...) {
      }
    }
    throw AppError(kErrDataLoad, "LoadKzData", "(" + label + "): " + description);
  }
}

StartupResult RunStartup(StartupServices& s) {
  std::string label;
  bool waitShown = false;
  SetStartupServices(&s);
  try {
    gOpenFileMessage = s.RegisterOpenFileMessage();
    if (s.PassToRunningInstance()) return StartupResult::HandedOver;

    s.ShowWait(Title() + " - Starting up...", nullptr);
    waitShown = true;

    label = "mdlKzConst.InitArrays";
    s.InitArrays();
    s.CreateSettings();
    s.CreateDescServer();
    s.CreateArchive();

    label = "Settings.InitEnviroment";
    s.InitEnviroment();

    label = "ZuZER_AddVFSFilter";
    for (const char* mask : kVFSFilters) s.AddVFSFilter(mask);

    waitShown = false;
    s.HideWait(nullptr);

    label = "LoadKzData";
    LoadKzData(s, nullptr);
    s.LoadMainWindow();
    s.HookMainWindow();

    label = "frmMain.MyShow";
    s.ShowMainWindow();
    return StartupResult::Running;
  } catch (...) {
    const std::string description = DescribeCurrentException();
    if (waitShown) {
      try {
        s.HideWait(nullptr);
      } catch (...) {
      }
    }
    try {
      s.MsgBox("Error starting program: (" + label + "): " + description, kBoxCritical);
    } catch (...) {
    }
    return StartupResult::Failed;
  }
}

}  // namespace kz

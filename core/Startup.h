#pragma once
// Start-up of the program and (re)loading of the game data.
//
// The two procedures here hold the order of the steps, their step labels and the
// error handling; every service they use (the single-instance hand-over, the wait
// window, the shared tables, the process-wide objects, the virtual file system, the
// description server, the launcher window, message boxes) is reached through
// `StartupServices`, so that the windows stay out of the model and tests can record
// the order of the calls.
#include <cstdint>
#include <string>

namespace kz {

// An opaque window handed to the wait window as its owner (nullptr = none).
using WindowRef = void*;

class StartupServices {
 public:
  virtual ~StartupServices() = default;

  // Start-up steps 1 and 2.
  virtual uint32_t RegisterOpenFileMessage() = 0;
  virtual bool PassToRunningInstance() = 0;

  // The wait window. HideWait restores the owner's mouse pointer when given.
  virtual void ShowWait(const std::string& text, WindowRef owner) = 0;
  virtual void SetWaitText(const std::string& text) = 0;
  virtual void HideWait(WindowRef owner) = 0;

  // Start-up steps 4 to 7.
  virtual void InitArrays() = 0;
  virtual void CreateSettings() = 0;
  virtual void CreateDescServer() = 0;
  virtual void CreateArchive() = 0;
  virtual void InitEnviroment() = 0;
  virtual void AddVFSFilter(const std::string& mask) = 0;

  // What LoadKzData reads of the settings.
  virtual std::string DataRoot() = 0;
  virtual std::string ActiveModFullName() = 0;
  virtual bool LoadDescriptions() = 0;
  virtual int32_t DescLangID() = 0;

  // What LoadKzData does. AppendCatalog returns false when the catalog could not
  // be appended; DescLoadResources returns false on failure with DescLastError set.
  virtual void CreateVFS(const std::string& dataRoot) = 0;
  virtual bool AppendCatalog(const std::string& fullPath) = 0;
  virtual void ArchiveClear() = 0;
  virtual void DescUnload() = 0;
  virtual bool DescLoadResources(int32_t langID) = 0;
  virtual std::string DescLastError() = 0;

  // Start-up steps 10 to 12: create the launcher (restores its place, builds its
  // icons), start receiving requests of other instances, then show it.
  virtual void LoadMainWindow() = 0;
  virtual void HookMainWindow() = 0;
  virtual void ShowMainWindow() = 0;

  // A message box (flags and answer as platform::Ui::MsgBox: vbOKOnly, vbCritical...).
  virtual int MsgBox(const std::string& text, int flags) = 0;
};

// The application title, as every caption and box shows it.
inline constexpr const char* kAppTitle = "Ze Zuzazo";
// The name of the open-file request between two instances.
inline constexpr const char* kOpenFileMessageName = "MSG_REZ_OPEN_FILE";

enum class StartupResult {
  Running,     // the launcher is shown; the event loop should run
  HandedOver,  // a running instance took the command line; end the process with success
  Failed,      // the error box was shown; end the process with failure
};

// Runs the start-up in its fixed order. Never throws: a failure shows
// "Error starting program: (<step label>): <description>" and gives Failed.
StartupResult RunStartup(StartupServices& services);

// Rebuilds the virtual file system over the data folder, appends the active
// modification's catalog, empties the archive and reloads the descriptions.
// Throws AppError(kErrDataLoad, "LoadKzData", "(<step label>): <description>") on
// failure; the wait window is hidden again on every way out.
void LoadKzData(StartupServices& services, WindowRef owner = nullptr);

// The services of this process's start-up: RunStartup registers its own, so that the
// launcher's "Reload files" and the settings dialog reload through the same ones.
void SetStartupServices(StartupServices* services);
StartupServices* GetStartupServices();
// LoadKzData over the registered services (AppError kErrDataLoad when there are none).
void LoadKzData(WindowRef owner = nullptr);

// The open-file message id kept by start-up step 1 (0 before).
uint32_t OpenFileMessageId();

}  // namespace kz

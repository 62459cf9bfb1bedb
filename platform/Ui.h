#pragma once
// The dialogs service: message boxes, the common open/save dialog, the folder picker,
// the colour picker and an input box. The program installs the Qt implementation
// (platform/ui/QtUi.h) at start; tests install a ScriptedUi (platform/ScriptedUi.h).
// When nothing was installed, Instance() gives a ScriptedUi that echoes every request
// to stderr and answers as ScriptedUi does with empty queues.
//
// Usage:
//   int32_t r = platform::Ui::Instance().MsgBox("Save changes?", platform::vbYesNoCancel | platform::vbQuestion, "KzEditor");
//   platform::FileDialogRequest req; req.Filter = "Type files (*.txt)|*.txt|All files (*.*)|*.*"; ...
//   platform::FileDialogResult res;
//   if (platform::Ui::Instance().ShowOpen(req, res)) use(res.FileName);
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Message box buttons and icons (combine one of each).
constexpr int32_t vbOKOnly = 0;
constexpr int32_t vbOKCancel = 1;
constexpr int32_t vbAbortRetryIgnore = 2;
constexpr int32_t vbYesNoCancel = 3;
constexpr int32_t vbYesNo = 4;
constexpr int32_t vbRetryCancel = 5;
constexpr int32_t vbCritical = 16;
constexpr int32_t vbQuestion = 32;
constexpr int32_t vbExclamation = 48;
constexpr int32_t vbInformation = 64;
constexpr int32_t vbDefaultButton1 = 0;
constexpr int32_t vbDefaultButton2 = 256;
constexpr int32_t vbDefaultButton3 = 512;
// Message box answers.
constexpr int32_t vbOK = 1;
constexpr int32_t vbCancel = 2;
constexpr int32_t vbAbort = 3;
constexpr int32_t vbRetry = 4;
constexpr int32_t vbIgnore = 5;
constexpr int32_t vbYes = 6;
constexpr int32_t vbNo = 7;

// Common dialog flags (the ones the program uses).
constexpr int32_t cdlOFNReadOnly = 0x1;
constexpr int32_t cdlOFNOverwritePrompt = 0x2;
constexpr int32_t cdlOFNHideReadOnly = 0x4;
constexpr int32_t cdlOFNNoChangeDir = 0x8;
constexpr int32_t cdlOFNPathMustExist = 0x800;
constexpr int32_t cdlOFNFileMustExist = 0x1000;
constexpr int32_t cdlOFNCreatePrompt = 0x2000;
constexpr int32_t cdlOFNExplorer = 0x80000;

// The button a message box with these flags takes on Enter: the default button of its set.
int32_t MsgBoxDefaultAnswer(int32_t flags);

struct FileDialogRequest {
  std::string Title;
  // Descriptions and patterns in turn, separated by "|": "Text (*.txt)|*.txt|All (*.*)|*.*".
  // A pattern may list several globs separated by ";".
  std::string Filter;
  int32_t FilterIndex = 1;  // 1-based
  std::string InitDir;
  std::string FileName;     // start path or name
  std::string DefaultExt;   // without the dot; appended to a name without extension
  int32_t Flags = 0;
  void* Owner = nullptr;    // the owning window (a QWidget*) or null
};

struct FileDialogResult {
  std::string FileName;     // the chosen full path
  int32_t FilterIndex = 1;  // the filter in force when the choice was made, 1-based
};

class Ui {
 public:
  virtual ~Ui() = default;

  // Shows a message box; returns vbOK, vbCancel, vbYes, vbNo ... (the button pressed;
  // closing the box counts as vbCancel, or vbOK for vbOKOnly, vbNo for vbYesNo).
  virtual int32_t MsgBox(const std::string& text, int32_t flags = vbOKOnly, const std::string& title = {},
                         void* owner = nullptr) = 0;
  // Common open / save dialog; false when cancelled (result untouched then).
  virtual bool ShowOpen(const FileDialogRequest& request, FileDialogResult& result) = 0;
  virtual bool ShowSave(const FileDialogRequest& request, FileDialogResult& result) = 0;
  // Folder picker; the chosen folder, "" when cancelled.
  virtual std::string BrowseForFolder(const std::string& title, const std::string& startDir = {},
                                      void* owner = nullptr) = 0;
  // Colour picker on screen colours 0xBBGGRR; false when cancelled.
  virtual bool ShowColor(int32_t initial, int32_t& chosen, void* owner = nullptr) = 0;
  // Input box; false when cancelled.
  virtual bool InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText,
                        std::string& answer, void* owner = nullptr) = 0;

  // The installed service (see the top of this file).
  static Ui& Instance();
  // Installs a service (null: back to the default one); returns the previous one.
  static std::shared_ptr<Ui> SetInstance(std::shared_ptr<Ui> ui);
};

// Installs a service for the life of a scope (tests).
class UiScope {
 public:
  explicit UiScope(std::shared_ptr<Ui> ui) : previous_(Ui::SetInstance(std::move(ui))) {}
  ~UiScope() { Ui::SetInstance(std::move(previous_)); }
  UiScope(const UiScope&) = delete;
  UiScope& operator=(const UiScope&) = delete;

 private:
  std::shared_ptr<Ui> previous_;
};

}  // namespace platform

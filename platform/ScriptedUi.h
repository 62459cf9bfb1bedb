#pragma once
// A dialogs service without windows: answers from queues that a test fills, and
// records every request. With an empty queue a message box takes its default button
// (MsgBoxDefaultAnswer) and every other dialog is cancelled.
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace platform {

struct UiCall {
  std::string Kind;      // "MsgBox", "ShowOpen", "ShowSave", "BrowseForFolder", "ShowColor", "InputBox"
  std::string Text;      // message / prompt (MsgBox, InputBox)
  std::string Title;     // caption / dialog title
  int32_t Flags = 0;     // MsgBox flags, dialog flags
  int32_t Answer = 0;    // MsgBox: the answer given; dialogs: 1 chosen, 0 cancelled
  FileDialogRequest File;  // ShowOpen / ShowSave request
  std::string Default;   // InputBox default text, BrowseForFolder start folder
  int32_t Colour = 0;    // ShowColor initial colour
  void* Owner = nullptr; // the window the request belongs to (MsgBox, BrowseForFolder,
                         // ShowColor, InputBox; file dialogs: the request's Owner)
};

class ScriptedUi : public Ui {
 public:
  // Queue answers, consumed in order by calls of the matching kind.
  void PushMsgBox(int32_t answer);
  void PushFile(std::string path, int32_t filterIndex = 0);  // filterIndex 0: the request's
  void PushFileCancel();
  // The dialog's own proposal taken as it stands, as the user pressing Save (or Open) at
  // once: the request's FileName (inside its InitDir when it names no folder), with the
  // request's filter; cancelled when the request proposes no name.
  void PushFileAsOffered();
  void PushFolder(std::string path);  // "" = cancelled
  void PushColour(int32_t colour);
  void PushColourCancel();
  void PushInput(std::string text);
  void PushInputCancel();

  // Every request so far, oldest first.
  std::vector<UiCall> Calls() const;
  std::vector<UiCall> Calls(const std::string& kind) const;
  const UiCall* Last(const std::string& kind = {}) const;  // null when none (valid until the next call)
  void ClearCalls();
  // Echo every request to stderr.
  void SetEcho(bool on) { echo_ = on; }

  int32_t MsgBox(const std::string& text, int32_t flags = vbOKOnly, const std::string& title = {},
                 void* owner = nullptr) override;
  bool ShowOpen(const FileDialogRequest& request, FileDialogResult& result) override;
  bool ShowSave(const FileDialogRequest& request, FileDialogResult& result) override;
  std::string BrowseForFolder(const std::string& title, const std::string& startDir = {},
                              void* owner = nullptr) override;
  bool ShowColor(int32_t initial, int32_t& chosen, void* owner = nullptr) override;
  bool InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText,
                std::string& answer, void* owner = nullptr) override;

 private:
  struct FileAnswer {
    bool ok;
    std::string path;
    int32_t filterIndex;
    bool asOffered = false;
  };
  struct TextAnswer {
    bool ok;
    std::string text;
  };
  struct ColourAnswer {
    bool ok;
    int32_t colour;
  };
  bool FileDialog(const char* kind, const FileDialogRequest& request, FileDialogResult& result);
  void Record(UiCall call);

  mutable std::mutex mutex_;
  std::deque<int32_t> msgBoxes_;
  std::deque<FileAnswer> files_;
  std::deque<std::string> folders_;
  std::deque<ColourAnswer> colours_;
  std::deque<TextAnswer> inputs_;
  std::vector<UiCall> calls_;
  bool echo_ = false;
};

}  // namespace platform

#pragma once
// TREHost: what the text resource editor's state (clsTRESession) asks of its window:
// the questions and dialogs of its flows, and word of what changed so that the window
// shows it. Tests drive the state with a scripted host.
#include <cstdint>
#include <string>

class TREHost {
 public:
  virtual ~TREHost() = default;

  // A message box (platform::Ui flags); the answer.
  virtual int32_t MsgBox(const std::string& text, int32_t flags, const std::string& title) = 0;
  // The open dialog with the filter, starting at startPath (a file) or else in
  // initDir; a startPath of "vfs://" browses the virtual file system. False when
  // cancelled.
  virtual bool ChooseOpenFile(const std::string& filter, const std::string& startPath, const std::string& initDir,
                              std::string& path) = 0;
  // The save dialog: `path` in (start, may be empty) and out (the choice, a catalog
  // choice as "<catalog>::<inner path>"), `filterIndex` out (1-based); false when
  // cancelled.
  virtual bool ChooseSaveFile(const std::string& filter, const std::string& initDir, std::string& path,
                              int32_t& filterIndex) = 0;
  // "" when a save of the window's file `ownFile` ("" for none yet) may write `target`;
  // else why not (it is a file another editor window has open).
  virtual std::string SaveTargetRefusal(const std::string& target, const std::string& ownFile) {
    (void)target, (void)ownFile;
    return {};
  }
  // The new-file dialog; false unless it ended with OK (then the language and the
  // file name, no folder).
  virtual bool ChooseNewFile(int32_t& langID, std::string& fileName) = 0;
  // The page and string dialogs on library objects; their ModalResult (1 OK) and
  // whether the values changed.
  virtual int32_t EditPage(int32_t document, int32_t page, bool& dirty) = 0;
  virtual int32_t EditString(int32_t page, int32_t str, bool& dirty) = 0;
  // The wait window around long work.
  virtual void ShowWait(const std::string& text) { (void)text; }
  virtual void HideWait() {}

  // The rows of a list (tre::List) were read anew.
  virtual void ListReset(int32_t list) { (void)list; }
  // One row of a list was taken out.
  virtual void RowRemoved(int32_t list, int32_t row) { (void)list, (void)row; }
  // The selected row of a list changed (the state's SelectedRow).
  virtual void SelectionChanged(int32_t list) { (void)list; }
  // Caption, labels, string text, status texts or the read-only view changed.
  virtual void StateChanged() {}
};

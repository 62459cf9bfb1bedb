#pragma once
// clsTRESession: the state of one text resource editor window and everything it does
// that is not drawing: the document it owns, the page and string lists, the current
// page and string, the read-only view of the pages in memory, the modified flag, and
// the flows of its commands (open, new, save, reload, the pages in memory; add, edit
// and delete pages and strings; find). Questions and dialogs go through its TREHost.
//
// Opening keeps the document until another one has loaded, so a cancelled or failed
// open leaves the window as it was. Windows in the read-only view read the pages
// again whenever the description store is loaded or unloaded.
#include <cstdint>
#include <string>

#include "textres/model/TREDocument.h"
#include "textres/model/TRERows.h"
#include "textres/model/TRERules.h"

class TREHost;

class clsTRESession {
 public:
  explicit clsTRESession(TREHost& host);
  ~clsTRESession();
  clsTRESession(const clsTRESession&) = delete;
  clsTRESession& operator=(const clsTRESession&) = delete;

  // ---- flows ---------------------------------------------------------------------
  // The question before open, new document and the pages in memory; true to go on
  // (No, or nothing changed). Yes saves and ends the command.
  bool SavePrompt();
  // Opens a file: "" asks for one (the open dialog), "vfs://" for one of the virtual
  // file system, "vfs://<path>" is looked up there. True when a document was loaded.
  bool OpenFile(const std::string& path);
  // The read-only view of the pages the description server loaded.
  void ShowMemoryPages();
  // A new document through the new-file dialog. True when one was made.
  bool NewDocument();
  // The save dialog and the save; true when the file was written.
  bool SaveDocument();
  // Loads the descriptions again (the windows showing them follow).
  void ReloadResources();
  // The question at close: true when the window may close.
  bool QueryClose();
  // Prepares a window that is shown: modified flag cleared, the pages in memory.
  void Start();

  // ---- lists ---------------------------------------------------------------------
  // Reads the page list of a container, keeping the selected page when asked.
  void FillPageList(int32_t container, bool keepSelection);
  // Reads the string list of a page, keeping the selected row when asked.
  void FillStringList(int32_t page, bool keepSelection);
  // A click on a row (-1: none) makes it the current page or string.
  void SelectPageItem(int32_t row);
  void SelectStringItem(int32_t row);
  // The raw / processed choice; refills the string list keeping the selected row.
  void SetFormatTexts(bool on);

  // ---- commands ------------------------------------------------------------------
  // True when the commands of the popup menus apply (a file is shown).
  bool CommandsEnabled() const { return !shownFile_.empty(); }
  void EditPage();
  void EditString();
  void NewPage();
  void NewString();
  void DeletePage();
  void DeleteString();

  // ---- find ----------------------------------------------------------------------
  // The list find works in; true when it changed.
  bool SetFindTarget(int32_t list);
  int32_t FindTarget() const { return findTarget_; }
  std::string FindCaption() const { return findTarget_ == tre::kPageList ? "Find Page" : "Find Text"; }
  // The next row from the selected one whose ID (byID) or text matches, without
  // regard to case; `tag` is the 1-based row of the last match (0 none). True when
  // found: the row is selected and current.
  bool FindNextItem(bool wholeMatch, bool byID, const std::string& text, int32_t& tag);

  // ---- state ---------------------------------------------------------------------
  int32_t Document() const { return doc_.Handle(); }
  int32_t CurrentPage() const { return currentPage_; }
  int32_t CurrentString() const { return currentString_; }
  bool ReadOnly() const { return readOnly_; }
  bool Modified() const { return modified_; }
  void SetModified(bool on);
  bool FormatTexts() const { return formatTexts_; }
  int32_t LangID() const { return langID_; }
  const std::string& SavePath() const { return savePath_; }
  const std::string& ShownFile() const { return shownFile_; }
  const clsTRERows& Rows(int32_t list) const { return list == tre::kPageList ? pages_ : strings_; }
  int32_t SelectedRow(int32_t list) const { return list == tre::kPageList ? pageRow_ : stringRow_; }
  std::string Caption() const;
  std::string PagesStatus() const { return tre::PagesStatus(pages_.Count()); }
  std::string StringsStatus() const { return tre::StringsStatus(strings_.Count()); }
  const std::string& PageTitle() const { return pageTitle_; }
  const std::string& PageDesc() const { return pageDesc_; }
  // The current string's text, raw or processed after FormatTexts.
  const std::string& StringText() const { return stringText_; }

 private:
  int32_t Msg(const std::string& text, int32_t flags, bool appTitle = false);
  void SetCurrentPage(int32_t page);
  void SetCurrentString(int32_t str);
  void Changed();
  void StoreChanged();

  TREHost& host_;
  clsTREDocument doc_;
  clsTRERows pages_;
  clsTRERows strings_;
  int32_t pageRow_ = -1;
  int32_t stringRow_ = -1;
  int32_t currentPage_ = 0;
  int32_t currentString_ = 0;
  int32_t langID_ = 0;
  std::string savePath_;
  std::string shownFile_;
  std::string pageTitle_;
  std::string pageDesc_;
  std::string stringText_;
  bool readOnly_ = false;
  bool modified_ = false;
  bool formatTexts_ = false;
  int32_t findTarget_ = tre::kStringList;
  int32_t storeListener_ = 0;
};

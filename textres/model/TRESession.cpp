#include "textres/model/TRESession.h"

#include <charconv>

#include "core/Common.h"
#include "core/Generic.h"
#include "core/LibBindings.h"
#include "core/Settings.h"
#include "core/ViDedodedBindings.h"
#include "platform/Ui.h"
#include "textres/model/TREHost.h"
#include "textres/model/TREIds.h"
#include "typefiles/DescServer.h"
#include "videdoded/videdoded.h"

namespace {

constexpr const char* kCrLf = "\r\n";

std::string DataRoot() { return Settings ? Settings->DataRoot() : std::string(); }

// The process-wide description server, or a stand-in while there is none (it only
// opens files then).
clsDescServer& Server() {
  static clsDescServer standIn;
  return DescServer ? *DescServer : standIn;
}

}  // namespace

clsTRESession::clsTRESession(TREHost& host) : host_(host) {
  storeListener_ = clsDescServer::AddStoreListener([this] {
    try {
      StoreChanged();
    } catch (...) {
      // A window that cannot read the store again keeps what it shows.
    }
  });
}

clsTRESession::~clsTRESession() { clsDescServer::RemoveStoreListener(storeListener_); }

int32_t clsTRESession::Msg(const std::string& text, int32_t flags, bool appTitle) {
  return host_.MsgBox(text, flags, appTitle ? kz::GetAppTitle() : std::string(tre::kTitle));
}

void clsTRESession::Changed() { host_.StateChanged(); }

std::string clsTRESession::Caption() const { return tre::CaptionText(shownFile_, langID_, readOnly_, modified_); }

void clsTRESession::SetModified(bool on) {
  modified_ = on;
  Changed();
}

// ---- flows ---------------------------------------------------------------------------

bool clsTRESession::SavePrompt() {
  if (!modified_) return true;
  int32_t answer = Msg(tre::SavePromptText(shownFile_), platform::vbYesNoCancel | platform::vbExclamation);
  if (answer == platform::vbYes) {
    SaveDocument();
    return false;
  }
  return answer == platform::vbNo;
}

bool clsTRESession::OpenFile(const std::string& pathIn) {
  if (!SavePrompt()) return false;
  std::string path = pathIn;
  if (path.empty() || path == "vfs://") {
    // The dialog: on disk from the last opened file, or over the virtual file system.
    std::string start = path.empty() && Settings ? Settings->LastOpenedXMLFile() : path;
    path.clear();
    if (!host_.ChooseOpenFile(tre::kOpenFilter, start, DataRoot(), path) || path.empty()) return false;
  }
  if (kz::IsVFSPath(path)) {
    std::string inner = kz::StripVFSPrefix(path);
    kz::VfsEntry entry;
    if (inner.empty() || !kz::VfsFindFirst(inner, entry) || entry.IsFolder()) {
      Msg("File " + inner + " not found.", platform::vbExclamation);
      return false;
    }
    path = entry.path;
  }
  clsDescServer& server = Server();
  int32_t handle = server.OpenFile(path);
  if (handle == 0) {
    // The document shown so far stays.
    Msg(server.GetLastError(), platform::vbExclamation);
    return false;
  }
  doc_.Reset(handle);
  // Written only when it changes: each write of the settings store reaches the disk.
  if (Settings && Settings->LastOpenedXMLFile() != path) Settings->SetLastOpenedXMLFile(path);
  langID_ = Kz_TREGetLangID(handle);
  shownFile_ = savePath_ = path;
  modified_ = false;
  readOnly_ = false;
  FillPageList(handle, false);
  Changed();
  // IDs held twice are named once; the file stays as it was read.
  const std::string duplicates = tre::DuplicateIdsMessage(handle);
  if (!duplicates.empty()) Msg(duplicates, platform::vbExclamation);
  return true;
}

void clsTRESession::ShowMemoryPages() {
  if (!SavePrompt()) return;
  langID_ = Kz_TREGetLangID(kKzStoreHandle);
  readOnly_ = true;
  modified_ = false;
  shownFile_ = tre::kMemoryPages;
  FillPageList(kKzStoreHandle, false);
  Changed();
}

bool clsTRESession::NewDocument() {
  if (!SavePrompt()) return false;
  int32_t lang = 0;
  std::string name;
  if (!host_.ChooseNewFile(lang, name)) return false;
  if (!doc_.CreateNew(lang)) {
    Msg(doc_.GetLastError(), platform::vbCritical, true);
    return false;
  }
  readOnly_ = false;
  savePath_ = tre::NewFileSavePath(DataRoot(), name);
  shownFile_ = tre::kNewDocument;
  langID_ = lang;
  modified_ = true;
  FillPageList(doc_.Handle(), false);
  Changed();
  return true;
}

bool clsTRESession::SaveDocument() {
  if (!doc_ || readOnly_) return false;
  std::string path = savePath_;
  std::string initDir;
  if (path.empty() && !DataRoot().empty()) initDir = kz::BuildPath(DataRoot(), "t");
  int32_t filterIndex = 1;
  if (!host_.ChooseSaveFile(tre::kSaveFilter, initDir, path, filterIndex) || path.empty()) return false;
  // Never onto a file another editor window has open (its own file, by any path, is
  // fine; a new document has none yet).
  const std::string refusal = host_.SaveTargetRefusal(path, shownFile_ == savePath_ ? savePath_ : std::string());
  if (!refusal.empty()) {
    Msg(refusal, platform::vbExclamation);
    return false;
  }
  if (kz::FileExists(path) &&
      Msg(path + " already exists." + kCrLf + "Do you want to replace it?", platform::vbYesNo | platform::vbQuestion) !=
          platform::vbYes)
    return false;
  // Plain or packed as the type says; into a catalog, as the entry's name says.
  if (!doc_.Save(path, kz::SaveKindForFilter(filterIndex, path))) {
    Msg(doc_.GetLastError(), platform::vbOKOnly, true);
    return false;
  }
  savePath_ = shownFile_ = path;
  modified_ = false;
  Changed();
  return true;
}

void clsTRESession::ReloadResources() {
  if (Settings && !Settings->LoadDescriptions()) {
    Msg("Loading of text resources is disabled in settings.", platform::vbExclamation);
    return;
  }
  host_.ShowWait("Reloading resources...");
  clsDescServer& server = Server();
  // The windows in the read-only view (this one too) read the pages again when the
  // store tells them.
  bool ok = server.LoadResources(Settings ? Settings->DescLangID() : 44);
  host_.HideWait();
  if (!ok) Msg(server.GetLastError(), platform::vbCritical);
}

void clsTRESession::StoreChanged() {
  if (readOnly_) {
    langID_ = Kz_TREGetLangID(kKzStoreHandle);
    FillPageList(kKzStoreHandle, false);
    Changed();
  } else if (formatTexts_ && currentPage_) {
    // Processed texts may refer to strings of the store.
    FillStringList(currentPage_, true);
    Changed();
  }
}

bool clsTRESession::QueryClose() {
  if (!modified_) return true;
  int32_t answer = Msg(tre::ClosePromptText(shownFile_), platform::vbYesNoCancel | platform::vbExclamation);
  if (answer == platform::vbYes) return SaveDocument();
  return answer == platform::vbNo;
}

void clsTRESession::Start() {
  modified_ = false;
  ShowMemoryPages();
}

// ---- lists ---------------------------------------------------------------------------

void clsTRESession::FillPageList(int32_t container, bool keepSelection) {
  int32_t keep = keepSelection && pageRow_ >= 0 && pageRow_ < pages_.Count() ? pages_.Handle(pageRow_) : 0;
  pages_.FillPages(container);
  if (keepSelection)
    pageRow_ = keep ? pages_.IndexOf(keep) : -1;
  else
    pageRow_ = pages_.Empty() ? -1 : 0;
  host_.ListReset(tre::kPageList);
  host_.SelectionChanged(tre::kPageList);
  SetCurrentPage(pageRow_ >= 0 ? pages_.Handle(pageRow_) : 0);
}

void clsTRESession::FillStringList(int32_t page, bool keepSelection) {
  int32_t id = 0, voice = 0;
  pageTitle_.clear();
  pageDesc_.clear();
  Kz_TREGetPageInfo(page, id, pageTitle_, pageDesc_, voice);
  int32_t keep = stringRow_;
  strings_.FillStrings(page, formatTexts_);
  if (keepSelection)
    stringRow_ = keep >= 0 && keep < strings_.Count() ? keep : -1;
  else
    stringRow_ = strings_.Empty() ? -1 : 0;
  host_.ListReset(tre::kStringList);
  host_.SelectionChanged(tre::kStringList);
  SetCurrentString(stringRow_ >= 0 ? strings_.Handle(stringRow_) : 0);
}

void clsTRESession::SetCurrentPage(int32_t page) {
  currentPage_ = page;
  if (page != 0) {
    FillStringList(page, false);
  } else {
    strings_.Clear();
    stringRow_ = -1;
    pageTitle_.clear();
    pageDesc_.clear();
    host_.ListReset(tre::kStringList);
    SetCurrentString(0);
  }
  Changed();
}

void clsTRESession::SetCurrentString(int32_t str) {
  currentString_ = str;
  stringText_.clear();
  if (str != 0) {
    int32_t id = 0;
    std::string raw, text;
    if (Kz_TREGetStringInfo(str, id, raw, text)) stringText_ = formatTexts_ ? text : raw;
  }
  Changed();
}

void clsTRESession::SelectPageItem(int32_t row) {
  pageRow_ = row >= 0 && row < pages_.Count() ? row : -1;
  SetCurrentPage(pageRow_ >= 0 ? pages_.Handle(pageRow_) : 0);
}

void clsTRESession::SelectStringItem(int32_t row) {
  stringRow_ = row >= 0 && row < strings_.Count() ? row : -1;
  SetCurrentString(stringRow_ >= 0 ? strings_.Handle(stringRow_) : 0);
}

void clsTRESession::SetFormatTexts(bool on) {
  formatTexts_ = on;
  if (currentPage_) FillStringList(currentPage_, true);
  Changed();
}

// ---- commands --------------------------------------------------------------------------

void clsTRESession::EditPage() {
  if (currentPage_ == 0) return;
  if (readOnly_) {
    Msg(tre::ReadOnlyPagesText(true), platform::vbInformation);
    return;
  }
  bool dirty = false;
  if (host_.EditPage(doc_.Handle(), currentPage_, dirty) == 1) {
    FillPageList(doc_.Handle(), true);
    modified_ = modified_ || dirty;
    Changed();
  }
}

void clsTRESession::EditString() {
  if (currentString_ == 0) return;
  if (readOnly_) {
    Msg(tre::ReadOnlyTextsText(), platform::vbInformation);
    return;
  }
  bool dirty = false;
  if (host_.EditString(currentPage_, currentString_, dirty) == 1) {
    FillStringList(currentPage_, true);
    modified_ = modified_ || dirty;
    Changed();
  }
}

void clsTRESession::NewPage() {
  if (readOnly_) {
    Msg(tre::ReadOnlyPagesText(false), platform::vbInformation);
    return;
  }
  if (!doc_) return;
  int32_t page = Kz_CreateObject(doc_.Handle(), kKzTrePage, 0);
  if (page == 0) {
    Msg(std::string("Error creating page:") + kCrLf + kz::GetViDedodedError(), platform::vbCritical);
    return;
  }
  bool dirty = false;
  if (host_.EditPage(doc_.Handle(), page, dirty) != 1) {
    Kz_DeleteHandle(doc_.Handle(), page);
    return;
  }
  pages_.FillPages(doc_.Handle());
  pageRow_ = pages_.IndexOf(page);
  host_.ListReset(tre::kPageList);
  host_.SelectionChanged(tre::kPageList);
  SetCurrentPage(page);
  modified_ = true;
  Changed();
}

void clsTRESession::NewString() {
  if (readOnly_) {
    Msg(tre::ReadOnlyTextsText(), platform::vbInformation);
    return;
  }
  if (!doc_ || currentPage_ == 0) return;
  int32_t str = Kz_CreateObject(currentPage_, kKzTreString, 0);
  if (str == 0) {
    Msg(std::string("Error creating text.") + kCrLf + kz::GetViDedodedError(), platform::vbCritical);
    return;
  }
  bool dirty = false;
  if (host_.EditString(currentPage_, str, dirty) != 1) {
    Kz_DeleteHandle(currentPage_, str);
    return;
  }
  strings_.FillStrings(currentPage_, formatTexts_);
  stringRow_ = strings_.IndexOf(str);
  host_.ListReset(tre::kStringList);
  host_.SelectionChanged(tre::kStringList);
  SetCurrentString(str);
  modified_ = true;
  Changed();
}

void clsTRESession::DeletePage() {
  if (currentPage_ == 0) return;
  if (readOnly_) {
    Msg(tre::ReadOnlyPagesText(false), platform::vbInformation);
    return;
  }
  if (Msg("Do you really want to delete the selected page?", platform::vbYesNo | platform::vbQuestion) != platform::vbYes)
    return;
  int32_t page = currentPage_;
  const int32_t hint = pageRow_;
  SetCurrentPage(0);
  if (Kz_DeleteHandle(doc_.Handle(), page) == 0) {
    Msg(std::string("Error deleting page:") + kCrLf + kz::GetViDedodedError(), platform::vbCritical);
    return;
  }
  int32_t row = hint >= 0 && hint < pages_.Count() && pages_.Handle(hint) == page ? hint : pages_.IndexOf(page);
  if (row >= 0) {
    pages_.Remove(row);
    host_.RowRemoved(tre::kPageList, row);
  }
  // The row that took its place (or the one before the end) is selected now.
  pageRow_ = pages_.Empty() ? -1 : std::min(row < 0 ? 0 : row, pages_.Count() - 1);
  host_.SelectionChanged(tre::kPageList);
  modified_ = true;
  SetCurrentPage(pageRow_ >= 0 ? pages_.Handle(pageRow_) : 0);
}

void clsTRESession::DeleteString() {
  if (currentString_ == 0) return;
  if (readOnly_) {
    Msg(tre::ReadOnlyTextsText(), platform::vbInformation);
    return;
  }
  if (Msg("Do you really want to remove the selected text?", platform::vbYesNo | platform::vbQuestion) != platform::vbYes)
    return;
  int32_t str = currentString_;
  const int32_t hint = stringRow_;
  SetCurrentString(0);
  if (Kz_DeleteHandle(currentPage_, str) == 0) {
    Msg(std::string("Error deleting text.") + kCrLf + kz::GetViDedodedError(), platform::vbCritical);
    return;
  }
  int32_t row = hint >= 0 && hint < strings_.Count() && strings_.Handle(hint) == str ? hint : strings_.IndexOf(str);
  if (row >= 0) {
    strings_.Remove(row);
    host_.RowRemoved(tre::kStringList, row);
  }
  stringRow_ = strings_.Empty() ? -1 : std::min(row < 0 ? 0 : row, strings_.Count() - 1);
  host_.SelectionChanged(tre::kStringList);
  modified_ = true;
  SetCurrentString(stringRow_ >= 0 ? strings_.Handle(stringRow_) : 0);
}

// ---- find ------------------------------------------------------------------------------

bool clsTRESession::SetFindTarget(int32_t list) {
  bool changed = list != findTarget_;
  findTarget_ = list;
  return changed;
}

bool clsTRESession::FindNextItem(bool wholeMatch, bool byID, const std::string& text, int32_t& tag) {
  const clsTRERows& rows = Rows(findTarget_);
  int32_t count = rows.Count();
  if (count == 0) return false;
  int32_t selected = SelectedRow(findTarget_);
  int32_t start = selected >= 0 ? selected + 1 : 1;  // 1-based
  if (tag == start) ++start;
  const std::string search = tre::FoldCase(text);
  std::string folded;
  char id[16];
  for (int32_t i = start; i <= count; ++i) {
    std::string_view compared;
    if (byID) {
      auto r = std::to_chars(id, id + sizeof id, rows.Id(i - 1));
      compared = std::string_view(id, static_cast<size_t>(r.ptr - id));
    } else if (!rows.FoldedKeptText(i - 1, compared)) {
      tre::FoldCaseInto(rows.Text(i - 1), folded);  // a text read on demand
      compared = folded;
    }
    if (!tre::FoldedMatch(compared, search, wholeMatch)) continue;
    tag = i;
    if (findTarget_ == tre::kPageList) {
      pageRow_ = i - 1;
      host_.SelectionChanged(tre::kPageList);
      SetCurrentPage(rows.Handle(i - 1));
    } else {
      stringRow_ = i - 1;
      host_.SelectionChanged(tre::kStringList);
      SetCurrentString(rows.Handle(i - 1));
    }
    return true;
  }
  return false;
}

#pragma once
// The text resource editor's decisions as plain functions: list keys, status and
// caption texts, prompts, the file names of new text resource files and the next free
// file number, the ID and language texts the dialogs accept, and the find compare.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tre {

// The title of the editor's message boxes.
inline constexpr const char* kTitle = "Text Resource Editor";
// Shown file names of the two views that are no file.
inline constexpr const char* kNewDocument = "new document";
inline constexpr const char* kMemoryPages = "pages in memory";

// The open and save dialogs' filters.
inline constexpr const char* kOpenFilter = "Kz Resource Files (*.xml; *.pck; *.cat)|*.xml;*.pck;*.cat|All Files (*.*)|*.*";
inline constexpr const char* kSaveFilter =
    "Kz Resource Files - plain (*.xml)|*.xml|Kz Resource Files - packed (*.pck)|*.pck|Kz Catalogs (*.cat)|*.cat";

// The two lists (and find targets).
enum List : int32_t { kPageList = 0, kStringList = 1 };

// The key of a list item: the handle in decimal followed by "k" (1234 -> "1234k").
std::string ItemKey(int32_t handle);
// Status bar panels: "<n> pages", "<n> strings".
std::string PagesStatus(int64_t count);
std::string StringsStatus(int64_t count);

// The window caption: "Text Resource Editor", then for a shown file
// " [<file> (<language>)]" (an unknown language as "lang ID: <n>", in the read-only
// view left out with its parentheses), then " *" when modified.
std::string CaptionText(const std::string& shownFile, int32_t langID, bool readOnly, bool modified);

// The question before open, new document and the pages in memory, and the one at close.
std::string SavePromptText(const std::string& shownFile);
std::string ClosePromptText(const std::string& shownFile);

// Messages of the read-only view.
std::string ReadOnlyPagesText(bool forEdit);
std::string ReadOnlyTextsText();

// A language typed into the new-file dialog: a whole number from 1 within 32 bits
// (blanks around it allowed). Never throws.
std::optional<int32_t> ParseLanguage(std::string_view text);
// An ID typed into a dialog: empty is 0, else digits (an optional "-") that fit 32
// bits. Never throws.
std::optional<int32_t> ParseId(std::string_view text);
// The refusal of an ID typed into the page or string dialog, "" when ParseId takes it:
// a number past 32 bits is out of range (the range given), anything else no whole
// number. `field` names the box ("Page ID", "ID").
std::string IdInputError(const std::string& field, std::string_view text);
// The refusal of an ID another page of the file, or another text of the page, holds.
std::string PageIdTakenText(int32_t id);
std::string StringIdTakenText(int32_t id);
// The IDs that stand more than once among `ids`, each once, in ascending order.
std::vector<int32_t> DuplicateIds(const std::vector<int32_t>& ids);
// The texts of one page that share IDs.
struct PageDuplicates {
  int32_t pageId = 0;
  std::vector<int32_t> stringIds;
};
// The one message at open on the IDs a file holds more than once ("" when none): the
// page IDs, then each page's text IDs (at most kDuplicateLines lines of pages).
inline constexpr size_t kDuplicateLines = 20;
std::string DuplicateIdsText(const std::vector<int32_t>& pageIds, const std::vector<PageDuplicates>& strings);
// A file number typed into the new-file dialog: empty is none, else 0 to 9999.
std::optional<int32_t> ParseFileNumber(std::string_view text);

// The file number of a text resource file of the language: the name (no folder) is
// exactly the language in at least two digits, four digits and ".xml" or ".pck"
// (without regard to case); none otherwise.
std::optional<int32_t> FileNumberOf(std::string_view fileName, int32_t langID);
// One more than the highest file number of the language among the names, 1 when there
// is none; none when the next number would pass 9999.
std::optional<int32_t> NextFileNumber(const std::vector<std::string>& fileNames, int32_t langID);
// The names of the files in the text folder "t" (found without regard to case) of the
// data folder; empty when there is none or it cannot be read.
std::vector<std::string> TextFolderNames(const std::string& dataRoot);
// The name of a new file: the language in at least two digits, the file number in
// four, ".xml" (44, 12 -> "440012.xml").
std::string NewFileName(int32_t langID, int32_t fileNumber);
// The path a new file is proposed under: <data folder>\t\<name>, or the bare name when
// there is no data folder.
std::string NewFileSavePath(const std::string& dataRoot, const std::string& fileName);

// Find: the text folded for a compare without regard to case (ASCII and the Latin-1
// letters), and whether a folded text matches the folded search text (whole: equal;
// else: contains it).
std::string FoldCase(std::string_view text);
void FoldCaseInto(std::string_view text, std::string& out);
bool FoldedMatch(std::string_view foldedText, std::string_view foldedSearch, bool whole);

}  // namespace tre

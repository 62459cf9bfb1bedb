#include "textres/model/TRERules.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <system_error>

#include "core/Common.h"
#include "core/Generic.h"

namespace tre {

namespace {

constexpr const char* kCrLf = "\r\n";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view Trim(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  return t;
}

bool AllDigits(std::string_view t) {
  return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Digits(int64_t value, int width) {
  char b[32];
  std::snprintf(b, sizeof b, "%0*lld", width, static_cast<long long>(value));
  return b;
}

}  // namespace

std::string ItemKey(int32_t handle) { return std::to_string(handle) + "k"; }
std::string PagesStatus(int64_t count) { return std::to_string(count) + " pages"; }
std::string StringsStatus(int64_t count) { return std::to_string(count) + " strings"; }

std::string CaptionText(const std::string& shownFile, int32_t langID, bool readOnly, bool modified) {
  std::string c = kTitle;
  if (!shownFile.empty()) {
    c += " [" + shownFile;
    std::string name = kz::GetLanguageName(langID);
    // The read-only view leaves an unknown language out (no "lang ID: ").
    if (!name.empty())
      c += " (" + name + ")";
    else if (!readOnly)
      c += " (lang ID: " + std::to_string(langID) + ")";
    c += "]";
  }
  if (modified) c += " *";
  return c;
}

std::string SavePromptText(const std::string& shownFile) {
  return "You have changed data in file " + kz::ExtractFileName(shownFile) + kCrLf + "Do you want to save your changes?";
}

std::string ClosePromptText(const std::string& shownFile) {
  return "You have changed data in file " + shownFile + kCrLf + kCrLf + "Do you want to save your changes?";
}

std::string ReadOnlyPagesText(bool forEdit) {
  if (forEdit)
    return std::string("Pages loaded in memory cannot be modified.") + kCrLf +
           "Open the appropriate file via the Open command and edit them there.";
  return std::string("Pages loaded in memory cannot be modified. ") + kCrLf + "Open the appropriate file and edit them there.";
}

std::string ReadOnlyTextsText() {
  return std::string("Texts loaded in memory cannot be modified. ") + kCrLf + "Open the appropriate file and edit them there.";
}

std::optional<int32_t> ParseLanguage(std::string_view text) {
  text = Trim(text);
  if (!AllDigits(text)) return std::nullopt;
  int32_t v = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v < 1) return std::nullopt;
  return v;
}

std::optional<int32_t> ParseId(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return 0;
  std::string_view digits = text.front() == '-' ? text.substr(1) : text;
  if (!AllDigits(digits)) return std::nullopt;
  int32_t v = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  return v;
}

std::string IdInputError(const std::string& field, std::string_view text) {
  if (ParseId(text)) return {};
  std::string_view t = Trim(text);
  if (AllDigits(!t.empty() && t.front() == '-' ? t.substr(1) : t))
    return field + ": Entered value is out of range. It must be a whole number from -2147483648 to 2147483647.";
  return kz::InvalidValueText(field, 0);
}

std::string PageIdTakenText(int32_t id) {
  return "The file already has a page with the ID " + std::to_string(id) + "." + kCrLf +
         "Each page needs an ID of its own.";
}

std::string StringIdTakenText(int32_t id) {
  return "This page already has a text with the ID " + std::to_string(id) + "." + kCrLf +
         "Each text of a page needs an ID of its own.";
}

std::vector<int32_t> DuplicateIds(const std::vector<int32_t>& ids) {
  // The usual file numbers its pages and texts in rising order: nothing to sort then.
  if (std::adjacent_find(ids.begin(), ids.end(), std::greater_equal<int32_t>()) == ids.end()) return {};
  std::vector<int32_t> sorted(ids);
  std::sort(sorted.begin(), sorted.end());
  std::vector<int32_t> out;
  for (size_t i = 1; i < sorted.size(); ++i)
    if (sorted[i] == sorted[i - 1] && (out.empty() || out.back() != sorted[i])) out.push_back(sorted[i]);
  return out;
}

namespace {
std::string IdList(const std::vector<int32_t>& ids) {
  std::string s;
  for (int32_t id : ids) {
    if (!s.empty()) s += ", ";
    s += std::to_string(id);
  }
  return s;
}
}  // namespace

std::string DuplicateIdsText(const std::vector<int32_t>& pageIds, const std::vector<PageDuplicates>& strings) {
  if (pageIds.empty() && strings.empty()) return {};
  std::string s = std::string("This file holds IDs more than once; the game reaches only one of each:") + kCrLf;
  if (!pageIds.empty()) s += "pages: " + IdList(pageIds) + kCrLf;
  const size_t shown = std::min(strings.size(), kDuplicateLines);
  for (size_t i = 0; i < shown; ++i)
    s += "texts of page " + std::to_string(strings[i].pageId) + ": " + IdList(strings[i].stringIds) + kCrLf;
  if (strings.size() > shown) s += "and texts of " + std::to_string(strings.size() - shown) + " more pages" + kCrLf;
  s += "The file is kept as it stands.";
  return s;
}

std::optional<int32_t> ParseFileNumber(std::string_view text) {
  text = Trim(text);
  if (!AllDigits(text) || text.size() > 9) return std::nullopt;
  int32_t v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  if (v > 9999) return std::nullopt;
  return v;
}

std::optional<int32_t> FileNumberOf(std::string_view fileName, int32_t langID) {
  if (langID < 1) return std::nullopt;
  std::string lang = Digits(langID, 2);
  if (fileName.size() != lang.size() + 4 + 4) return std::nullopt;
  if (fileName.substr(0, lang.size()) != lang) return std::nullopt;
  std::string_view number = fileName.substr(lang.size(), 4);
  std::string_view ext = fileName.substr(lang.size() + 4);
  if (!AllDigits(number) || !(EqualNoCase(ext, ".xml") || EqualNoCase(ext, ".pck"))) return std::nullopt;
  int32_t v = 0;
  std::from_chars(number.data(), number.data() + number.size(), v);
  return v;
}

std::optional<int32_t> NextFileNumber(const std::vector<std::string>& fileNames, int32_t langID) {
  int32_t highest = 0;
  for (const std::string& name : fileNames)
    if (auto n = FileNumberOf(name, langID)) highest = std::max(highest, *n);
  if (highest >= 9999) return std::nullopt;
  return highest + 1;
}

std::vector<std::string> TextFolderNames(const std::string& dataRoot) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  if (dataRoot.empty()) return names;
  std::error_code ec;
  fs::path folder;
  for (fs::directory_iterator it(fs::path(dataRoot), ec), end; !ec && it != end; it.increment(ec)) {
    if (EqualNoCase(it->path().filename().string(), "t") && it->is_directory(ec)) {
      folder = it->path();
      break;
    }
  }
  if (folder.empty()) return names;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec)) names.push_back(it->path().filename().string());
  return names;
}

std::string NewFileName(int32_t langID, int32_t fileNumber) { return Digits(langID, 2) + Digits(fileNumber, 4) + ".xml"; }

std::string NewFileSavePath(const std::string& dataRoot, const std::string& fileName) {
  if (dataRoot.empty()) return fileName;
  return kz::BuildPath(dataRoot, "t", fileName);
}

void FoldCaseInto(std::string_view text, std::string& out) {
  out.resize(text.size());
  char* o = out.data();
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c + 32);
    } else if (c == '\xC3' && i + 1 < text.size()) {
      // Latin-1 capitals U+00C0..U+00DE (not U+00D7) are C3 80..C3 9E.
      unsigned char n = static_cast<unsigned char>(text[i + 1]);
      o[i] = c;
      ++i;
      o[i] = (n >= 0x80 && n <= 0x9E && n != 0x97) ? static_cast<char>(n + 0x20) : static_cast<char>(n);
      continue;
    }
    o[i] = c;
  }
}

std::string FoldCase(std::string_view text) {
  std::string out;
  FoldCaseInto(text, out);
  return out;
}

bool FoldedMatch(std::string_view foldedText, std::string_view foldedSearch, bool whole) {
  if (whole) return foldedText == foldedSearch;
  return foldedText.find(foldedSearch) != std::string_view::npos;
}

}  // namespace tre

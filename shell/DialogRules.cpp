#include "shell/DialogRules.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "core/Common.h"
#include "core/LibBindings.h"
#include "gamelibs/zuzer/zuzer.h"
#include "core/Variant.h"

namespace kz {

namespace {

std::vector<std::string> SplitAt(std::string_view text, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t pos = text.find(sep, start);
    if (pos == std::string_view::npos) {
      parts.emplace_back(text.substr(start));
      return parts;
    }
    parts.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
  }
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::size_t LastSeparator(std::string_view s) { return s.find_last_of("\\/"); }

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::vector<FileFilter> ParseFilterString(std::string_view filter) {
  std::vector<FileFilter> out;
  if (filter.empty()) return out;
  std::vector<std::string> parts = SplitAt(filter, '|');
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) out.push_back({parts[i], parts[i + 1]});
  return out;
}

std::vector<std::string> SplitPatternMasks(std::string_view pattern) {
  std::vector<std::string> masks;
  for (const std::string& m : SplitAt(pattern, ';')) {
    std::string_view t = Trim(m);
    if (!t.empty()) masks.emplace_back(t);
  }
  return masks;
}

std::string CatalogListPattern(std::string_view pattern) {
  if (pattern == "*.*") return "*";
  return std::string(pattern);
}

int FilterPosition(int32_t filterIndex, std::size_t count) {
  if (count == 0) return -1;
  if (filterIndex >= 1 && static_cast<std::size_t>(filterIndex) <= count) return filterIndex - 1;
  return 0;
}

std::string PathExtension(std::string_view path) {
  std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return {};
  return std::string(path.substr(dot + 1));
}

int32_t MatchSaveFilterIndex(std::string_view filter, std::string_view fileName,
                             int32_t currentIndex) {
  if (fileName.empty()) return currentIndex;
  const std::string ext = PathExtension(fileName);
  const std::vector<FileFilter> filters = ParseFilterString(filter);
  // The patterns are the parts at even positions; an unpaired description has none.
  for (std::size_t n = 0; n < filters.size(); ++n) {
    for (const std::string& mask : SplitAt(filters[n].Pattern, ';')) {
      if (PathExtension(mask) == ext) return static_cast<int32_t>(n + 1);
    }
  }
  return currentIndex;
}

std::string DefaultExtensionOf(std::string_view pattern) {
  std::vector<std::string> masks = SplitPatternMasks(pattern);
  if (masks.empty()) return {};
  std::string ext = PathExtension(masks.front());
  if (ext.empty()) return {};
  if (ext.find_first_of("*?[]\\/") != std::string::npos) return {};
  return ext;
}

std::string WithDefaultExtension(std::string_view name, std::string_view pattern) {
  // The name's own extension counts only within its last part.
  std::string_view last = name;
  if (std::size_t sep = LastSeparator(name); sep != std::string_view::npos)
    last = name.substr(sep + 1);
  if (last.find('.') != std::string_view::npos) return std::string(name);
  std::string ext = DefaultExtensionOf(pattern);
  if (ext.empty()) return std::string(name);
  return std::string(name) + "." + ext;
}

bool IsCatalogDialogPath(std::string_view path) {
  if (path.find("::") != std::string_view::npos) return true;
  return EqualsNoCase(PathExtension(path), "cat");
}

std::string CatalogStartFolder(std::string_view path) {
  std::string catalog = GetCatalogPart(path);
  std::size_t sep = LastSeparator(catalog);
  if (sep == std::string::npos) return {};
  if (sep == 0) return catalog.substr(0, 1);  // a catalog in the root folder
  return catalog.substr(0, sep);
}

std::string CatalogDisplayName(std::string_view catalog) {
  std::size_t sep = LastSeparator(catalog);
  if (sep == std::string_view::npos) return {};
  return std::string(catalog.substr(sep + 1));
}

std::string CatalogResultPath(std::string_view catalog, std::string_view inner) {
  if (catalog == kVfsPrefix) return std::string(kVfsPrefix) + std::string(inner);
  return std::string(catalog) + "::" + std::string(inner);
}

BrowserStart SplitBrowserStart(std::string_view fileName, bool openMode) {
  BrowserStart start;
  if (openMode && fileName.substr(0, kVfsPrefix.size()) == kVfsPrefix)
    fileName.remove_prefix(kVfsPrefix.size());
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= fileName.size(); ++i) {
    if (i == fileName.size() || IsSeparator(fileName[i])) {
      if (i > begin) start.Folders.emplace_back(fileName.substr(begin, i - begin));
      begin = i + 1;
    }
  }
  if (!start.Folders.empty()) {
    start.Name = std::move(start.Folders.back());
    start.Folders.pop_back();
  }
  return start;
}

std::string FolderPrefix(const std::vector<std::string>& folders) {
  std::string out;
  for (const std::string& f : folders) {
    out += f;
    out += '\\';
  }
  return out;
}

std::string BrowserListPattern(const std::vector<std::string>& folders, std::string_view pattern) {
  return FolderPrefix(folders) + std::string(pattern);
}

std::string FolderEntryText(int depth, std::string_view folder) {
  return std::string(static_cast<std::size_t>(std::max(depth, 0)) * 4, ' ') + std::string(folder);
}

bool CheckBrowserName(std::string_view name, std::string& why) {
  if (name.empty()) {
    why = "Please enter a file name.";
    return false;
  }
  if (name.find(':') != std::string_view::npos) {
    why = "The name " + std::string(name) + " must not contain \":\".";
    return false;
  }
  if (name.find_first_of("*?") != std::string_view::npos) {
    why = "The name " + std::string(name) + " must not contain \"*\" or \"?\".";
    return false;
  }
  if (IsSeparator(name.front())) {
    why = "The name " + std::string(name) + " must be relative to the current folder.";
    return false;
  }
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || IsSeparator(name[i])) {
      std::string_view part = name.substr(begin, i - begin);
      if (part == "." || part == "..") {
        why = "The name " + std::string(name) + " must not contain \".\" or \"..\" folders.";
        return false;
      }
      begin = i + 1;
    }
  }
  return true;
}

TypedName ReadTypedName(std::string_view typed, std::string_view catalog) {
  auto backslashed = [](std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
  };
  TypedName r;
  if (const std::size_t sep = typed.find("::"); sep != std::string_view::npos) {
    r.What = TypedName::Kind::Outside;
    std::string cat(typed.substr(0, sep));
    if (LastSeparator(cat) == std::string::npos && catalog != kVfsPrefix) {
      const std::string folder = CatalogStartFolder(catalog);
      if (!folder.empty()) cat = folder == "/" ? "/" + cat : folder + "/" + cat;
    }
    r.Path = cat + "::" + backslashed(typed.substr(sep + 2));
    return r;
  }
  if (!typed.empty() && typed.front() == '/') {
    r.What = TypedName::Kind::Outside;
    r.Path = std::string(typed);
    return r;
  }
  if (catalog == kVfsPrefix && typed.size() >= kVfsPrefix.size() &&
      EqualsNoCase(typed.substr(0, kVfsPrefix.size()), kVfsPrefix)) {
    typed.remove_prefix(kVfsPrefix.size());
    r.FromRoot = true;
  }
  r.Path = backslashed(typed);
  return r;
}

LangIdCheck ParseLanguageID(std::string_view text, int32_t& id) {
  double v = 0;
  if (!TryParseNumber(text, v) || !std::isfinite(v) || v != std::floor(v)) return LangIdCheck::NotANumber;
  if (v < 1 || v > 2147483647.0) return LangIdCheck::OutOfRange;
  id = static_cast<int32_t>(v);
  return LangIdCheck::Ok;
}

SettingsReload DecideSettingsReload(std::string_view oldDataRoot, std::string_view newDataRoot,
                                    bool oldLoadDesc, bool newLoadDesc, int32_t oldLang, int32_t newLang) {
  SettingsReload r;
  r.DataFolderChanged = !EqualsNoCase(oldDataRoot, newDataRoot);
  const bool descChanged = oldLoadDesc != newLoadDesc || oldLang != newLang;
  // A data reload loads the descriptions itself (when they are on).
  r.LoadDescriptions = newLoadDesc && descChanged && !r.DataFolderChanged;
  r.UnloadDescriptions = !newLoadDesc;
  return r;
}

std::string LanguageEntryText(int32_t id, std::string_view name) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%02d - ", id);
  return buf + std::string(name);
}

namespace {

void WalkLevel(const std::vector<std::string>& parts, const std::string& prefix, std::size_t level,
               std::vector<VfsFileRow>& rows) {
  // A guard against a file system that would report a folder inside itself.
  constexpr std::size_t kMaxDepth = 64;
  if (level > kMaxDepth) return;
  const std::string pattern = (level < parts.size() && !parts[level].empty()) ? parts[level] : "*";
  const std::string search = prefix.empty() ? pattern : prefix + "\\" + pattern;
  ZuZERFindData data{};
  const int32_t h = ZuZER_FindFirstFile(search.c_str(), &data);
  if (h) {
    std::vector<std::string> folders;
    std::vector<VfsFileRow> files;
    do {
      const std::string name = CutAtNul(data.name, sizeof data.name);
      const std::string full = prefix.empty() ? name : prefix + "\\" + name;
      if ((data.kind & 2) != 0) {
        folders.push_back(full);
      } else {
        files.push_back({full, CutAtNul(data.path, sizeof data.path)});
      }
      data = ZuZERFindData{};
    } while (ZuZER_FindNextFile(h, &data) != 0);
    ZuZER_FindClose(h);
    // The file system gives folders before files; their contents come first, as a walk
    // into each folder when it is met would give them. The level's find is closed
    // before, so only one find is open at a time.
    for (const std::string& f : folders) WalkLevel(parts, f, level + 1, rows);
    rows.insert(rows.end(), files.begin(), files.end());
  } else {
    ZuZER_FindClose(h);
  }
}

}  // namespace

std::vector<VfsFileRow> WalkVfsFiles(std::string_view filterText) {
  std::vector<std::string> parts;
  if (!filterText.empty()) parts = SplitAt(filterText, '\\');
  std::vector<VfsFileRow> rows;
  WalkLevel(parts, std::string(), 0, rows);
  return rows;
}

}  // namespace kz

#include "core/Common.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "core/Generic.h"
#include "platform/Ui.h"
#include "rudu.h"

namespace kz {

namespace {
char Fold(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool EqualNoCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

std::string Fixed3(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", value);
  return buf;
}
}  // namespace

const std::string& GetAppTitle() {
  static const std::string kTitle = "Ze Zuzazo";
  return kTitle;
}

std::string GetAppTitleVersion() { return GetAppTitle() + " " + GetAppVersion(); }

std::string LookupName(const NameTable& names, int64_t index, bool naOutside) {
  if (!names.Contains(index)) return naOutside ? "N/A" : "";
  const std::string& s = names.At(index);
  return s.empty() ? "Unknown value" : s;
}

std::string LookupNameRaw(const NameTable& names, int64_t index) { return names.At(index); }

bool FindStringIndex(std::string_view s, const NameTable& names, int32_t& index) {
  for (int32_t i = names.LBound(); i <= names.UBound(); ++i) {
    if (names.At(i) == s) {
      index = i;
      return true;
    }
  }
  return false;
}

void CheckListIndex(int64_t index, int64_t lo, int64_t hi, const std::string& source) {
  if (index < lo || index > hi) throw AppError(kErrShipIndex, source, "List index out of bounds.");
}

std::string GetLanguageName(int32_t langID) {
  const auto& ids = mdlKzConst::LanguageIDs;
  for (size_t i = 0; i < ids.size(); ++i)
    if (ids[i] == langID) return mdlKzConst::LanguageNames.At(static_cast<int64_t>(i));
  return {};
}

std::string InvalidValueText(const std::string& field, int32_t kind) {
  std::string text;
  if (!field.empty()) text = field + ": ";
  text += "Entered value is incorrect. It must be ";
  text += kind == 0 ? "whole number" : kind == 1 ? "float number" : "string";
  text += ".";
  return text;
}

void MsgInvalidValue(const std::string& field, int32_t kind, void* owner) {
  platform::Ui::Instance().MsgBox(InvalidValueText(field, kind), platform::vbExclamation, GetAppTitle(), owner);
}

bool ConfirmOverwrite(const std::string& path, const std::string& title, void* owner) {
  if (RuDU_FileExists(path.c_str()) == 0) return true;
  std::string text = path + " already exists.\r\nDo you want to overwrite it?";
  int32_t answer = platform::Ui::Instance().MsgBox(text, platform::vbYesNo | platform::vbQuestion,
                                                   title.empty() ? GetAppTitle() : title, owner);
  return answer != platform::vbNo;
}

bool IsCatalogPath(std::string_view path) noexcept { return path.find("::") != std::string_view::npos; }

int32_t SaveKindForFilter(int32_t filterIndex, std::string_view path) noexcept {
  if (filterIndex == 1) return 1;
  if (filterIndex == 2) return 2;
  const size_t dot = path.rfind('.');
  const size_t sep = path.find_last_of("/\\:");
  if (dot == std::string_view::npos || (sep != std::string_view::npos && sep > dot)) return 1;
  std::string_view ext = path.substr(dot + 1);
  const bool packed = ext.size() == 3 && (ext[0] | 0x20) == 'p' && (ext[1] | 0x20) == 'c' && (ext[2] | 0x20) == 'k';
  return packed ? 2 : 1;
}

std::string GetCatalogPart(std::string_view path) {
  auto at = path.find("::");
  return std::string(at == std::string_view::npos ? path : path.substr(0, at));
}

std::string GetCatalogFilePart(std::string_view path) {
  auto at = path.find("::");
  return at == std::string_view::npos ? std::string() : std::string(path.substr(at + 2));
}

std::string SplitCatalogPath(std::string_view path, std::string& catalog) {
  auto at = path.find("::");
  if (at == std::string_view::npos) return std::string(path);
  catalog = std::string(path.substr(0, at));
  return std::string(path.substr(at + 2));
}

bool IsVFSPath(std::string_view path) noexcept { return path.substr(0, 6) == "vfs://"; }

std::string StripVFSPrefix(std::string_view path) {
  return IsVFSPath(path) ? std::string(path.substr(6)) : std::string();
}

void AddToMRU(const std::string& name, std::vector<std::string>& list) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (EqualNoCase(*it, name)) {
      list.erase(it);
      break;
    }
  }
  list.insert(list.begin(), name);
  if (list.size() > static_cast<size_t>(kMaxRecentFiles)) list.resize(kMaxRecentFiles);
}

void AddToMRU(const std::string& name, Collection<std::string>& list) {
  for (int32_t i = 1; i <= list.Count(); ++i) {
    if (EqualNoCase(list.Item(i), name)) {
      list.Remove(i);
      break;
    }
  }
  if (list.Empty())
    list.Add(name);
  else
    list.Add(name, {}, 1);
  while (list.Count() > kMaxRecentFiles) list.Remove(list.Count());
}

void RemoveFromMRU(const std::string& name, std::vector<std::string>& list) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (*it == name) {
      list.erase(it);
      return;
    }
  }
}

void RemoveFromMRU(const std::string& name, Collection<std::string>& list) {
  for (int32_t i = 1; i <= list.Count(); ++i) {
    if (list.Item(i) == name) {
      list.Remove(i);
      return;
    }
  }
}

std::string FormatDistance(double units, bool noUnit, bool nautical) {
  double metres = units / 500.0;
  std::string text, unit;
  if (nautical) {
    text = Fixed3(metres / 1852.0) + " ";
    unit = "nm";
  } else if (noUnit || metres < 1000.0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", std::round(metres));
    text = buf;
    if (text == "-0") text = "0";
    unit = "m";
  } else {
    text = Fixed3(metres / 1000.0);
    unit = "km";
  }
  if (!noUnit) text += " " + unit;
  return text;
}

bool NewObjectNumber(const std::string& name, int64_t& value) {
  if (name.find("NEW_OBJECT") == std::string::npos) return false;
  std::string rest = name.size() > 10 ? name.substr(10) : std::string();
  if (rest.size() > 1) rest.erase(0, 1);
  double d = 0;
  if (rest.empty() || !TryParseNumber(rest, d) || !std::isfinite(d)) return false;
  d = std::nearbyint(d);
  if (d < std::numeric_limits<int32_t>::min() || d > std::numeric_limits<int32_t>::max()) return false;
  value = static_cast<int64_t>(d);
  return true;
}

std::string NewObjectNameAfter(int64_t highest) { return "NEW_OBJECT_" + std::to_string(highest + 1); }

bool FieldCaptionFor(int32_t size, int32_t index, std::string& caption) {
  if (index >= 0 && index <= 6) {
    caption = LookupName(mdlKzConst::CommonFieldLabels, index, true);
    return true;
  }
  if (index >= 0 && int64_t(index) >= int64_t(size) - 10) {
    caption = LookupName(mdlKzConst::WareTailLabels, int64_t(size) - index - 2, true);
    return true;
  }
  return false;
}

}  // namespace kz

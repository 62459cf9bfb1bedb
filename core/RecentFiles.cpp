// clsSettings: recent-file lists, window places and launcher captions.
#include "core/RecentFiles.h"

#include <algorithm>

#include "core/Generic.h"
#include "core/Settings.h"
#include "platform/Registry.h"

using kz::Variant;
using namespace platform;

namespace {

constexpr const char* kRecentTFiles = "TXTEditor";
constexpr const char* kRecentMaps = "GEditor";
constexpr int32_t kRecentLoadCount = 5;  // "0" to "4"

void Close(int32_t key) {
  if (key != 0 && key != -1) RegCloseKey(key);
}

int32_t Create(int32_t parent, const char* path) {
  if (parent == 0 || parent == -1) return -1;
  int32_t key = 0;
  if (RegCreateKeyA(parent, path, &key) != ERROR_SUCCESS || key == 0) return -1;
  return key;
}

int32_t Open(int32_t parent, const char* path) {
  if (parent == 0 || parent == -1) return -1;
  int32_t key = 0;
  if (RegOpenKeyA(parent, path, &key) != ERROR_SUCCESS || key == 0) return -1;
  return key;
}

// Deletes every value of an open key.
void DeleteAllValues(int32_t key) {
  std::vector<std::string> names;
  for (uint32_t i = 0;; ++i) {
    char name[256];
    uint32_t size = sizeof name;
    int32_t rc = RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) continue;  // a name too long for the buffer: passed over
    names.emplace_back(name, size);
  }
  for (const std::string& n : names) RegDeleteValueA(key, n.c_str());
}

}  // namespace

void clsSettings::SaveRecentList(const char* subkey, const std::vector<std::string>& list) {
  int32_t root = OpenRootHandleUser();
  int32_t mru = Create(root, "mru");
  int32_t key = Create(mru, subkey);
  if (key != -1) {
    // The list replaces the stored one whole: no entry of a longer earlier list stays.
    DeleteAllValues(key);
    for (size_t i = 0; i < list.size(); ++i) kz::SetRegValue(key, std::to_string(i), Variant(list[i]));
  }
  Close(key);
  Close(mru);
  Close(root);
}

std::vector<std::string> clsSettings::LoadRecentList(const char* subkey) const {
  std::vector<std::string> list;
  int32_t root = OpenRootHandleUser();
  int32_t mru = Open(root, "mru");
  int32_t key = Open(mru, subkey);
  if (key != -1) {
    for (int32_t i = 0; i < kRecentLoadCount; ++i) {
      std::string name = std::to_string(i);
      uint32_t type = 0, size = 0;
      if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
          type != REG_SZ)
        continue;
      std::string text;
      if (kz::GetRegValue(key, name, text)) list.push_back(std::move(text));
    }
  }
  Close(key);
  Close(mru);
  Close(root);
  return list;
}

void clsSettings::SaveRecentTFiles(const std::vector<std::string>& list) { SaveRecentList(kRecentTFiles, list); }
void clsSettings::SaveRecentGalaxyMaps(const std::vector<std::string>& list) { SaveRecentList(kRecentMaps, list); }
std::vector<std::string> clsSettings::LoadRecentTFiles() const { return LoadRecentList(kRecentTFiles); }
std::vector<std::string> clsSettings::LoadRecentGalaxyMaps() const { return LoadRecentList(kRecentMaps); }

void clsSettings::SaveWindowPos(const kz::WindowPlace& window, const std::string& key) {
  int32_t root = OpenRootHandleUser();
  int32_t sub = Create(root, key.c_str());
  if (sub != -1) {
    int32_t state = window.GetWindowState();
    if (state != kz::kWindowMaximized) state = kz::kWindowNormal;
    // The normal rectangle also for a maximised or minimised window, so that the window
    // comes back to its own place when it is restored.
    kz::WindowRect r = window.GetNormalRect();
    kz::SetRegValue(sub, "state", Variant(state));
    kz::SetRegValue(sub, "left", Variant(r.left));
    kz::SetRegValue(sub, "top", Variant(r.top));
    kz::SetRegValue(sub, "width", Variant(static_cast<int32_t>(int64_t(r.right) - r.left)));
    kz::SetRegValue(sub, "height", Variant(static_cast<int32_t>(int64_t(r.bottom) - r.top)));
  }
  Close(sub);
  Close(root);
}

bool clsSettings::LoadWindowPos(kz::WindowPlace& window, const std::string& key, int32_t defaultWidth,
                                int32_t defaultHeight) {
  int32_t root = OpenRootHandleUser();
  int32_t sub = Create(root, key.c_str());
  if (sub == -1) {
    Close(root);
    return false;
  }
  auto number = [sub](const char* name, int32_t def) {
    int32_t v = def;
    uint32_t type = 0, size = 0;
    if (RegQueryValueExA(sub, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_DWORD)
      return def;
    if (!kz::GetRegValue(sub, name, v)) return def;
    return v;
  };
  int32_t state = number("state", kz::kWindowNormal);
  // Only the normal and the maximised state are restored; a minimised or unknown
  // state opens the window normally.
  if (state != kz::kWindowMaximized) state = kz::kWindowNormal;
  int32_t left = std::max(number("left", 0), 0);
  int32_t top = std::max(number("top", 0), 0);
  int32_t width = number("width", window.ScaleXToPixels(defaultWidth));
  int32_t height = number("height", window.ScaleYToPixels(defaultHeight));
  // The stored rectangle is the normal one (also for a window saved maximised).
  window.MoveWindow(left, top, width, height);
  window.SetWindowState(state);
  Close(sub);
  Close(root);
  return true;
}

void clsSettings::SaveIcons(const kz::IconList& icons) {
  int32_t root = OpenRootHandleUser();
  int32_t main = Create(root, "main");
  int32_t iconsKey = Create(main, "icons");
  if (iconsKey != -1) {
    for (int32_t i = 0; i < icons.ItemCount(); ++i) {
      std::string itemKey = icons.ItemKey(i);
      if (itemKey.empty()) continue;
      int32_t item = Create(iconsKey, itemKey.c_str());
      if (item != -1) kz::SetRegValue(item, "caption", Variant(icons.ItemCaption(i)));
      Close(item);
    }
  }
  Close(iconsKey);
  Close(main);
  Close(root);
}

void clsSettings::LoadIcons(kz::IconList& icons) {
  int32_t root = OpenRootHandleUser();
  int32_t main = Create(root, "main");
  int32_t iconsKey = Open(main, "icons");
  if (iconsKey != -1) {
    for (uint32_t i = 0;; ++i) {
      char name[256];
      int32_t rc = RegEnumKeyA(iconsKey, i, name, sizeof name);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc != ERROR_SUCCESS) continue;  // a name too long: passed over, the rest still load
      std::string itemKey = name;
      int32_t index = icons.FindItemByKey(itemKey);
      if (index < 0) continue;
      int32_t item = Open(iconsKey, itemKey.c_str());
      std::string caption = item != -1 ? RegGetStringValue(item, "caption") : std::string();
      bool present = false;
      if (item != -1) {
        uint32_t type = 0, size = 0;
        present = RegQueryValueExA(item, "caption", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
                  type == REG_SZ;
      }
      icons.SetItemCaption(index, present ? caption : itemKey);
      Close(item);
    }
  }
  Close(iconsKey);
  Close(main);
  Close(root);
}

#include "typefiles/DescServer.h"

#include <cstring>

#include "core/LibBindings.h"
#include "core/ViDedodedBindings.h"
#include "rudu/rudu.h"
#include "videdoded/videdoded.h"
#include "zuzer/zuzer.h"

DescServerPtr DescServer;

namespace {

struct StoreListener {
  int32_t id;
  std::function<void()> fn;
};

std::vector<StoreListener>& StoreListeners() {
  static std::vector<StoreListener> listeners;
  return listeners;
}

constexpr const char* kCrLf = "\r\n";

// A fixed-size text field of a find record, cut at its first NUL.
std::string FieldText(const char* field, size_t size) {
  const void* nul = std::memchr(field, 0, size);
  return std::string(field, nul ? static_cast<const char*>(nul) - field : size);
}

// The file name without its folder ("\" or "/").
std::string_view BaseName(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The name up to its first dot.
std::string_view Stem(std::string_view name) {
  size_t dot = name.find('.');
  return dot == std::string_view::npos ? name : name.substr(0, dot);
}

bool IsExtensionOfResource(std::string_view ext) {
  // ext is the part after the first dot ("xml", "pck", "xml.pck"), compared without case.
  auto eq = [](std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      char c = a[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != b[i]) return false;
    }
    return true;
  };
  return eq(ext, "xml") || eq(ext, "pck") || eq(ext, "xml.pck");
}

}  // namespace

int32_t clsDescServer::LanguageOfFileName(std::string_view fileName) {
  std::string_view name = BaseName(fileName);
  std::string_view stem = Stem(name);
  if (stem.size() < name.size() && !IsExtensionOfResource(name.substr(stem.size() + 1))) return 0;
  if (stem.size() < 5) return 0;
  for (char c : stem)
    if (c < '0' || c > '9') return 0;
  std::string_view lead = stem.substr(0, stem.size() - 4);
  int64_t lang = 0;
  for (char c : lead) {
    lang = lang * 10 + (c - '0');
    if (lang > INT32_MAX) return 0;
  }
  return static_cast<int32_t>(lang);
}

std::vector<std::string> clsDescServer::ListResourceFiles(int32_t langID) {
  std::vector<std::string> paths;
  std::vector<std::string> names;  // the file names of `paths`, index for index
  if (langID > 0) {
    ZuZERFindData fd;
    std::memset(&fd, 0, sizeof fd);
    int32_t find = ZuZER_FindFirstFile("t\\*", &fd);
    if (find != 0) {
      do {
        if ((fd.kind & 2) == 0) {
          std::string name = FieldText(fd.name, sizeof fd.name);
          if (LanguageOfFileName(name) == langID) {
            std::string path = FieldText(fd.path, sizeof fd.path);
            // Before the first listed file whose name is greater than this one's name
            // without extension: ascending file numbers, so later files win.
            std::string_view stem = Stem(name);
            size_t at = 0;
            while (at < names.size() && !(std::string_view(names[at]) > stem)) ++at;
            paths.insert(paths.begin() + static_cast<std::ptrdiff_t>(at), std::move(path));
            names.insert(names.begin() + static_cast<std::ptrdiff_t>(at), std::move(name));
          }
        }
        std::memset(&fd, 0, sizeof fd);
      } while (ZuZER_FindNextFile(find, &fd) != 0);
    }
    ZuZER_FindClose(find);
  }
  if (paths.empty())
    SetError("No XML/PCK resource files with LangID=" + std::to_string(langID) + " found.");
  else
    langID_ = langID;
  return paths;
}

int32_t clsDescServer::AddStoreListener(std::function<void()> listener) {
  static int32_t next = 0;
  StoreListeners().push_back({++next, std::move(listener)});
  return next;
}

void clsDescServer::RemoveStoreListener(int32_t id) {
  auto& l = StoreListeners();
  for (auto it = l.begin(); it != l.end(); ++it)
    if (it->id == id) {
      l.erase(it);
      return;
    }
}

void clsDescServer::NotifyStoreChanged() {
  // A copy: a listener may add or remove listeners.
  std::vector<StoreListener> now = StoreListeners();
  for (const StoreListener& l : now) {
    bool live = false;
    for (const StoreListener& x : StoreListeners()) live = live || x.id == l.id;
    if (live && l.fn) l.fn();
  }
}

bool clsDescServer::LoadResources(int32_t langID) {
  struct Notify {
    ~Notify() { NotifyStoreChanged(); }
  };
  lastError_.clear();
  if (langID <= 0) {
    SetError("Invalid language ID " + std::to_string(langID) + ": a language ID must be above 0.");
    return false;
  }
  Notify notify;
  Kz_TREDescServerUnload();
  Kz_TRESetLangID(kKzStoreHandle, langID);
  std::vector<std::string> files = ListResourceFiles(langID);
  if (files.empty()) return false;  // the search set the error text

  std::string errors;
  auto addLine = [&errors](const std::string& line) {
    if (!errors.empty()) errors += kCrLf;
    errors += line;
  };
  for (const std::string& path : files) {
    int32_t file = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    if (file == 0) {
      addLine("Error opening file \"" + path + "\":" + kCrLf + kz::GetRuDUError());
    } else {
      if (Kz_TREDescServerLoadFile(file) == 0) addLine(path + ":" + kCrLf + kz::GetViDedodedError());
      RuDU_CloseFile(file);
    }
  }
  Kz_TREDescServerTranslateStrings();
  lastError_ = std::move(errors);
  return lastError_.empty();
}

void clsDescServer::Unload() {
  Kz_TREDescServerUnload();
  NotifyStoreChanged();
}

int32_t clsDescServer::FindString(int32_t page, int32_t id) { return Kz_TREFindString(kKzStoreHandle, page, id); }

std::string clsDescServer::StringText(int32_t handle) {
  if (handle == 0) return {};
  int32_t id = 0;
  std::string raw, text;
  if (Kz_TREGetStringInfo(handle, id, raw, text) == 0) return {};
  return text;
}

std::string clsDescServer::FindStringText(int32_t page, int32_t id) { return StringText(FindString(page, id)); }

int32_t clsDescServer::GetString(int32_t page, int32_t id) const { return FindString(page, id); }

std::string clsDescServer::GetStringDirect(int32_t page, int32_t id) const {
  int32_t handle = FindString(page, id);
  if (handle != 0) return StringText(handle);
  return "[string " + std::to_string(page) + ":" + std::to_string(id) + "]";
}

std::string clsDescServer::GetStringDirect(int32_t page, int32_t id, std::string_view defaultText) const {
  int32_t handle = FindString(page, id);
  if (handle != 0) return StringText(handle);
  return std::string(defaultText);
}

int32_t clsDescServer::OpenFile(const std::string& path) {
  lastError_.clear();
  int32_t file = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  if (file == 0) {
    SetError("Error opening file \"" + path + "\":" + kCrLf + kz::GetRuDUError());
    return 0;
  }
  int32_t doc = Kz_LoadFromFile(file, kKzLoadTextResource);
  if (doc == 0) SetError("Error loading file \"" + path + "\":" + kCrLf + kz::GetViDedodedError());
  RuDU_CloseFile(file);
  return doc;
}

bool clsDescServer::SaveFile(int32_t, const std::string&) { return false; }

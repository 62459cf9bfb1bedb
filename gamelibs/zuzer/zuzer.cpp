// The C entry points of the virtual file system (see zuzer.h).
#include "zuzer.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "EntryIndex.h"
#include "ShareWork.h"
#include "Wildcard.h"
#include "rudu/CatalogIndex.h"
#include "rudu/ErrorStore.h"
#include "rudu/FileObject.h"
#include "rudu/HandleTable.h"
#include "rudu/PathResolver.h"

static_assert(sizeof(ZuZERFindData) == 516, "the find record is 516 bytes");

namespace {

using zuzer::EntryIndex;
using zuzer::FindRecord;

thread_local rudu::ErrorStore t_error;
using rudu::Quoted;

int32_t Fail(int32_t code, std::string text) {
  t_error.Set(code, std::move(text));
  return 0;
}

const char* GeneralText(int32_t code) {
  switch (code) {
    case ZUZER_ERR_ARGUMENT: return "Invalid argument";
    case ZUZER_ERR_HANDLE: return "Invalid handle";
    case ZUZER_ERR_PATTERN: return "Invalid search pattern";
    case ZUZER_ERR_FOLDER: return "Data folder not found";
    case ZUZER_ERR_CATALOG: return "Catalog cannot be read";
    case ZUZER_ERR_NO_MATCH: return "No file found";
    case ZUZER_ERR_TOO_LONG: return "Name too long for the find record";
    case ZUZER_ERR_NO_VFS: return "The virtual file system has not been created";
    default: return nullptr;
  }
}

struct State {
  std::mutex lock;
  std::vector<std::string> filters;
  std::shared_ptr<EntryIndex> index;
  bool created = false;
  int32_t vfsHandle = 0;
};

State& TheState() {
  static State* s = new State;  // never destroyed: handles may be closed while the process ends
  return *s;
}

struct VfsObject : rudu::HandleObject {};

struct ContextObject : rudu::HandleObject {
  std::shared_ptr<EntryIndex> index;  // null: the virtual file system as it is now
  std::string source;
};

struct FindObject : rudu::HandleObject {
  std::vector<FindRecord> records;
  size_t next = 0;
};

// A pattern's folder and last part; false with the error set.
bool SplitPattern(const char* pattern, std::string& folder, std::string& mask) {
  if (!pattern || !*pattern) {
    Fail(ZUZER_ERR_PATTERN, "No search pattern given");
    return false;
  }
  std::string p(pattern);
  for (char& c : p)
    if (c == '/') c = '\\';
  size_t start = p.find_first_not_of('\\');
  if (start == std::string::npos) {
    Fail(ZUZER_ERR_PATTERN, "Search pattern " + Quoted(pattern) + " names nothing");
    return false;
  }
  p.erase(0, start);
  size_t slash = p.rfind('\\');
  folder = slash == std::string::npos ? std::string() : p.substr(0, slash);
  mask = slash == std::string::npos ? p : p.substr(slash + 1);
  if (mask.empty()) {
    Fail(ZUZER_ERR_PATTERN, "Search pattern " + Quoted(pattern) + " ends in a folder separator");
    return false;
  }
  if (!folder.empty()) {
    std::string norm, why;
    if (zuzer::Wildcard::HasWildcards(folder) || !rudu::PathResolver::NormaliseInner(folder, norm, why)) {
      Fail(ZUZER_ERR_PATTERN, "Search pattern " + Quoted(pattern) + " has an invalid folder part");
      return false;
    }
    folder = norm;
  }
  return true;
}

// Fills the record; false (with the error set) when a text does not fit.
bool Fill(const FindRecord& r, ZuZERFindData* data) {
  if (r.name.size() >= sizeof data->name || r.path.size() >= sizeof data->path) {
    Fail(ZUZER_ERR_TOO_LONG, "The name or path of " + Quoted(r.path.empty() ? r.name : r.path) +
                                 " is longer than the find record holds (254 bytes)");
    return false;
  }
  std::memset(data, 0, sizeof *data);
  data->kind = r.kind;
  std::memcpy(data->name, r.name.data(), r.name.size());
  std::memcpy(data->path, r.path.data(), r.path.size());
  return true;
}

// The next record that fits; false at the end.
bool Next(FindObject& f, ZuZERFindData* data) {
  while (f.next < f.records.size()) {
    if (Fill(f.records[f.next++], data)) return true;
  }
  return false;
}

int32_t StartFind(std::vector<FindRecord> records, const char* pattern, ZuZERFindData* data) {
  if (records.empty()) return Fail(ZUZER_ERR_NO_MATCH, "No file matches " + Quoted(pattern));
  auto f = std::make_shared<FindObject>();
  f->records = std::move(records);
  if (!Next(*f, data)) return 0;
  int32_t h = rudu::HandleAdd(f, rudu::kFindHandle);
  if (h == 0) return Fail(ZUZER_ERR_ARGUMENT, "No more handles");
  return h;
}

bool IsNumberedCatalog(const char* name) {
  size_t n = std::strlen(name);
  if (n < 5 || !rudu::PathResolver::HasExtension(name, ".cat")) return false;
  for (size_t i = 0; i + 4 < n; ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

// Reads the numbered catalogs of a data folder, several at once (each is read and
// checked on its own); the results and errors in the order given.
std::vector<std::shared_ptr<const rudu::CatalogIndex>> OpenCatalogs(
    const std::string& folder, const std::vector<std::pair<unsigned long long, std::string>>& catalogs,
    std::vector<std::string>& whys) {
  std::vector<std::shared_ptr<const rudu::CatalogIndex>> out(catalogs.size());
  // A few helpers: reading a catalog is short, and the folder walk runs beside them.
  const size_t helpers = zuzer::HelperThreads(std::min<size_t>(catalogs.size() / 4, 3));
  zuzer::ShareWork(catalogs.size(), helpers, [&](size_t k) {
    out[k] = rudu::CatalogIndex::Open(folder + "/" + catalogs[k].second, whys[k]);
  });
  return out;
}

}  // namespace

extern "C" {

int32_t ZuZER_AddVFSFilter(const char* mask) {
  t_error.Clear();
  if (!mask || !*mask) return Fail(ZUZER_ERR_ARGUMENT, "No filter mask given");
  std::string m(mask);
  for (char& c : m)
    if (c == '/') c = '\\';
  State& s = TheState();
  std::lock_guard<std::mutex> g(s.lock);
  for (const std::string& f : s.filters)
    if (rudu::EqualNoCase(f, m)) return 1;
  s.filters.push_back(m);
  return 1;
}

int32_t ZuZER_CreateVFS(const char* dataDirectory) {
  t_error.Clear();
  State& s = TheState();
  std::vector<std::string> filters;
  {
    std::lock_guard<std::mutex> g(s.lock);
    filters = s.filters;
  }
  auto index = std::make_shared<EntryIndex>(filters);
  int32_t result = 1;
  std::string real;
  struct stat st;
  if (!dataDirectory || !*dataDirectory) {
    result = Fail(ZUZER_ERR_FOLDER, "No data folder given");
  } else if (!rudu::PathResolver::ResolveExisting(dataDirectory, real) || ::stat(real.c_str(), &st) != 0 ||
             !S_ISDIR(st.st_mode)) {
    result = Fail(ZUZER_ERR_FOLDER, "Data folder " + Quoted(dataDirectory) + " does not exist");
  } else {
    while (real.size() > 1 && real.back() == '/') real.pop_back();
    index->StartDisk(real);
    std::vector<std::pair<unsigned long long, std::string>> catalogs;
    if (DIR* d = ::opendir(real.c_str())) {
      while (dirent* e = ::readdir(d))
        if (IsNumberedCatalog(e->d_name))
          catalogs.emplace_back(std::strtoull(e->d_name, nullptr, 10), e->d_name);
      ::closedir(d);
    }
    std::sort(catalogs.begin(), catalogs.end());
    std::vector<std::string> whys(catalogs.size());
    const auto loaded = OpenCatalogs(real, catalogs, whys);
    std::string errors;
    for (size_t k = 0; k < catalogs.size(); ++k) {
      if (!loaded[k]) {
        errors += errors.empty() ? whys[k] : "; " + whys[k];
        continue;
      }
      index->AddCatalog(loaded[k]);
    }
    index->IndexAdded();
    index->AddDisk(real);
    if (!errors.empty()) result = Fail(ZUZER_ERR_CATALOG, errors);
  }
  index->Finish();
  std::shared_ptr<EntryIndex> old;  // let go of after the lock: finds need not wait for it
  std::lock_guard<std::mutex> g(s.lock);
  old = std::move(s.index);
  s.index = index;
  s.created = true;
  return result;
}

int32_t ZuZER_AppendCatalog(const char* catalogPath) {
  t_error.Clear();
  if (!catalogPath || !*catalogPath) return Fail(ZUZER_ERR_ARGUMENT, "No catalog given");
  std::string why;
  auto cat = rudu::CatalogIndex::Open(catalogPath, why);
  if (!cat) return Fail(ZUZER_ERR_CATALOG, why);
  State& s = TheState();
  std::lock_guard<std::mutex> g(s.lock);
  if (!s.index) {
    s.index = std::make_shared<EntryIndex>(s.filters);
    s.created = true;
  }
  s.index->AddCatalog(cat);
  s.index->Finish();
  return 1;
}

int32_t ZuZER_FindFirstFile(const char* pattern, ZuZERFindData* data) {
  t_error.Clear();
  if (!data) return Fail(ZUZER_ERR_ARGUMENT, "No find record given");
  std::string folder, mask;
  if (!SplitPattern(pattern, folder, mask)) return 0;
  std::vector<FindRecord> records;
  {
    State& s = TheState();
    std::lock_guard<std::mutex> g(s.lock);
    if (!s.index) return Fail(ZUZER_ERR_NO_VFS, "The virtual file system has not been created");
    s.index->Find(folder, mask, records);
  }
  return StartFind(std::move(records), pattern, data);
}

int32_t ZuZER_FindNextFile(int32_t find, ZuZERFindData* data) {
  t_error.Clear();
  auto f = rudu::HandleGetAs<FindObject>(find, rudu::kFindHandle);
  if (!f) return Fail(ZUZER_ERR_HANDLE, "Invalid find handle " + std::to_string(find));
  if (!data) return Fail(ZUZER_ERR_ARGUMENT, "No find record given");
  return Next(*f, data) ? 1 : 0;
}

int32_t ZuZER_FindClose(int32_t find) {
  t_error.Clear();
  if (find == 0) return 0;
  int32_t kind = rudu::HandleKindOf(find);
  if (kind != rudu::kFindHandle && kind != rudu::kCatFindContext)
    return Fail(ZUZER_ERR_HANDLE, "Invalid find handle " + std::to_string(find));
  rudu::HandleRemove(find);
  return 1;
}

int32_t ZuZER_GetVFSHandle(void) {
  t_error.Clear();
  State& s = TheState();
  std::lock_guard<std::mutex> g(s.lock);
  if (!s.created) return Fail(ZUZER_ERR_NO_VFS, "The virtual file system has not been created");
  if (s.vfsHandle == 0) s.vfsHandle = rudu::HandleAdd(std::make_shared<VfsObject>(), rudu::kVfsHandle);
  return s.vfsHandle;
}

int32_t ZuZER_CatFindInit(int32_t catalog) {
  t_error.Clear();
  auto ctx = std::make_shared<ContextObject>();
  const int32_t kind = rudu::HandleKindOf(catalog);
  if (kind == rudu::kVfsHandle) {
    ctx->source = "the virtual file system";
  } else if (auto cat = rudu::CatalogOfHandle(catalog)) {
    ctx->index = std::make_shared<EntryIndex>();
    ctx->index->AddCatalog(cat);
    ctx->index->Finish();
    ctx->source = "catalog " + Quoted(cat->CatalogPath());
  } else {
    return Fail(ZUZER_ERR_HANDLE, "Invalid catalog handle " + std::to_string(catalog));
  }
  int32_t h = rudu::HandleAdd(ctx, rudu::kCatFindContext);
  if (h == 0) return Fail(ZUZER_ERR_ARGUMENT, "No more handles");
  return h;
}

int32_t ZuZER_CatFindFirstFile(int32_t context, const char* pattern, ZuZERFindData* data) {
  t_error.Clear();
  auto ctx = rudu::HandleGetAs<ContextObject>(context, rudu::kCatFindContext);
  if (!ctx) return Fail(ZUZER_ERR_HANDLE, "Invalid find context " + std::to_string(context));
  if (!data) return Fail(ZUZER_ERR_ARGUMENT, "No find record given");
  std::string folder, mask;
  if (!SplitPattern(pattern, folder, mask)) return 0;
  std::vector<FindRecord> records;
  if (ctx->index) {
    ctx->index->Find(folder, mask, records);
  } else {
    State& s = TheState();
    std::lock_guard<std::mutex> g(s.lock);
    if (s.index) s.index->Find(folder, mask, records);
  }
  if (records.empty()) return Fail(ZUZER_ERR_NO_MATCH, "No file matches " + Quoted(pattern) + " in " + ctx->source);
  return StartFind(std::move(records), pattern, data);
}

int32_t ZuZER_GetLastError(void) { return t_error.Code(); }

int32_t ZuZER_TranslateError(int32_t code, char* buffer, int32_t size, int32_t* needed) {
  return t_error.Translate(code, buffer, size, needed, GeneralText);
}

}  // extern "C"

// The C entry points of the file driver (see rudu.h).
#include "rudu.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "CatalogIndex.h"
#include "ErrorStore.h"
#include "FileObject.h"
#include "HandleTable.h"
#include "PathResolver.h"

using rudu::FileObject;

namespace {

// The last error. Every entry clears it first, so whether one is set is kept as a
// plain value beside the store: the clear of a call that follows a success touches
// nothing else.
thread_local rudu::ErrorStore t_errorStore;
KZ_FAST_TLS thread_local bool t_errorSet = false;

struct LastErrorRef {
  void Clear() {
    if (t_errorSet) {
      t_errorStore.Clear();
      t_errorSet = false;
    }
  }
  void Set(int32_t code, std::string text) {
    t_errorStore.Set(code, std::move(text));
    t_errorSet = true;
  }
  int32_t Code() const { return t_errorSet ? t_errorStore.Code() : 0; }
  int32_t Translate(int32_t code, char* buffer, int32_t size, int32_t* needed,
                    const char* (*generalText)(int32_t)) const {
    return t_errorStore.Translate(code, buffer, size, needed, generalText);
  }
} t_error;

using rudu::Quoted;

int32_t Fail(int32_t code, std::string text, int32_t result = 0) {
  t_error.Set(code, std::move(text));
  return result;
}

const char* GeneralText(int32_t code) {
  switch (code) {
    case RUDU_ERR_ARGUMENT: return "Invalid argument";
    case RUDU_ERR_HANDLE: return "Invalid handle";
    case RUDU_ERR_PATH: return "Invalid path";
    case RUDU_ERR_NOT_FOUND: return "File not found";
    case RUDU_ERR_IO: return "Input/output error";
    case RUDU_ERR_CATALOG: return "Invalid or damaged catalog";
    case RUDU_ERR_PACKED: return "Damaged packed file";
    case RUDU_ERR_READ_ONLY: return "File is not open for writing";
    case RUDU_ERR_TOO_LARGE: return "File too large";
    case RUDU_ERR_COMMIT: return "File could not be saved";
    case RUDU_ERR_UNSUPPORTED: return "Operation not supported";
    default: return nullptr;
  }
}

class CatalogObject : public rudu::HandleObject {
 public:
  explicit CatalogObject(std::shared_ptr<const rudu::CatalogIndex> i) : index(std::move(i)) {}
  std::shared_ptr<const rudu::CatalogIndex> index;
};

// Readers and writers call the driver once per field or line, nearly always on the
// same handle, so each thread keeps the file it found last. The cached object stays
// good while no file handle was closed since: every close moves the epoch on (after
// the handle left the table, so a look-up made after the close can never cache it).
std::atomic<uint64_t> g_fileEpoch{1};

KZ_FAST_TLS thread_local int32_t t_lastHandle = 0;
KZ_FAST_TLS thread_local uint64_t t_lastEpoch = 0;
KZ_FAST_TLS thread_local FileObject* t_lastFile = nullptr;
thread_local std::shared_ptr<FileObject> t_lastOwner;  // keeps t_lastFile alive

void ForgetLastFile() {
  t_lastHandle = 0;
  t_lastFile = nullptr;
  t_lastOwner.reset();
}

FileObject* FileOf(int32_t file) {
  const uint64_t epoch = g_fileEpoch.load(std::memory_order_acquire);
  if (file != 0 && t_lastHandle == file && t_lastEpoch == epoch) return t_lastFile;
  auto f = rudu::HandleGetAs<FileObject>(file, rudu::kFileHandle);
  if (!f) {
    t_error.Set(RUDU_ERR_HANDLE, "Invalid file handle " + std::to_string(file));
    return nullptr;
  }
  t_lastHandle = file;
  t_lastEpoch = epoch;
  t_lastFile = f.get();
  t_lastOwner = std::move(f);
  return t_lastFile;
}

// Takes a file handle out of the table; the thread's cache lets go of its object.
std::shared_ptr<FileObject> RemoveFile(int32_t file) {
  auto f = rudu::HandleGetAs<FileObject>(file, rudu::kFileHandle);
  if (!f || !rudu::HandleRemove(file)) return nullptr;
  g_fileEpoch.fetch_add(1, std::memory_order_acq_rel);
  if (t_lastHandle == file) ForgetLastFile();
  return f;
}

int32_t OpenCommon(const char* path, int32_t access, int32_t create, int32_t fileType, bool convert) {
  t_error.Clear();
  if (!path || !*path) return Fail(RUDU_ERR_ARGUMENT, "No file name given");
  if (access != 0 && access != 1)
    return Fail(RUDU_ERR_ARGUMENT, "Invalid access mode " + std::to_string(access) + " for " + Quoted(path));
  if (convert && access != 1)
    return Fail(RUDU_ERR_ARGUMENT, "RuDU_OpenFileConvert opens for writing only (" + Quoted(path) + ")");
  if (fileType < 0 || fileType > 2)
    return Fail(RUDU_ERR_ARGUMENT, "Invalid file form " + std::to_string(fileType) + " for " + Quoted(path));
  int32_t code = 0;
  std::string error;
  auto f = FileObject::Open(path, access, create != 0 ? 1 : 0, access == 1 ? fileType : 0, code, error);
  if (!f) return Fail(code, error);
  int32_t h = rudu::HandleAdd(f, rudu::kFileHandle);
  if (h == 0) return Fail(RUDU_ERR_ARGUMENT, "No more handles");
  return h;
}

}  // namespace

namespace rudu {
bool DiscardFile(int32_t handle) { return RemoveFile(handle) != nullptr; }

std::vector<uint8_t>* BeginWriteInPlace(int32_t handle, size_t reserve) {
  t_error.Clear();
  auto f = HandleGetAs<FileObject>(handle, kFileHandle);
  if (!f || !f->writable || !f->TakeBack()) return nullptr;
  return &f->ContentFromPos(std::min<size_t>(reserve, 0x7fffffff));
}

ContentStream* BeginWriteThrough(int32_t handle) {
  t_error.Clear();
  auto f = HandleGetAs<FileObject>(handle, kFileHandle);
  if (!f || !f->BeginThrough()) return nullptr;
  return f->ThroughOut();
}

int32_t EndWriteThrough(int32_t handle) {
  t_error.Clear();
  FileObject* f = FileOf(handle);
  if (!f) return 0;
  if (!f->Through()) return Fail(RUDU_ERR_ARGUMENT, "File handle " + std::to_string(handle) + " is not written through");
  int32_t code = 0;
  std::string error;
  if (!f->EndThrough(code, error)) return Fail(code, error);
  return 1;
}

int32_t EndWriteInPlace(int32_t handle) {
  t_error.Clear();
  FileObject* f = FileOf(handle);
  if (!f) return 0;
  if (!f->writable) return Fail(RUDU_ERR_READ_ONLY, "File handle " + std::to_string(handle) + " is open for reading only");
  if (f->data.size() > 0x7fffffff) return Fail(RUDU_ERR_TOO_LARGE, "The file would grow beyond 2^31-1 bytes");
  f->pos = static_cast<int64_t>(f->data.size());
  return 1;
}

std::shared_ptr<const CatalogIndex> CatalogOfHandle(int32_t handle) {
  auto c = HandleGetAs<CatalogObject>(handle, kCatalogHandle);
  return c ? c->index : nullptr;
}
}  // namespace rudu

extern "C" {

int32_t RuDU_OpenFile(const char* path, int32_t access, int32_t create, int32_t fileType) {
  return OpenCommon(path, access, create, fileType, false);
}

int32_t RuDU_OpenFileConvert(const char* path, int32_t access, int32_t create, int32_t fileType) {
  return OpenCommon(path, access, create, fileType, true);
}

int32_t RuDU_ReadFile(int32_t file, void* buffer, int32_t count) {
  t_error.Clear();
  auto f = FileOf(file);
  if (!f) return 0;
  if (count < 0 || (count > 0 && !buffer)) return Fail(RUDU_ERR_ARGUMENT, "Invalid read buffer");
  std::string error;
  if (!f->TakeBack(&error)) return Fail(RUDU_ERR_IO, "Cannot read file handle " + std::to_string(file) + ": " + error);
  const int64_t n = f->ReadAtPos(buffer, static_cast<size_t>(count), error);
  if (n < 0) return Fail(RUDU_ERR_PACKED, error);
  return static_cast<int32_t>(n);
}

int32_t RuDU_WriteFile(int32_t file, const void* buffer, int32_t count) {
  t_error.Clear();
  FileObject* f = FileOf(file);
  if (!f) return 0;
  if (!f->writable) return Fail(RUDU_ERR_READ_ONLY, "File handle " + std::to_string(file) + " is open for reading only");
  if (count < 0 || (count > 0 && !buffer)) return Fail(RUDU_ERR_ARGUMENT, "Invalid write buffer");
  if (count == 0) return 0;
  if (f->pos + count > 0x7fffffff) return Fail(RUDU_ERR_TOO_LARGE, "The file would grow beyond 2^31-1 bytes");
  std::string why;
  if (!f->TakeBack(&why)) return Fail(RUDU_ERR_IO, "Cannot write file handle " + std::to_string(file) + ": " + why);
  f->WriteAtPos(buffer, static_cast<size_t>(count));
  return count;
}

int32_t RuDU_FileSize(int32_t file) {
  t_error.Clear();
  auto f = FileOf(file);
  return f ? static_cast<int32_t>(f->Size()) : -1;
}

int32_t RuDU_SeekFile(int32_t file, int32_t offset, int32_t origin) {
  t_error.Clear();
  auto f = FileOf(file);
  if (!f) return -1;
  int64_t base;
  switch (origin) {
    case 0: base = 0; break;
    case 1: base = f->Size(); break;
    case 2: base = f->pos; break;
    default: return Fail(RUDU_ERR_ARGUMENT, "Invalid seek origin " + std::to_string(origin), -1);
  }
  const int64_t to = base + offset;
  if (to < 0 || to > 0x7fffffff)
    return Fail(RUDU_ERR_ARGUMENT, "Seek to " + std::to_string(to) + " is outside the file", -1);
  f->pos = to;
  return static_cast<int32_t>(to);
}

int32_t RuDU_FileTell(int32_t file) {
  t_error.Clear();
  auto f = FileOf(file);
  return f ? static_cast<int32_t>(f->pos) : -1;
}

int32_t RuDU_EOF(int32_t file) {
  t_error.Clear();
  auto f = FileOf(file);
  if (!f) return 1;
  return f->pos >= f->Size() ? 1 : 0;
}

int32_t RuDU_SetEndOfFile(int32_t file) {
  t_error.Clear();
  auto f = FileOf(file);
  if (!f) return 0;
  if (!f->writable) return Fail(RUDU_ERR_READ_ONLY, "File handle " + std::to_string(file) + " is open for reading only");
  if (f->Through() && f->pos == f->Size()) return 1;  // written through up to here
  std::string why;
  if (!f->TakeBack(&why)) return Fail(RUDU_ERR_IO, "Cannot end file handle " + std::to_string(file) + ": " + why);
  f->data.resize(static_cast<size_t>(f->pos));
  return 1;
}

int32_t RuDU_CloseFile(int32_t file) {
  t_error.Clear();
  if (file == 0) return 0;
  if (!FileOf(file)) return 0;
  std::shared_ptr<FileObject> f = RemoveFile(file);
  if (!f) return Fail(RUDU_ERR_HANDLE, "Invalid file handle " + std::to_string(file));
  int32_t code = 0;
  std::string error;
  if (!f->Commit(code, error)) return Fail(code, error);
  return 1;
}

int32_t RuDU_FileExists(const char* path) {
  t_error.Clear();
  if (!path || !*path) return Fail(RUDU_ERR_ARGUMENT, "No file name given");
  std::string catalog, inner;
  if (rudu::PathResolver::SplitCatalogPath(path, catalog, inner)) {
    std::string norm, why;
    if (!rudu::PathResolver::NormaliseInner(inner, norm, why))
      return Fail(RUDU_ERR_PATH, "Invalid path " + Quoted(path) + ": " + why);
    auto index = rudu::CatalogIndex::Open(catalog, why);
    if (!index) return Fail(RUDU_ERR_CATALOG, why);
    if (index->Find(norm) < 0) return Fail(RUDU_ERR_NOT_FOUND, "File " + Quoted(norm) + " not found in catalog " + Quoted(index->CatalogPath()));
    return 1;
  }
  std::string real;
  struct stat st;
  if (!rudu::PathResolver::ResolveExisting(path, real) || ::stat(real.c_str(), &st) != 0)
    return Fail(RUDU_ERR_NOT_FOUND, "File " + Quoted(path) + " not found");
  if (!S_ISREG(st.st_mode)) return Fail(RUDU_ERR_PATH, Quoted(path) + " is not a file");
  return 1;
}

int32_t RuDU_DeleteFile(const char* path) {
  t_error.Clear();
  if (!path || !*path) return Fail(RUDU_ERR_ARGUMENT, "No file name given");
  std::string catalog, inner;
  if (rudu::PathResolver::SplitCatalogPath(path, catalog, inner))
    return Fail(RUDU_ERR_UNSUPPORTED, "Files inside catalogs are not deleted (" + Quoted(path) + ")");
  std::string real;
  struct stat st;
  if (!rudu::PathResolver::ResolveExisting(path, real) || ::lstat(real.c_str(), &st) != 0)
    return Fail(RUDU_ERR_NOT_FOUND, "File " + Quoted(path) + " not found");
  if (S_ISDIR(st.st_mode)) return Fail(RUDU_ERR_PATH, Quoted(path) + " is a folder");
  if (::unlink(real.c_str()) != 0)
    return Fail(RUDU_ERR_IO, "Cannot delete " + Quoted(path) + ": " + std::strerror(errno));
  return 1;
}

int32_t RuDU_OpenCatalog(const char* path, int32_t /*flags*/) {
  t_error.Clear();
  if (!path || !*path) return Fail(RUDU_ERR_ARGUMENT, "No catalog given");
  std::string why;
  auto index = rudu::CatalogIndex::Open(path, why);
  if (!index) return Fail(why.find(" not found") != std::string::npos ? RUDU_ERR_NOT_FOUND : RUDU_ERR_CATALOG, why);
  int32_t h = rudu::HandleAdd(std::make_shared<CatalogObject>(index), rudu::kCatalogHandle);
  if (h == 0) return Fail(RUDU_ERR_ARGUMENT, "No more handles");
  return h;
}

int32_t RuDU_CloseCatalog(int32_t catalog) {
  t_error.Clear();
  if (catalog == 0) return 0;
  if (rudu::HandleKindOf(catalog) != rudu::kCatalogHandle)
    return Fail(RUDU_ERR_HANDLE, "Invalid catalog handle " + std::to_string(catalog));
  rudu::HandleRemove(catalog);
  return 1;
}

int32_t RuDU_GetLastError(void) { return t_error.Code(); }

int32_t RuDU_TranslateError(int32_t code, char* buffer, int32_t size, int32_t* needed) {
  return t_error.Translate(code, buffer, size, needed, GeneralText);
}

}  // extern "C"

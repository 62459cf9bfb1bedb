#include "FileObject.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "PackedData.h"
#include "ErrorStore.h"
#include "FdIo.h"
#include "PathResolver.h"
#include "TempFiles.h"
#include "rudu.h"

namespace rudu {

ContentStream::~ContentStream() = default;

FileObject::~FileObject() { DropThrough(); }

namespace {

std::string SysText() { return std::strerror(errno); }

// Asks for large pages under a big buffer that is not touched yet: filling many
// megabytes page by page costs far more in faults than the copying itself.
void AdviseLargePages(void* p, size_t n) {
  constexpr size_t kMin = size_t{4} << 20;
  if (n < kMin) return;
  const uintptr_t page = 4096;
  uintptr_t from = (reinterpret_cast<uintptr_t>(p) + page - 1) & ~(page - 1);
  uintptr_t to = (reinterpret_cast<uintptr_t>(p) + n) & ~(page - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);  // advice only
}

// Opens a disk file for reading; anything that is not a regular file is refused
// without waiting on it. code/error set on failure.
int OpenForReading(const std::string& real, const std::string& shown, struct stat& st, int32_t& code,
                   std::string& error) {
  const char* special = nullptr;
  int fd = OpenRegularForReading(real.c_str(), special, &st);
  if (fd >= 0) return fd;
  if (special) {
    code = RUDU_ERR_PATH;
    error = "Cannot open file " + Quoted(shown) + ": it is " + special + ", not a file";
  } else {
    code = errno == ENOENT ? RUDU_ERR_NOT_FOUND : RUDU_ERR_IO;
    error = "Cannot open file " + Quoted(shown) + ": " + SysText();
  }
  return -1;
}

// Reads a whole disk file. When `mapped` is given, a large file that is not packed is
// mapped into it instead (`out` then stays empty). code/error set on failure.
bool ReadDisk(const std::string& real, const std::string& shown, std::vector<uint8_t>& out,
              int32_t& code, std::string& error, std::unique_ptr<MappedFile>* mapped = nullptr) {
  struct stat st;
  int fd = OpenForReading(real, shown, st, code, error);
  if (fd < 0) return false;
  if (static_cast<uint64_t>(st.st_size) > PackedData::kMaxSize) {
    ::close(fd);
    code = RUDU_ERR_TOO_LARGE;
    error = "Cannot open file " + Quoted(shown) + ": it is larger than 2^31-1 bytes";
    return false;
  }
  if (mapped && static_cast<uint64_t>(st.st_size) >= MappedFile::kFrom) {
    auto map = MappedFile::Map(fd, static_cast<size_t>(st.st_size));
    if (map && !PackedData::IsPacked(map->data(), map->size())) {
      ::close(fd);
      *mapped = std::move(map);
      return true;
    }
  }
  out.reserve(static_cast<size_t>(st.st_size));
  AdviseLargePages(out.data(), out.capacity());
  out.resize(static_cast<size_t>(st.st_size));
  const ssize_t got = ReadFully(fd, out.data(), out.size());
  if (got < 0) {
    code = RUDU_ERR_IO;
    error = "Cannot read file " + Quoted(shown) + ": " + SysText();
    ::close(fd);
    return false;
  }
  out.resize(static_cast<size_t>(got));
  ::close(fd);
  return true;
}

// Reads the first bytes of a disk file (fewer when it is shorter).
bool ReadHead(const std::string& real, const std::string& shown, uint8_t* out, size_t size, size_t& got,
              int32_t& code, std::string& error) {
  got = 0;
  struct stat st;
  int fd = OpenForReading(real, shown, st, code, error);
  if (fd < 0) return false;
  const ssize_t n = ReadFully(fd, out, size);
  if (n < 0) {
    code = RUDU_ERR_IO;
    error = "Cannot read file " + Quoted(shown) + ": " + SysText();
    ::close(fd);
    return false;
  }
  got = static_cast<size_t>(n);
  ::close(fd);
  return true;
}

// Replaces packed bytes by their unpacked content.
bool UnpackInPlace(std::vector<uint8_t>& bytes, const std::string& shown, int32_t& code, std::string& error) {
  if (!PackedData::IsPacked(bytes.data(), bytes.size())) return true;
  std::vector<uint8_t> plain;
  std::string why;
  if (!PackedData::Unpack(bytes.data(), bytes.size(), plain, why)) {
    code = RUDU_ERR_PACKED;
    error = "Packed file " + Quoted(shown) + " cannot be read: " + why;
    return false;
  }
  bytes.swap(plain);
  return true;
}

// A packed content up to this size is unpacked into memory at the open; a larger one
// is unpacked by each read into the reader's buffer, so that it is held only once.
// Streaming costs a second unpacking pass (the open checks the data whole), which
// only pays for itself in memory where contents are large.
constexpr size_t kHoldUnpackedUpTo = size_t{64} << 20;

// The content of a file opened for reading, from its bytes as stored.
bool TakeContent(FileObject& f, std::vector<uint8_t>& bytes, const std::string& shown, int32_t& code,
                 std::string& error) {
  if (!PackedData::IsPacked(bytes.data(), bytes.size())) {
    f.data.swap(bytes);
    return true;
  }
  // The trailer's length field (the size modulo 2^32) tells which way to go; the
  // reader checks the data whole either way.
  size_t hint = SIZE_MAX;
  if (bytes.size() >= 18) {
    const uint8_t* t = bytes.data() + bytes.size() - 4;
    hint = static_cast<size_t>(t[0]) | static_cast<size_t>(t[1]) << 8 | static_cast<size_t>(t[2]) << 16 |
           static_cast<size_t>(t[3]) << 24;
  }
  if (hint <= kHoldUnpackedUpTo) {
    f.data.swap(bytes);
    return UnpackInPlace(f.data, shown, code, error);
  }
  auto reader = std::make_unique<PackedReader>();
  std::string why;
  if (!reader->Open(std::move(bytes), why)) {
    code = RUDU_ERR_PACKED;
    error = "Packed file " + Quoted(shown) + " cannot be read: " + why;
    return false;
  }
  f.stream = std::move(reader);
  return true;
}

bool WriteAllAt(int fd, const uint8_t* p, size_t n, off_t at) {
  while (n > 0) {
    ssize_t w = ::pwrite(fd, p, n, at);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      if (w == 0) errno = EIO;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
    at += w;
  }
  return true;
}

std::atomic<uint64_t> g_tempCounter{0};

// A new temporary file beside `target`: its descriptor and path, or -1 with the reason.
int CreateTemporary(const std::string& target, std::string& temp, std::string& why) {
  std::string folder = PathResolver::FolderOf(target);
  std::string base = PathResolver::NameOf(target);
  int fd = -1;
  RemoveStaleTemporaries(folder);
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = (folder.empty() ? std::string() : (folder == "/" ? "/" : folder + "/")) +
           TemporaryName(base, ::getpid(), g_tempCounter++);
    fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) why = "cannot create a temporary file in " + Quoted(folder.empty() ? "." : folder) + ": " + SysText();
  return fd;
}

// Makes a temporary file that holds the new content (`ok`: written whole) lasting and
// renames it over `target`, which keeps its permissions; the file is closed, and removed
// on failure. The old file stays whole on every failure.
bool FinishTemporary(int fd, const std::string& temp, const std::string& target, bool ok, std::string& why) {
  struct stat old;
  if (ok && ::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  if (ok) ok = ::fsync(fd) == 0;
  if (!ok) why = "cannot write " + Quoted(temp) + ": " + SysText();
  if (::close(fd) != 0 && ok) {
    ok = false;
    why = "cannot write " + Quoted(temp) + ": " + SysText();
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    why = "cannot replace " + Quoted(target) + ": " + SysText();
  }
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

// Writes bytes to a new temporary file beside `target` and renames it over the
// target. The old file stays whole on every failure.
bool ReplaceFile(const std::string& target, const uint8_t* p, size_t n, std::string& why) {
  std::string temp;
  const int fd = CreateTemporary(target, temp, why);
  if (fd < 0) return false;
  return FinishTemporary(fd, temp, target, WriteAllAt(fd, p, n, 0), why);
}

// What BeginWriteThrough hands out: appends to the handle's temporary file.
class ThroughStream final : public ContentStream {
 public:
  explicit ThroughStream(FileObject& file) : file_(file) {}
  bool Append(const void* bytes, size_t count) override { return file_.AppendThrough(bytes, count); }

 private:
  FileObject& file_;
};

}  // namespace

std::shared_ptr<FileObject> FileObject::Open(const std::string& path, int32_t access, int32_t create,
                                             int32_t form, int32_t& code, std::string& error) {
  auto f = std::make_shared<FileObject>();
  f->shownPath_ = path;
  f->writable = access == 1;
  std::string catalog, inner;
  if (PathResolver::SplitCatalogPath(path, catalog, inner)) {
    std::string why;
    if (!PathResolver::NormaliseInner(inner, f->inner_, why)) {
      code = RUDU_ERR_PATH;
      error = "Invalid path " + Quoted(path) + ": " + why;
      return nullptr;
    }
    f->inCatalog_ = true;
    std::shared_ptr<const CatalogIndex> index;
    std::string real;
    bool existing = !f->writable;
    if (f->writable) {
      // The catalog written is the file its path names, through any links; a new one
      // needs its folder.
      if (!PathResolver::ResolveForCreate(catalog, real, why) || !PathResolver::FollowLinks(real, real, why)) {
        code = RUDU_ERR_PATH;
        error = "Cannot write into catalog " + Quoted(catalog) + ": " + why;
        return nullptr;
      }
      struct stat st;
      existing = ::stat(real.c_str(), &st) == 0 || errno != ENOENT;
    }
    if (existing) {
      index = CatalogIndex::Open(f->writable ? real : catalog, error);
      if (!index) {
        code = error.find(" not found") != std::string::npos ? RUDU_ERR_NOT_FOUND : RUDU_ERR_CATALOG;
        return nullptr;
      }
      f->target_ = index->CatalogPath();
    } else {
      f->target_ = real;
    }
    long entry = index ? index->Find(f->inner_) : -1;
    if (!f->writable) {
      if (entry < 0) {
        code = RUDU_ERR_NOT_FOUND;
        error = "File " + Quoted(f->inner_) + " not found in catalog " + Quoted(index->CatalogPath());
        return nullptr;
      }
      std::vector<uint8_t> bytes;
      if (!index->ReadEntry(static_cast<size_t>(entry), bytes, error)) {
        code = RUDU_ERR_CATALOG;
        return nullptr;
      }
      if (!TakeContent(*f, bytes, path, code, error)) return nullptr;
      return f;
    }
    bool existingPacked = false;
    if (entry >= 0) {
      std::vector<uint8_t> head;
      if (!index->PeekEntry(static_cast<size_t>(entry), create ? 2 : SIZE_MAX, head, error)) {
        code = RUDU_ERR_CATALOG;
        return nullptr;
      }
      existingPacked = PackedData::IsPacked(head.data(), head.size());
      if (!create) {
        f->data.swap(head);
        if (!UnpackInPlace(f->data, path, code, error)) return nullptr;
      }
    }
    f->packed_ = form == 2 || (form == 0 && (entry >= 0 ? existingPacked
                                                        : PathResolver::HasExtension(f->inner_, ".pck")));
    return f;
  }

  if (!f->writable) {
    std::string real;
    if (!PathResolver::ResolveExisting(path, real)) {
      code = RUDU_ERR_NOT_FOUND;
      error = "File " + Quoted(path) + " not found";
      return nullptr;
    }
    std::vector<uint8_t> bytes;
    if (!ReadDisk(real, path, bytes, code, error, &f->mapped)) return nullptr;
    if (!f->mapped && !TakeContent(*f, bytes, path, code, error)) return nullptr;
    return f;
  }
  std::string why;
  if (!PathResolver::ResolveForCreate(path, f->target_, why)) {
    code = RUDU_ERR_PATH;
    error = "Cannot write file " + Quoted(path) + ": " + why;
    return nullptr;
  }
  // Write through a link, or a chain of them, to the file it names; the file need not
  // be there yet, the links stay.
  if (!PathResolver::FollowLinks(f->target_, f->target_, why)) {
    code = RUDU_ERR_PATH;
    error = "Cannot write file " + Quoted(path) + ": " + why;
    return nullptr;
  }
  struct stat st;
  bool exists = ::stat(f->target_.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    code = RUDU_ERR_PATH;
    error = "Cannot write file " + Quoted(path) + ": it is " + std::string(KindOfSpecial(st.st_mode)) + ", not a file";
    return nullptr;
  }
  std::string folder = PathResolver::FolderOf(f->target_);
  if (::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0) {
    code = RUDU_ERR_IO;
    error = "Cannot write file " + Quoted(path) + ": " + SysText();
    return nullptr;
  }
  bool existingPacked = false;
  if (exists && !create) {
    std::vector<uint8_t> old;
    if (!ReadDisk(f->target_, path, old, code, error)) return nullptr;
    existingPacked = PackedData::IsPacked(old.data(), old.size());
    f->data.swap(old);
    if (!UnpackInPlace(f->data, path, code, error)) return nullptr;
  } else if (exists && form == 0) {
    // A new content in the form the file has: its first bytes tell.
    uint8_t head[16];
    size_t got = 0;
    if (!ReadHead(f->target_, path, head, sizeof head, got, code, error)) return nullptr;
    existingPacked = PackedData::IsPacked(head, got);
  } else if (exists) {
    // Replaced wholly in a form given: the old file must still be readable, as before.
    if (::access(f->target_.c_str(), R_OK) != 0) {
      code = errno == ENOENT ? RUDU_ERR_NOT_FOUND : RUDU_ERR_IO;
      error = "Cannot open file " + Quoted(path) + ": " + SysText();
      return nullptr;
    }
  }
  f->packed_ = form == 2 || (form == 0 && (exists ? existingPacked : PathResolver::HasExtension(f->target_, ".pck")));
  return f;
}

int64_t FileObject::ReadAtPos(void* out, size_t count, std::string& error) {
  const int64_t size = Size();
  if (pos >= size || count == 0) return 0;
  const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), size - pos));
  if (stream) {
    std::string why;
    if (!stream->Read(static_cast<size_t>(pos), static_cast<uint8_t*>(out), n, why)) {
      error = "Packed file " + Quoted(shownPath_) + " cannot be read: " + why;
      return -1;
    }
  } else {
    std::memcpy(out, Bytes() + pos, n);
  }
  pos += static_cast<int64_t>(n);
  return static_cast<int64_t>(n);
}

namespace {

// Makes room for `end` bytes: doubling, into a fresh buffer that is advised before the
// old bytes move in (at least `end` when `exact`).
void GrowTo(std::vector<uint8_t>& data, size_t end, bool exact) {
  if (end <= data.capacity()) return;
  size_t cap = exact ? end : std::max<size_t>({end, data.capacity() * 2, 4096});
  std::vector<uint8_t> grown;
  grown.reserve(cap);
  AdviseLargePages(grown.data(), cap);
  grown.insert(grown.end(), data.begin(), data.end());
  data.swap(grown);
}

}  // namespace

void FileObject::WriteAtPos(const void* bytes, size_t count) {
  const uint8_t* in = static_cast<const uint8_t*>(bytes);
  const size_t at = static_cast<size_t>(pos);
  const size_t end = at + count;
  GrowTo(data, end, false);
  if (at > data.size()) data.resize(at);
  const size_t over = std::min(count, data.size() - at);
  if (over) std::memcpy(data.data() + at, in, over);
  data.insert(data.end(), in + over, in + count);
  pos = static_cast<int64_t>(end);
}

std::vector<uint8_t>& FileObject::ContentFromPos(size_t more) {
  const size_t at = static_cast<size_t>(pos);
  if (at < data.size()) data.resize(at);
  // A content with room enough already is used as it is: its pages are touched.
  GrowTo(data, at + more, true);
  data.resize(at);
  return data;
}

bool FileObject::BeginThrough() {
  if (!writable || inCatalog_ || packed_ || throughFd_ >= 0 || pos < 0) return false;
  std::string temp, why;
  const int fd = CreateTemporary(target_, temp, why);
  if (fd < 0) return false;  // formed in memory then; the commit reports the folder's trouble
  // The content before the position begins the file (a gap past its end is zeros).
  const size_t at = static_cast<size_t>(pos);
  const size_t kept = std::min(at, data.size());
  if (!WriteAllAt(fd, data.data(), kept, 0) || (at > kept && ::ftruncate(fd, static_cast<off_t>(at)) != 0)) {
    ::close(fd);
    ::unlink(temp.c_str());
    return false;
  }
  std::vector<uint8_t>().swap(data);
  throughFd_ = fd;
  throughTemp_ = std::move(temp);
  throughSize_ = at;
  throughError_.clear();
  throughStream_ = std::make_unique<ThroughStream>(*this);
  return true;
}

bool FileObject::AppendThrough(const void* bytes, size_t count) {
  if (throughFd_ < 0 || !throughError_.empty()) return false;
  if (!WriteAllAt(throughFd_, static_cast<const uint8_t*>(bytes), count, static_cast<off_t>(throughSize_))) {
    throughError_ = "cannot write " + Quoted(throughTemp_) + ": " + SysText();
    return false;
  }
  throughSize_ += count;
  return true;
}

bool FileObject::EndThrough(int32_t& code, std::string& error) {
  if (!throughError_.empty()) {
    code = RUDU_ERR_IO;
    error = "Cannot write file " + Quoted(shownPath_) + ": " + throughError_;
    return false;
  }
  if (throughSize_ > 0x7fffffff) {
    code = RUDU_ERR_TOO_LARGE;
    error = "The file would grow beyond 2^31-1 bytes";
    return false;
  }
  pos = static_cast<int64_t>(throughSize_);
  return true;
}

bool FileObject::TakeBack(std::string* why) {
  if (throughFd_ < 0) return true;
  std::vector<uint8_t> back(throughSize_);
  size_t got = 0;
  while (got < back.size()) {
    const ssize_t r = ::pread(throughFd_, back.data() + got, back.size() - got, static_cast<off_t>(got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      if (why) *why = "cannot read back " + Quoted(throughTemp_) + ": " + (r == 0 ? std::string("it is short") : SysText());
      return false;
    }
    got += static_cast<size_t>(r);
  }
  data.swap(back);
  DropThrough();
  return true;
}

void FileObject::DropThrough() noexcept {
  if (throughFd_ < 0) return;
  ::close(throughFd_);
  ::unlink(throughTemp_.c_str());
  throughFd_ = -1;
  throughTemp_.clear();
  throughSize_ = 0;
}

bool FileObject::Commit(int32_t& code, std::string& error) {
  if (!writable) return true;
  if (throughFd_ >= 0) {
    // Written through already: made lasting and put in place.
    std::string why;
    const int fd = throughFd_;
    throughFd_ = -1;  // closed (and removed on failure) by the finish
    const bool ok = throughError_.empty() ? FinishTemporary(fd, throughTemp_, target_, true, why)
                                          : (FinishTemporary(fd, throughTemp_, target_, false, why), false);
    if (!throughError_.empty()) why = throughError_;
    throughTemp_.clear();
    if (!ok) {
      code = RUDU_ERR_COMMIT;
      error = "Cannot save " + Quoted(shownPath_) + ": " + why + "; the old file is unchanged";
    }
    return ok;
  }
  std::vector<uint8_t> packed;
  if (packed_) {
    std::string why;
    if (!PackedData::Pack(data.data(), data.size(), packed, why)) {
      code = RUDU_ERR_COMMIT;
      error = "Cannot save " + Quoted(shownPath_) + ": " + why;
      return false;
    }
  }
  const std::vector<uint8_t>& bytes = packed_ ? packed : data;
  return inCatalog_ ? CommitCatalog(bytes, code, error) : CommitDisk(bytes, code, error);
}

bool FileObject::CommitDisk(const std::vector<uint8_t>& bytes, int32_t& code, std::string& error) {
  std::string why;
  if (!ReplaceFile(target_, bytes.data(), bytes.size(), why)) {
    code = RUDU_ERR_COMMIT;
    error = "Cannot save " + Quoted(shownPath_) + ": " + why + "; the old file is unchanged";
    return false;
  }
  return true;
}

namespace {

// How long a save waits for another program's save into the same catalog.
constexpr int kCatalogLockWaitMs = 5000;

bool PastDeadline(const struct timespec& deadline) {
  struct timespec now;
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec > deadline.tv_sec || (now.tv_sec == deadline.tv_sec && now.tv_nsec >= deadline.tv_nsec);
}

void Pause() {
  struct timespec pause = {0, 5 * 1000 * 1000};
  ::nanosleep(&pause, nullptr);
}

// The exclusive lock on a catalog's index for one commit: taken before the index is
// read, released when the replaced index is in place. The index is replaced by a
// rename, so a lock won on a file that was replaced meanwhile is let go and taken
// again on the current one.
class CatalogLock {
 public:
  CatalogLock() = default;
  ~CatalogLock() { Release(); }
  CatalogLock(const CatalogLock&) = delete;
  CatalogLock& operator=(const CatalogLock&) = delete;

  enum Result { kLocked, kNoIndex, kBusy, kFailed };
  Result Take(const std::string& indexPath, const struct timespec& deadline) {
    Release();
    for (;;) {
      const char* special = nullptr;
      fd_ = OpenRegularForReading(indexPath.c_str(), special);
      if (fd_ < 0) return errno == ENOENT && !special ? kNoIndex : kFailed;
      while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
          Release();
          return kFailed;
        }
        if (PastDeadline(deadline)) {
          Release();
          return kBusy;
        }
        Pause();
      }
      struct stat held, now;
      if (::fstat(fd_, &held) == 0 && ::stat(indexPath.c_str(), &now) == 0 && held.st_dev == now.st_dev &&
          held.st_ino == now.st_ino)
        return kLocked;
      Release();  // the index was replaced while this one waited
    }
  }
  void Release() {
    if (fd_ >= 0) ::close(fd_);  // closing lets go of the lock
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

}  // namespace

bool FileObject::CommitCatalog(const std::vector<uint8_t>& bytes, int32_t& code, std::string& error) {
  code = RUDU_ERR_COMMIT;
  const std::string fail = "Cannot save " + Quoted(shownPath_) + ": ";
  if (bytes.size() > PackedData::kMaxSize) {
    error = fail + "the content is larger than 2^31-1 bytes";
    return false;
  }
  struct timespec deadline;
  ::clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += kCatalogLockWaitMs / 1000;
  deadline.tv_nsec += (kCatalogLockWaitMs % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  // Read the index afresh under the lock: another handle or program may have written
  // into the catalog since.
  CatalogLock lock;
  std::shared_ptr<const CatalogIndex> index;
  std::string dataPath, indexText;
  uint64_t total = 0;
  int fd = -1;
  for (;;) {
    const CatalogLock::Result locked = lock.Take(target_, deadline);
    if (locked == CatalogLock::kBusy) {
      error = fail + "another program is saving into the catalog " + Quoted(target_) +
              " and did not finish in time; the catalog is unchanged";
      return false;
    }
    if (locked == CatalogLock::kFailed) {
      error = fail + "cannot lock the catalog " + Quoted(target_) + ": " + SysText();
      return false;
    }
    if (locked == CatalogLock::kLocked) {
      std::string why;
      index = CatalogIndex::Open(target_, why);
      if (!index) {
        error = fail + why;
        return false;
      }
      dataPath = index->DataPath();
      total = index->Total();
      indexText = index->TextWith(inner_, static_cast<uint32_t>(bytes.size()));
      fd = ::open(dataPath.c_str(), O_RDWR | O_CLOEXEC);
      if (fd < 0) {
        error = fail + "cannot open " + Quoted(dataPath) + ": " + SysText();
        return false;
      }
      break;
    }
    // A new catalog. Its data file is created exclusively: of two programs creating
    // the same catalog one wins, the other finds the index once it is in place.
    std::string name = PathResolver::NameOf(target_);
    std::string stem = PathResolver::HasExtension(name, ".cat") ? name.substr(0, name.size() - 4) : name;
    std::string dataName = stem + ".dat";
    std::string folder = PathResolver::FolderOf(target_);
    std::string wanted = folder.empty() ? dataName : (folder == "/" ? "/" : folder + "/") + dataName;
    std::string existing;
    if (!PathResolver::ResolveExisting(wanted, existing)) {
      fd = ::open(wanted.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        dataPath = wanted;
        indexText = CatalogIndex::EmptyText(dataName) + inner_ + " " + std::to_string(bytes.size()) + "\n";
        break;
      }
      if (errno != EEXIST) {
        error = fail + "cannot create " + Quoted(wanted) + ": " + SysText();
        return false;
      }
      existing = wanted;
    }
    if (PastDeadline(deadline)) {
      error = fail + "the data file " + Quoted(existing) + " exists without its catalog index";
      return false;
    }
    Pause();
  }
  if (total + bytes.size() > PackedData::kMaxSize * 2ULL) {
    ::close(fd);
    if (!index) ::unlink(dataPath.c_str());
    error = fail + "the catalog's data file would grow too large";
    return false;
  }
  struct stat dst;
  if (::fstat(fd, &dst) != 0 || static_cast<uint64_t>(dst.st_size) < total) {
    ::close(fd);
    error = fail + "the data file " + Quoted(dataPath) + " is shorter than its index says";
    return false;
  }
  const off_t oldSize = dst.st_size;
  // Bytes past the last entry belong to no entry; the new entry's bytes go there.
  bool ok = WriteAllAt(fd, bytes.data(), bytes.size(), static_cast<off_t>(total));
  if (ok && static_cast<uint64_t>(oldSize) > total + bytes.size())
    ok = ::ftruncate(fd, static_cast<off_t>(total + bytes.size())) == 0;
  if (ok) ok = ::fsync(fd) == 0;
  std::string why;
  if (!ok) {
    why = "cannot write " + Quoted(dataPath) + ": " + SysText();
  } else if (!ReplaceFile(target_, reinterpret_cast<const uint8_t*>(indexText.data()), indexText.size(), why)) {
    ok = false;
  }
  if (!ok) {
    // Take back what was added; the old entries lie before `total` and are untouched.
    if (::ftruncate(fd, std::max<off_t>(oldSize, static_cast<off_t>(total))) != 0) {
    }
    ::close(fd);
    if (!index) ::unlink(dataPath.c_str());
    error = fail + why + "; the catalog is unchanged";
    return false;
  }
  ::close(fd);
  code = 0;
  return true;
}

}  // namespace rudu

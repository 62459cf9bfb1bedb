// An open file of the driver: its content in memory, the position, and for a write
// handle the target that RuDU_CloseFile commits to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CatalogIndex.h"
#include "HandleTable.h"
#include "MappedFile.h"
#include "PackedReader.h"

namespace rudu {

// Where a writer that forms a whole content in order hands its bytes as it goes.
class KZ_EXPORT ContentStream {
 public:
  virtual ~ContentStream();
  // Appends bytes; false once an append failed (the end then fails too).
  virtual bool Append(const void* bytes, size_t count) = 0;
};

class KZ_EXPORT FileObject : public HandleObject {
 public:
  ~FileObject() override;

  // Opens as rudu.h describes. Null with the error code and text on failure.
  static std::shared_ptr<FileObject> Open(const std::string& path, int32_t access, int32_t create,
                                          int32_t form, int32_t& code, std::string& error);
  // Writes the content to its target (write handles); true for read handles.
  bool Commit(int32_t& code, std::string& error);
  // Writes bytes at the position and moves past them (a gap past the end is filled
  // with zeros). The caller has checked that the handle writes and the size limit.
  void WriteAtPos(const void* bytes, size_t count);
  // The content cut at the position (a gap past the end filled with zeros) with room
  // for `more` bytes after it, for a writer that appends a content in place.
  std::vector<uint8_t>& ContentFromPos(size_t more);

  // The content's size.
  int64_t Size() const {
    if (throughFd_ >= 0) return static_cast<int64_t>(throughSize_);
    if (stream) return static_cast<int64_t>(stream->Size());
    return mapped ? static_cast<int64_t>(mapped->size()) : static_cast<int64_t>(data.size());
  }
  // The content's bytes (Size() of them), unless it is streamed.
  const uint8_t* Bytes() const {
    if (throughFd_ >= 0) const_cast<FileObject*>(this)->TakeBack();
    return mapped ? mapped->data() : data.data();
  }

  // The content written through to a temporary file beside the target as it is formed
  // (see BeginWriteThrough). Begin gives false, nothing changed, for a handle whose
  // content cannot go that way (not a plain file written in plain form, or no temporary
  // file to be had); a failed append fails every later one and the end.
  bool BeginThrough();
  bool AppendThrough(const void* bytes, size_t count);
  bool EndThrough(int32_t& code, std::string& error);
  bool Through() const { return throughFd_ >= 0; }
  ContentStream* ThroughOut() const { return throughStream_.get(); }
  // The content written through back in `data`, for any use of the handle but its
  // commit; false (with the reason) when it cannot be read back.
  bool TakeBack(std::string* why = nullptr);
  // Copies up to `count` bytes at the position and moves past them; the bytes copied,
  // -1 with the error text on failure.
  int64_t ReadAtPos(void* out, size_t count, std::string& error);

  bool writable = false;
  // The content, except for two kinds of file opened for reading, for which `data`
  // stays empty: a large packed file (`stream` unpacks each read into the caller's
  // buffer) and a large plain disk file (`mapped` holds it).
  std::vector<uint8_t> data;
  std::unique_ptr<PackedReader> stream;
  std::unique_ptr<MappedFile> mapped;
  int64_t pos = 0;

 private:
  bool CommitDisk(const std::vector<uint8_t>& bytes, int32_t& code, std::string& error);
  bool CommitCatalog(const std::vector<uint8_t>& bytes, int32_t& code, std::string& error);

  void DropThrough() noexcept;

  std::unique_ptr<ContentStream> throughStream_;  // what BeginWriteThrough hands out
  int throughFd_ = -1;        // the temporary file written through, -1 when none
  std::string throughTemp_;   // its path
  size_t throughSize_ = 0;    // the bytes it holds
  std::string throughError_;  // why an append failed ("" when none did)

  std::string shownPath_;  // as the caller gave it
  bool inCatalog_ = false;
  std::string target_;     // the disk file, or the catalog file
  std::string inner_;      // the path inside the catalog
  bool packed_ = false;    // the form written at commit
};

// Forgets a file handle without committing what was written. False when not live.
KZ_EXPORT bool DiscardFile(int32_t handle);

// For a writer that forms a whole content in place, without a copy of its bytes: the
// content of a live write handle cut at the position, with room for about `reserve`
// bytes more; null (and nothing changed) for any other handle. What the writer
// appends is the file from the position on. EndWriteInPlace then moves the position
// past it and ends the file there, as RuDU_WriteFile of the same bytes followed by
// RuDU_SetEndOfFile would; it gives 0 with the driver's last error when the content
// passes 2^31-1 bytes or the handle is gone. The content is valid until the handle
// is closed or discarded.
KZ_EXPORT std::vector<uint8_t>* BeginWriteInPlace(int32_t handle, size_t reserve);
KZ_EXPORT int32_t EndWriteInPlace(int32_t handle);

// The same as BeginWriteInPlace, without the content in memory: the bytes appended go
// straight to a temporary file beside the target (the content before the position goes
// there first), which the close renames over the target; the target keeps its old
// content until then, and a handle dropped without committing leaves nothing behind.
// Null (nothing changed) for any handle but a live write handle of a plain disk file
// written in plain form, or when no temporary file can be made there. EndWriteThrough
// moves the position past what was appended and ends the file there, as EndWriteInPlace
// does; it gives 0 with the driver's last error when an append failed (the disk full)
// or the content passes 2^31-1 bytes. The stream is valid until the end.
KZ_EXPORT ContentStream* BeginWriteThrough(int32_t handle);
KZ_EXPORT int32_t EndWriteThrough(int32_t handle);

// The catalog index behind a live catalog handle, null for any other handle.
KZ_EXPORT std::shared_ptr<const CatalogIndex> CatalogOfHandle(int32_t handle);

}  // namespace rudu

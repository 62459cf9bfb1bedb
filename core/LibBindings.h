// The program's thin wrappers over the file driver (rudu) and the virtual file
// system (zuzer): their error texts, whole-file reads and writes, and finds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kz {

// The text of the file driver's last error: code from RuDU_GetLastError, the size
// asked with a null buffer, then a buffer of that many blanks, cut at its first NUL
// (the whole buffer when it holds none). Empty when there is no error.
std::string GetRuDUError();
// The same for the virtual file system (ZuZER_GetLastError, ZuZER_TranslateError).
std::string GetZuZERError();

// A text field of a find record, cut at its first NUL (or at the field's end).
std::string CutAtNul(const char* field, std::size_t size);

// Reads a whole file (plain, packed or inside a catalog; packed content comes back
// unpacked). False with "Error opening file ..." or "Error reading file ..." and the
// driver's text in `error`.
bool ReadWholeFile(const std::string& path, std::string& data, std::string& error);
// Writes a whole file: form 1 plain, 2 packed, 0 the form it has (by extension when
// new). True only when the content was committed; the old file stays whole otherwise.
bool WriteWholeFile(const std::string& path, std::string_view data, int32_t form, std::string& error);
// True when the path (plain or catalog path) names an existing file.
bool FileExists(const std::string& path);

// One match of a find in the virtual file system.
struct VfsEntry {
  int32_t kind = 0;  // 2 folder, else a file
  std::string name;
  std::string path;  // what the file driver opens
  bool IsFolder() const { return (kind & 2) != 0; }
};

// The first match of a pattern in the virtual file system; false when none (the
// find is closed in both cases).
bool VfsFindFirst(const std::string& pattern, VfsEntry& entry);
// Every match of a pattern, in the order the virtual file system gives them.
std::vector<VfsEntry> VfsFindAll(const std::string& pattern);

// An open file driver handle closed at the end of its scope (a write handle is
// committed then; call Close to learn whether that worked).
class RuduFile {
 public:
  RuduFile() = default;
  explicit RuduFile(int32_t handle) : handle_(handle) {}
  RuduFile(const RuduFile&) = delete;
  RuduFile& operator=(const RuduFile&) = delete;
  RuduFile(RuduFile&& other) noexcept : handle_(other.Release()) {}
  RuduFile& operator=(RuduFile&& other) noexcept;
  ~RuduFile();
  int32_t Get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }
  int32_t Release();
  // Closes the handle; true when it was closed (and committed).
  bool Close();

 private:
  int32_t handle_ = 0;
};

}  // namespace kz

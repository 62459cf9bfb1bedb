#pragma once
// clsTREDocument: owns one text resource document of the game object library (its
// handle) and saves it. The handle is freed when the owner takes another one or goes.
#include <cstdint>
#include <string>

class clsTREDocument {
 public:
  clsTREDocument() = default;
  explicit clsTREDocument(int32_t handle) : handle_(handle) {}
  ~clsTREDocument();
  clsTREDocument(const clsTREDocument&) = delete;
  clsTREDocument& operator=(const clsTREDocument&) = delete;

  int32_t Handle() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != 0; }
  // Takes another document (0: none), freeing the one held.
  void Reset(int32_t handle = 0);
  // Gives the handle up without freeing it.
  int32_t Release() noexcept;

  // A new empty document of the language; false with the error ("Error creating file
  // object: " and the library's text) when the library refuses. The old one is kept
  // then.
  bool CreateNew(int32_t langID);

  // Writes the document to a file, kind 1 plain or 2 packed (a catalog path too). The
  // file is committed only when the whole document was written and closing it
  // succeeded; otherwise the old file stays whole and the error reads "Error saving
  // file: ", CR LF and the driver's or the library's text.
  bool Save(const std::string& path, int32_t kind);

  const std::string& GetLastError() const noexcept { return lastError_; }

 private:
  int32_t handle_ = 0;
  std::string lastError_;
};

#include "core/LibBindings.h"

#include <climits>
#include <cstring>

#include "rudu/FileObject.h"
#include "rudu/rudu.h"
#include "zuzer/zuzer.h"

namespace kz {

namespace {

std::string ErrorText(int32_t (*lastError)(), int32_t (*translate)(int32_t, char*, int32_t, int32_t*)) {
  const int32_t code = lastError();
  int32_t needed = 0;
  translate(code, nullptr, 0, &needed);
  if (needed <= 0) return std::string();
  std::string buffer(static_cast<std::size_t>(needed), ' ');
  translate(code, buffer.data(), needed, &needed);
  std::size_t nul = buffer.find('\0');
  if (nul != std::string::npos) buffer.resize(nul);
  return buffer;
}

}  // namespace

std::string GetRuDUError() { return ErrorText(RuDU_GetLastError, RuDU_TranslateError); }
std::string GetZuZERError() { return ErrorText(ZuZER_GetLastError, ZuZER_TranslateError); }

std::string CutAtNul(const char* field, std::size_t size) {
  const void* nul = std::memchr(field, 0, size);
  return std::string(field, nul ? static_cast<const char*>(nul) - field : size);
}

bool ReadWholeFile(const std::string& path, std::string& data, std::string& error) {
  data.clear();
  RuduFile f(RuDU_OpenFile(path.c_str(), 0, 0, 0));
  if (!f) {
    error = "Error opening file \"" + path + "\":\r\n" + GetRuDUError();
    return false;
  }
  const int32_t size = RuDU_FileSize(f.Get());
  if (size < 0) {
    error = "Error reading file \"" + path + "\":\r\n" + GetRuDUError();
    return false;
  }
  data.resize(static_cast<std::size_t>(size));
  const int32_t got = size > 0 ? RuDU_ReadFile(f.Get(), data.data(), size) : 0;
  if (got != size) {
    error = "Error reading file \"" + path + "\":\r\n" + GetRuDUError();
    data.clear();
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, std::string_view data, int32_t form, std::string& error) {
  if (data.size() > static_cast<std::size_t>(INT32_MAX)) {
    error = "Error writing file \"" + path + "\":\r\nthe content is too large";
    return false;
  }
  RuduFile f(RuDU_OpenFile(path.c_str(), 1, 1, form));
  if (!f) {
    error = "Error opening file \"" + path + "\":\r\n" + GetRuDUError();
    return false;
  }
  const int32_t n = static_cast<int32_t>(data.size());
  if ((n > 0 && RuDU_WriteFile(f.Get(), data.data(), n) != n) || !RuDU_SetEndOfFile(f.Get())) {
    error = "Error writing file \"" + path + "\":\r\n" + GetRuDUError();
    rudu::DiscardFile(f.Release());  // nothing is committed
    return false;
  }
  if (!f.Close()) {
    error = "Error writing file \"" + path + "\":\r\n" + GetRuDUError();
    return false;
  }
  return true;
}

bool FileExists(const std::string& path) { return RuDU_FileExists(path.c_str()) != 0; }

namespace {

VfsEntry EntryOf(const ZuZERFindData& fd) {
  VfsEntry e;
  e.kind = fd.kind;
  e.name = CutAtNul(fd.name, sizeof fd.name);
  e.path = CutAtNul(fd.path, sizeof fd.path);
  return e;
}

}  // namespace

bool VfsFindFirst(const std::string& pattern, VfsEntry& entry) {
  ZuZERFindData fd{};
  const int32_t find = ZuZER_FindFirstFile(pattern.c_str(), &fd);
  if (find == 0) return false;
  entry = EntryOf(fd);
  ZuZER_FindClose(find);
  return true;
}

std::vector<VfsEntry> VfsFindAll(const std::string& pattern) {
  std::vector<VfsEntry> out;
  ZuZERFindData fd{};
  const int32_t find = ZuZER_FindFirstFile(pattern.c_str(), &fd);
  if (find == 0) return out;
  do {
    out.push_back(EntryOf(fd));
    fd = ZuZERFindData{};
  } while (ZuZER_FindNextFile(find, &fd) != 0);
  ZuZER_FindClose(find);
  return out;
}

RuduFile& RuduFile::operator=(RuduFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.Release();
  }
  return *this;
}

RuduFile::~RuduFile() { Close(); }

int32_t RuduFile::Release() {
  int32_t h = handle_;
  handle_ = 0;
  return h;
}

bool RuduFile::Close() {
  if (handle_ == 0) return false;
  const int32_t h = Release();
  return RuDU_CloseFile(h) != 0;
}

}  // namespace kz

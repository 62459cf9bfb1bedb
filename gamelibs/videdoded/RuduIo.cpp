#include "RuduIo.h"

#include "LargeBuffer.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "rudu/FileObject.h"
#include "rudu/rudu.h"

namespace videdoded {

std::string RuduLastErrorText() {
  int32_t code = RuDU_GetLastError();
  if (code == 0) return "unknown file error";
  int32_t needed = 0;
  RuDU_TranslateError(code, nullptr, 0, &needed);
  if (needed <= 0) return "file error " + std::to_string(code);
  std::string text(static_cast<size_t>(needed) + 1, '\0');
  RuDU_TranslateError(code, text.data(), static_cast<int32_t>(text.size()), &needed);
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  return text;
}

namespace {
std::string RuduErrorText() { return RuduLastErrorText(); }
}  // namespace

bool ReadAll(int32_t file, std::string& out, std::string& error) {
  out.clear();
  if (file == 0) {
    error = "No file (handle 0).";
    return false;
  }
  int32_t size = RuDU_FileSize(file);
  int32_t at = RuDU_FileTell(file);
  if (size < 0 || at < 0) {
    error = "Cannot read file " + std::to_string(file) + ": " + RuduErrorText();
    return false;
  }
  // Read handles hold their content in memory: take the rest in one call where it
  // fits, and go on in pieces for whatever came on top (a content that grew).
  if (size > at) {
    size_t want = static_cast<size_t>(size - at);
    ReserveLarge(out, want);
    out.resize(want);
    size_t have = 0;
    while (have < want) {
      int32_t got = RuDU_ReadFile(file, out.data() + have, static_cast<int32_t>(want - have));
      if (got <= 0) {
        if (got < 0 || RuDU_GetLastError() != 0) {
          out.clear();
          error = "Cannot read file " + std::to_string(file) + ": " + RuduErrorText();
          return false;
        }
        break;
      }
      have += static_cast<size_t>(got);
    }
    out.resize(have);
  }
  char chunk[4096];
  for (;;) {
    int32_t got = RuDU_ReadFile(file, chunk, static_cast<int32_t>(sizeof chunk));
    if (got < 0) {
      out.clear();
      error = "Cannot read file " + std::to_string(file) + ": " + RuduErrorText();
      return false;
    }
    if (got == 0) {
      if (RuDU_GetLastError() != 0) {
        out.clear();
        error = "Cannot read file " + std::to_string(file) + ": " + RuduErrorText();
        return false;
      }
      break;
    }
    out.append(chunk, static_cast<size_t>(got));
  }
  return true;
}

bool ViewRest(int32_t file, std::string_view& out, std::shared_ptr<const void>& keep) {
  auto f = rudu::HandleGetAs<rudu::FileObject>(file, rudu::kFileHandle);
  if (!f || f->stream) return false;
  const size_t size = static_cast<size_t>(f->Size());
  const size_t at = f->pos < 0 ? 0 : std::min(static_cast<size_t>(f->pos), size);
  out = std::string_view(reinterpret_cast<const char*>(f->Bytes()) + at, size - at);
  if (f->pos < static_cast<int64_t>(size)) f->pos = static_cast<int64_t>(size);
  keep = std::move(f);
  return true;
}

bool WriteAll(int32_t file, const char* data, size_t size, std::string& error) {
  while (size > 0) {
    int32_t part = size > static_cast<size_t>(INT32_MAX / 2) ? INT32_MAX / 2 : static_cast<int32_t>(size);
    int32_t put = RuDU_WriteFile(file, data, part);
    if (put != part) {
      error = "Cannot write file " + std::to_string(file) + ": " + RuduErrorText();
      return false;
    }
    data += part;
    size -= static_cast<size_t>(part);
  }
  return true;
}

bool ReadPath(const std::string& path, std::string& out, std::string& error) {
  int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  if (f == 0) {
    error = "Error opening file \"" + path + "\": " + RuduErrorText();
    return false;
  }
  std::string why;
  bool ok = ReadAll(f, out, why);
  RuDU_CloseFile(f);
  if (!ok) error = "Error reading file \"" + path + "\": " + why;
  return ok;
}

bool WritePath(const std::string& path, const std::string& data, int32_t mode, std::string& error) {
  int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, mode);
  if (f == 0) {
    error = "Error opening file \"" + path + "\" for writing: " + RuduErrorText();
    return false;
  }
  std::string why;
  bool ok = WriteAll(f, data.data(), data.size(), why);
  if (!ok) {
    // A write that failed is thrown away uncommitted: the old file stays whole.
    rudu::DiscardFile(f);
    error = "Error writing file \"" + path + "\": " + why;
    return false;
  }
  if (RuDU_CloseFile(f) == 0) {
    error = "Error writing file \"" + path + "\": " + RuduErrorText();
    return false;
  }
  return true;
}

}  // namespace videdoded

#include "Errors.h"

#include <cstring>

#include "rudu/HandleTable.h"
#include "videdoded.h"

namespace videdoded {

namespace detail {
constinit KZ_FAST_TLS thread_local LastError t_error;
}  // namespace detail

namespace {
using detail::t_error;
thread_local std::string g_text;
}  // namespace

void detail::DropErrorText() {
  g_text.clear();
  t_error.hasText = false;
}

int32_t Fail(int32_t code, std::string text) {
  t_error.code = code;
  g_text = std::move(text);
  t_error.hasText = true;
  return 0;
}

int32_t LastErrorCode() { return t_error.code; }
const std::string& LastErrorText() {
  if (!t_error.hasText) {
    static const std::string kNone;
    return kNone;
  }
  return g_text;
}

const char* ErrorCodeText(int32_t code) {
  switch (code) {
    case kKzErrNone: return "";
    case kKzErrInvalidHandle: return "Invalid handle.";
    case kKzErrWrongType: return "The handle is not of the kind this call needs.";
    case kKzErrArgument: return "Invalid argument.";
    case kKzErrRead: return "The file could not be read.";
    case kKzErrWrite: return "The file could not be written.";
    case kKzErrSyntax: return "The file is malformed.";
    case kKzErrXml: return "The XML text is malformed.";
    case kKzErrValue: return "The value is not of the kind asked for.";
    case kKzErrEnd: return "No more tokens: end of file.";
    case kKzErrRefused: return "The value cannot be written.";
    case kKzErrNotChild: return "The object is not a child of that parent.";
    case kKzErrReadOnly: return "The description store cannot be changed.";
    case kKzErrMemory: return "Out of memory.";
    default: return "Unknown error.";
  }
}

}  // namespace videdoded

using namespace videdoded;

int32_t Kz_GetLastError() { return LastErrorCode(); }

int32_t Kz_TranslateError(int32_t code, char* buffer, int32_t size, int32_t* needed) {
  std::string text;
  if (code == LastErrorCode() && !LastErrorText().empty())
    text = LastErrorText();
  else
    text = ErrorCodeText(code);
  if (needed) *needed = static_cast<int32_t>(text.size());
  if (!buffer || size <= 0) return 0;
  size_t n = text.size() < static_cast<size_t>(size) ? text.size() : static_cast<size_t>(size);
  std::memcpy(buffer, text.data(), n);
  if (n < static_cast<size_t>(size)) buffer[n] = '\0';
  return static_cast<int32_t>(n);
}

extern "C" const char* KzLibraryVersion(void) { return KZ_VERSION; }

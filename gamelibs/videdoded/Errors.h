// The library's last error (per thread): a code and its detailed text.
#pragma once

#include <cstdint>
#include <string>

#include "rudu/HandleTable.h"  // KZ_FAST_TLS

namespace videdoded {

namespace detail {
// The code and whether a text is set are plain values, so the clear done on entry of
// every call touches nothing else (and is inlined there); the text lives beside them.
// Initialised before any code runs (constinit), so that no use asks first whether
// they still need initialising.
struct LastError {
  int32_t code = 0;
  bool hasText = false;
};
// One thread-local object, so that an entry finds both with one look-up of its place.
extern constinit KZ_FAST_TLS thread_local LastError t_error;
void DropErrorText();
}  // namespace detail

inline void ClearError() {
  detail::t_error.code = 0;
  if (detail::t_error.hasText) [[unlikely]]
    detail::DropErrorText();
}
// Sets the last error; always returns 0 so that entries can "return Fail(...)".
int32_t Fail(int32_t code, std::string text);
int32_t LastErrorCode();
const std::string& LastErrorText();
// The standard text of a code.
const char* ErrorCodeText(int32_t code);

}  // namespace videdoded

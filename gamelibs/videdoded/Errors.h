// The library's last error (per thread): a code and its detailed text.
#pragma once

#include <cstdint>
#include <string>

namespace videdoded {

void ClearError();
// Sets the last error; always returns 0 so that entries can "return Fail(...)".
int32_t Fail(int32_t code, std::string text);
int32_t LastErrorCode();
const std::string& LastErrorText();
// The standard text of a code.
const char* ErrorCodeText(int32_t code);

}  // namespace videdoded

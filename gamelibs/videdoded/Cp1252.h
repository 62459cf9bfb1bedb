// Windows-1252 <-> UTF-8, byte-exact both ways (the five undefined bytes map to the
// C1 controls of the same number).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace videdoded {

// Appends the UTF-8 form of Windows-1252 bytes.
void AppendCp1252AsUtf8(std::string& out, const char* data, size_t size);
// Appends the Windows-1252 form of a UTF-8 text. False (out unchanged) when the text
// is not valid UTF-8 or holds a character Windows-1252 cannot hold; bad then receives
// the byte offset of the offending character.
bool AppendUtf8AsCp1252(std::string& out, std::string_view text, size_t* bad = nullptr);
// True when every byte is below 0x80.
bool IsAscii(const char* data, size_t size);

}  // namespace videdoded

// The few rudu calls the library makes, wrapped for whole-buffer reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace videdoded {

// The file driver's text for its last error.
std::string RuduLastErrorText();
// Reads an open rudu handle from its current position to its end. False with a text
// (the file driver's own error) on failure.
bool ReadAll(int32_t file, std::string& out, std::string& error);
// The rest of an open file's content from its position, where the handle holds it (no
// copy), with the position moved to the end as ReadAll leaves it; `keep` holds the
// handle's content for as long as the view is used. False, with nothing moved, when
// the content is not held whole in memory (a large packed file read piece by piece):
// ReadAll reads such a file.
bool ViewRest(int32_t file, std::string_view& out, std::shared_ptr<const void>& keep);
// Writes bytes to an open rudu write handle. False with a text on failure.
bool WriteAll(int32_t file, const char* data, size_t size, std::string& error);
// Opens, reads wholly and closes a file by path.
bool ReadPath(const std::string& path, std::string& out, std::string& error);
// Opens for writing (mode 1 plain, 2 packed), writes wholly and closes; true only when
// the file was committed.
bool WritePath(const std::string& path, const std::string& data, int32_t mode, std::string& error);

}  // namespace videdoded

// The input of the harnesses that open a file and edit it: the file's bytes, then (after
// a NUL byte) the edits, three bytes each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace fuzzinput {

// One edit: what to do and two bytes saying where or what.
struct Edit {
  uint8_t op, a, b;
};

struct FileAndEdits {
  std::string_view file;    // the bytes up to the first NUL, or all of them
  std::vector<Edit> edits;  // at most maxEdits; a short last group is dropped
};

inline FileAndEdits SplitFileAndEdits(const uint8_t* data, size_t size, size_t maxEdits) {
  FileAndEdits in;
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const size_t cut = all.find('\0');
  in.file = all.substr(0, cut);
  if (cut != std::string_view::npos)
    for (size_t i = cut + 1; i + 3 <= size && in.edits.size() < maxEdits; i += 3)
      in.edits.push_back({data[i], data[i + 1], data[i + 2]});
  return in;
}

}  // namespace fuzzinput

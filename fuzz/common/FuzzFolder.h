// A folder of the harness's own under the temporary folder, emptied for each input.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzfolder {

inline const std::filesystem::path& Root() {
  static const std::filesystem::path root = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/kz-fuzz-XXXXXX";
    if (!::mkdtemp(base.data())) std::abort();
    // Gone again when the run ends.
    static std::string made;
    made = base;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(made, ec);
    });
    return std::filesystem::path(base);
  }();
  return root;
}

// Empties the folder (it stays).
inline void Clear() {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(Root(), ec)) std::filesystem::remove_all(e.path(), ec);
}

// False when the bytes could not all be written.
inline bool Write(const std::filesystem::path& path, std::string_view bytes) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The input's parts between NUL bytes.
inline std::vector<std::string_view> Parts(const uint8_t* data, size_t size) {
  std::vector<std::string_view> parts;
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  size_t from = 0;
  for (;;) {
    const size_t nul = all.find('\0', from);
    parts.push_back(all.substr(from, nul == std::string_view::npos ? std::string_view::npos : nul - from));
    if (nul == std::string_view::npos) break;
    from = nul + 1;
  }
  return parts;
}

}  // namespace fuzzfolder

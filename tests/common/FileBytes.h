#pragma once
// The bytes of a file on disk, read past every layer the program puts on top.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kztest {

// The file's bytes; empty when it cannot be read.
inline std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace kztest

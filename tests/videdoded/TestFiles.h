// Small helpers for tests that go through files: a private folder and whole-file reads.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "tests/common/FileBytes.h"

namespace vtest {

inline std::filesystem::path Folder() {
  static std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("videdoded-test-" + std::to_string(::getpid()));
    std::filesystem::remove_all(d);
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

inline std::string PathOf(const std::string& name) { return (Folder() / name).string(); }

inline std::string ReadBytes(const std::string& path) { return kztest::FileBytes(path); }

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace vtest

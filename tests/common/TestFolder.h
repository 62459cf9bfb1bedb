#pragma once
// A folder of its own for the running test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace kztest {

// <temp>/kz-<prefix>-<process>-<test name>, emptied of what an earlier run left there
// (not created).
inline std::filesystem::path FreshTestFolder(const std::string& prefix) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("kz-" + prefix + "-" + std::to_string(::getpid()) + "-" +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(dir);
  return dir;
}

}  // namespace kztest

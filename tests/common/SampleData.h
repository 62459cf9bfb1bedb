#pragma once
// The sample data folder, written by the generator of the same build.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace kztest {

// Writes the sample data into `folder`; a failure names the command that failed.
inline ::testing::AssertionResult WriteSampleData(const std::string& folder) {
  const std::string cmd = std::string(KZ_TEST_BINARY_DIR) + "/bin/kz_sampledata '" + folder + "' > /dev/null";
  if (std::system(cmd.c_str()) == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << cmd;
}

}  // namespace kztest

// The main() of every GoogleTest program: gives each test process a private
// registry folder, offscreen Qt and the locations of the source and build trees,
// unless the caller set them already.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

std::string g_registry_dir;

void SetDefault(const char* name, const std::string& value) {
  if (std::getenv(name) == nullptr) ::setenv(name, value.c_str(), 1);
}

}  // namespace

// Qt's font setup keeps process-wide caches (fontconfig, freetype, harfbuzz and the
// style and font caches of Qt's GUI library) that are never freed.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libfreetype\nleak:libharfbuzz\nleak:libQt6Gui\n";
}

int main(int argc, char** argv) {
  SetDefault("QT_QPA_PLATFORM", "offscreen");
  SetDefault("KZ_SOURCE_DIR", KZ_TEST_SOURCE_DIR);
  SetDefault("KZ_BINARY_DIR", KZ_TEST_BINARY_DIR);
  if (std::getenv("KZ_REGISTRY_DIR") == nullptr) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kz-test-reg-XXXXXX").string();
    if (char* made = ::mkdtemp(pattern.data())) {
      g_registry_dir = made;
      ::setenv("KZ_REGISTRY_DIR", made, 1);
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  if (!g_registry_dir.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(g_registry_dir, ec);
  }
  return rc;
}

#pragma once
// Every test gets its own registry store and temporary folder, so tests may run in
// parallel and start from an empty store.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/Settings.h"
#include "platform/Registry.h"

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kz-settings-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    base_ = tmpl;
    std::filesystem::create_directories(base_ / "reg");
    std::filesystem::create_directories(base_ / "tmp");
    ::setenv("KZ_REGISTRY_DIR", (base_ / "reg").c_str(), 1);
    ::setenv("TMPDIR", (base_ / "tmp").c_str(), 1);
    platform::RegistryReset();
  }
  void TearDown() override {
    platform::RegistryReset();
    std::error_code ec;
    std::filesystem::permissions(base_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(base_, ec);
  }

  std::filesystem::path TempDir() const { return base_ / "tmp"; }

  // Direct access to the store, beside the object under test.
  static int32_t Key(int32_t hive, const std::string& path) {
    int32_t k = 0;
    EXPECT_EQ(platform::RegCreateKeyA(hive, path.c_str(), &k), platform::ERROR_SUCCESS);
    return k;
  }
  static void PutText(int32_t hive, const std::string& path, const std::string& name, const std::string& v) {
    int32_t k = Key(hive, path);
    platform::RegSetValueExA(k, name.c_str(), 0, platform::REG_SZ, v.c_str(), uint32_t(v.size() + 1));
    platform::RegCloseKey(k);
  }
  static void PutNumber(int32_t hive, const std::string& path, const std::string& name, int32_t v) {
    int32_t k = Key(hive, path);
    platform::RegSetValueExA(k, name.c_str(), 0, platform::REG_DWORD, &v, 4);
    platform::RegCloseKey(k);
  }
  // The stored type of a value (0 when missing), and its raw bytes.
  static uint32_t StoredType(int32_t hive, const std::string& path, const std::string& name,
                             std::string* bytes = nullptr) {
    int32_t k = 0;
    if (platform::RegOpenKeyA(hive, path.c_str(), &k) != platform::ERROR_SUCCESS) return 0;
    uint32_t type = 0, size = 0;
    uint32_t result = 0;
    if (platform::RegQueryValueExA(k, name.c_str(), nullptr, &type, nullptr, &size) == platform::ERROR_SUCCESS) {
      result = type;
      if (bytes) {
        bytes->assign(size, '\0');
        platform::RegQueryValueExA(k, name.c_str(), nullptr, &type, bytes->data(), &size);
      }
    }
    platform::RegCloseKey(k);
    return result;
  }

  static constexpr const char* kRoot = "software\\Ze Zuzazo";
  std::filesystem::path base_;
};

#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <vector>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/common/RunBounded.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void WriteAll(const fs::path& p, const std::string& s) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f << s;
}

// Every test gets its own empty store folder.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string base = (fs::temp_directory_path() / "kzreg-XXXXXX").string();
    ASSERT_NE(::mkdtemp(base.data()), nullptr);
    dir_ = base;
    ::setenv("KZ_REGISTRY_DIR", dir_.c_str(), 1);
    RegistryReset();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  int32_t Create(int32_t hive, const char* path) {
    int32_t h = 0;
    EXPECT_EQ(RegCreateKeyA(hive, path, &h), ERROR_SUCCESS);
    EXPECT_NE(h, 0);
    return h;
  }
  void SetText(int32_t key, const char* name, const std::string& text) {
    std::string data = text + '\0';
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, data.data(), static_cast<uint32_t>(data.size())), ERROR_SUCCESS);
  }
  void SetDword(int32_t key, const char* name, uint32_t v) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, &v, 4), ERROR_SUCCESS);
  }
  std::string GetText(int32_t key, const char* name, int32_t* rcOut = nullptr) {
    uint32_t type = 0, size = 0;
    int32_t rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (rcOut) *rcOut = rc;
    if (rc != ERROR_SUCCESS) return "<missing>";
    std::string buf(size, '\0');
    rc = RegQueryValueExA(key, name, nullptr, &type, buf.data(), &size);
    if (rcOut) *rcOut = rc;
    EXPECT_EQ(type, REG_SZ);
    return buf;
  }

  fs::path dir_;
};

TEST_F(RegistryTest, TypesRoundTripThroughTheFile) {
  int32_t k = Create(HKEY_CURRENT_USER, "software\\Ze Zuzazo\\main");
  SetText(k, "DataPath", "C:\\Games\\Kz \"Gold\"");
  SetText(k, "", "default text");
  SetText(k, "Empty", "");
  SetDword(k, "LoadDesc", 42);
  SetDword(k, "Neg", 0xFFFFFFFFu);
  // A text with a line break and a binary value survive as hex.
  std::string odd = std::string("a\nb") + '\0';
  ASSERT_EQ(RegSetValueExA(k, "Odd", 0, REG_SZ, odd.data(), static_cast<uint32_t>(odd.size())), ERROR_SUCCESS);
  const unsigned char bin[] = {0, 1, 0xfe, 0xff, 0x80};
  ASSERT_EQ(RegSetValueExA(k, "Bin", 0, REG_BINARY, bin, sizeof bin), ERROR_SUCCESS);
  ASSERT_EQ(RegCloseKey(k), ERROR_SUCCESS);

  std::string file = ReadAll(dir_ / "user.reg");
  EXPECT_NE(file.find("[HKEY_CURRENT_USER\\software\\Ze Zuzazo\\main]"), std::string::npos) << file;
  EXPECT_NE(file.find("\"DataPath\"=\"C:\\\\Games\\\\Kz \\\"Gold\\\"\""), std::string::npos) << file;
  EXPECT_NE(file.find("\"LoadDesc\"=dword:0000002a"), std::string::npos) << file;
  EXPECT_NE(file.find("@=\"default text\""), std::string::npos) << file;

  RegistryReset();  // read everything back from disk
  ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "SOFTWARE\\ze zuzazo\\MAIN", &k), ERROR_SUCCESS);
  EXPECT_EQ(GetText(k, "datapath"), std::string("C:\\Games\\Kz \"Gold\"") + '\0');
  EXPECT_EQ(GetText(k, nullptr), std::string("default text") + '\0');
  EXPECT_EQ(GetText(k, "Empty"), std::string(1, '\0'));
  EXPECT_EQ(GetText(k, "Odd"), odd);
  uint32_t type = 0, v = 0, size = 4;
  ASSERT_EQ(RegQueryValueExA(k, "LOADDESC", nullptr, &type, &v, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(v, 42u);
  ASSERT_EQ(RegQueryValueExA(k, "Neg", nullptr, &type, &v, &size), ERROR_SUCCESS);
  EXPECT_EQ(v, 0xFFFFFFFFu);
  unsigned char got[8] = {};
  size = sizeof got;
  ASSERT_EQ(RegQueryValueExA(k, "Bin", nullptr, &type, got, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  ASSERT_EQ(size, sizeof bin);
  EXPECT_EQ(std::memcmp(got, bin, sizeof bin), 0);
  RegCloseKey(k);
}

TEST_F(RegistryTest, MissingValuesKeysAndSmallBuffers) {
  int32_t k = 0;
  EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "software\\nothing", &k), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(k, 0);
  EXPECT_FALSE(fs::exists(dir_ / "user.reg")) << "a read must not create the file";
  k = Create(HKEY_CURRENT_USER, "software\\x");
  int32_t rc = 0;
  GetText(k, "none", &rc);
  EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND);
  SetText(k, "v", "hello");
  char small[3];
  uint32_t size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(k, "v", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(RegDeleteValueA(k, "V"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(k, "v"), ERROR_FILE_NOT_FOUND);
  // Handles: closed or unknown handles are refused, numbers are not reused.
  int32_t k2 = Create(HKEY_CURRENT_USER, "software\\x");
  EXPECT_NE(k2, k);
  EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(k, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(0, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  int32_t k3 = Create(HKEY_CURRENT_USER, "software\\y");
  EXPECT_GT(k3, k2);
  // A key deleted under an open handle.
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "software"), ERROR_ACCESS_DENIED);  // has subkeys
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "software\\Y"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "software\\Y"), ERROR_FILE_NOT_FOUND);
  uint32_t one = 1;
  EXPECT_EQ(RegSetValueExA(k3, "a", 0, REG_DWORD, &one, 4), ERROR_KEY_DELETED);
  RegCloseKey(k2);
  RegCloseKey(k3);
}

TEST_F(RegistryTest, Enumeration) {
  int32_t k = Create(HKEY_CURRENT_USER, "software\\mru");
  for (const char* n : {"zeta", "Alpha", "beta"}) {
    int32_t s = Create(k, n);
    RegCloseKey(s);
  }
  char name[20];
  std::string order;
  for (uint32_t i = 0;; ++i) {
    int32_t rc = RegEnumKeyA(k, i, name, sizeof name);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    order += std::string(name) + ",";
  }
  EXPECT_EQ(order, "Alpha,beta,zeta,");
  EXPECT_EQ(RegEnumKeyA(k, 0, name, 5), ERROR_MORE_DATA);  // "Alpha" needs 6

  SetText(k, "1", "one");
  SetText(k, "0", "zero");
  SetText(k, "long5", "x");
  SetText(k, "1", "uno");  // rewriting keeps the place
  std::string vals;
  for (uint32_t i = 0;; ++i) {
    char vn[5];
    uint32_t vnSize = sizeof vn, type = 0, dataSize = 16;
    char data[16];
    int32_t rc = RegEnumValueA(k, i, vn, &vnSize, nullptr, &type, data, &dataSize);
    if (rc != ERROR_SUCCESS) {
      EXPECT_EQ(rc, ERROR_MORE_DATA);  // "long5" does not fit a buffer of 5
      EXPECT_EQ(i, 2u);
      break;
    }
    EXPECT_EQ(vnSize, std::strlen(vn));
    vals += std::string(vn) + "=" + data + ",";
  }
  EXPECT_EQ(vals, "1=uno,0=zero,");
  char vn[8];
  uint32_t vnSize = sizeof vn;
  EXPECT_EQ(RegEnumValueA(k, 3, vn, &vnSize, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(k);
}

TEST_F(RegistryTest, HivesAreSeparateFiles) {
  int32_t u = Create(HKEY_CURRENT_USER, "software\\Ze Zuzazo");
  int32_t m = Create(HKEY_LOCAL_MACHINE, "software\\Ze Zuzazo");
  int32_t c = Create(HKEY_CLASSES_ROOT, ".html");
  SetText(u, "who", "user");
  SetText(m, "who", "machine");
  SetText(c, "", "htmlfile");
  EXPECT_EQ(GetText(u, "who"), std::string("user") + '\0');
  EXPECT_EQ(GetText(m, "who"), std::string("machine") + '\0');
  EXPECT_TRUE(fs::exists(dir_ / "user.reg"));
  EXPECT_TRUE(fs::exists(dir_ / "machine.reg"));
  EXPECT_TRUE(fs::exists(dir_ / "classes.reg"));
  EXPECT_EQ(RegistryHiveFile(HKEY_LOCAL_MACHINE), (dir_ / "machine.reg").string());
  RegCloseKey(u);
  RegCloseKey(m);
  RegCloseKey(c);
}

TEST_F(RegistryTest, FailedWriteLeavesFileAndTreeWhole) {
  int32_t k = Create(HKEY_CURRENT_USER, "software\\w");
  SetText(k, "keep", "old");
  std::string before = ReadAll(dir_ / "user.reg");
  // Block the temporary file so the commit cannot happen.
  fs::create_directory(dir_ / ("user.reg.tmp-" + std::to_string(::getpid())));
  std::string data = std::string("new") + '\0';
  EXPECT_EQ(RegSetValueExA(k, "keep", 0, REG_SZ, data.data(), 4), ERROR_WRITE_FAULT);
  EXPECT_EQ(RegSetValueExA(k, "added", 0, REG_SZ, data.data(), 4), ERROR_WRITE_FAULT);
  int32_t sub = 0;
  EXPECT_EQ(RegCreateKeyA(k, "sub", &sub), ERROR_WRITE_FAULT);
  EXPECT_EQ(ReadAll(dir_ / "user.reg"), before);
  EXPECT_EQ(GetText(k, "keep"), std::string("old") + '\0');
  int32_t rc = 0;
  GetText(k, "added", &rc);
  EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND);
  fs::remove(dir_ / ("user.reg.tmp-" + std::to_string(::getpid())));
  SetText(k, "keep", "new");
  EXPECT_EQ(GetText(k, "keep"), data);
  RegCloseKey(k);
}

TEST_F(RegistryTest, CorruptFileIsSetAsideAndDefaultsUsed) {
  const char* bad[] = {"garbage line\n", "\"v\"=\"x\"\n",  // value before any key
                       "[HKEY_CURRENT_USER\\a]\n\"v\"=dword:zz\n", "[HKEY_LOCAL_MACHINE\\a]\n",
                       "[HKEY_CURRENT_USER\\a]\n\"v\"=\"unterminated\n"};
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    fs::remove_all(dir_);
    fs::create_directory(dir_);
    RegistryReset();
    WriteAll(dir_ / "user.reg", text);
    int32_t k = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "a", &k), ERROR_FILE_NOT_FOUND);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("set aside"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir_ / "user.reg"));
    EXPECT_EQ(ReadAll(dir_ / "user.reg.corrupt-1"), text);
    k = Create(HKEY_CURRENT_USER, "a");
    SetDword(k, "v", 7);
    RegCloseKey(k);
    EXPECT_TRUE(fs::exists(dir_ / "user.reg"));
    EXPECT_EQ(ReadAll(dir_ / "user.reg.corrupt-1"), text);
  }
  // A second corrupt file takes the next number.
  WriteAll(dir_ / "user.reg", "junk\n");
  testing::internal::CaptureStderr();
  int32_t k = 0;
  RegOpenKeyA(HKEY_CURRENT_USER, "a", &k);
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(fs::exists(dir_ / "user.reg.corrupt-2"));
}

TEST_F(RegistryTest, ImportedExportWithHeaderCommentsAndContinuations) {
  WriteAll(dir_ / "user.reg",
           "Windows Registry Editor Version 5.00\r\n\r\n; a comment\r\n"
           "[HKEY_CURRENT_USER\\Software\\Ze Zuzazo]\r\n\"DataPath\"=\"D:\\\\Kz\"\r\n"
           "\"Bin\"=hex:01,02,\\\r\n  03\r\n");
  int32_t k = 0;
  ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "software\\ze zuzazo", &k), ERROR_SUCCESS);
  EXPECT_EQ(GetText(k, "DataPath"), std::string("D:\\Kz") + '\0');
  uint32_t size = 0;
  ASSERT_EQ(RegQueryValueExA(k, "Bin", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 3u);
  RegCloseKey(k);
}

TEST_F(RegistryTest, AnotherProcessWriteIsSeen) {
  int32_t k = Create(HKEY_CURRENT_USER, "software\\shared");
  SetDword(k, "n", 1);
  uint32_t v = 0, size = 4;
  ASSERT_EQ(RegQueryValueExA(k, "n", nullptr, nullptr, &v, &size), ERROR_SUCCESS);
  EXPECT_EQ(v, 1u);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int32_t ck = 0;
    uint32_t two = 2;
    int ok = RegOpenKeyA(HKEY_CURRENT_USER, "software\\shared", &ck) == ERROR_SUCCESS &&
             RegSetValueExA(ck, "n", 0, REG_DWORD, &two, 4) == ERROR_SUCCESS &&
             RegSetValueExA(ck, "fromChild", 0, REG_DWORD, &two, 4) == ERROR_SUCCESS;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  size = 4;
  ASSERT_EQ(RegQueryValueExA(k, "n", nullptr, nullptr, &v, &size), ERROR_SUCCESS);
  EXPECT_EQ(v, 2u);
  // Our next write keeps the other process's value.
  SetDword(k, "mine", 3);
  RegistryReset();
  size = 4;
  EXPECT_EQ(RegQueryValueExA(k, "fromChild", nullptr, nullptr, &v, &size), ERROR_SUCCESS);
  RegCloseKey(k);
}

using kztest::RunBounded;

TEST_F(RegistryTest, HiveThatIsANamedPipeIsRefusedAtOnce) {
  ASSERT_EQ(::mkfifo((dir_ / "user.reg").c_str(), 0600), 0);
  int rc = RunBounded(10, [] {
    testing::internal::CaptureStderr();
    int32_t k = 0;
    const bool missing = RegOpenKeyA(HKEY_CURRENT_USER, "software", &k) == ERROR_FILE_NOT_FOUND;
    const std::string err = testing::internal::GetCapturedStderr();
    const bool said = err.find("user.reg") != std::string::npos && err.find("named pipe") != std::string::npos;
    // The store goes on with defaults and can be written.
    const bool writes = RegCreateKeyA(HKEY_CURRENT_USER, "software", &k) == ERROR_SUCCESS;
    return missing && said && writes ? 0 : 1;
  });
  EXPECT_EQ(rc, 0) << "-1: the read waited on the pipe";
  EXPECT_TRUE(fs::is_regular_file(dir_ / "user.reg"));
}

TEST_F(RegistryTest, TemporaryFilesOfEndedProcessesAreRemovedBySaving) {
  std::fflush(nullptr);
  const pid_t dead = ::fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  const fs::path stale = dir_ / ("user.reg.tmp-" + std::to_string(dead));
  const fs::path running = dir_ / ("user.reg.tmp-" + std::to_string(::getppid()));
  const fs::path other = dir_ / ("user.reg.tmp-" + std::to_string(dead) + "x");
  for (const auto& p : {stale, running, other}) WriteAll(p, "half");
  int32_t k = Create(HKEY_CURRENT_USER, "software\\t");
  SetDword(k, "v", 1);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(running));
  EXPECT_TRUE(fs::exists(other));
  RegCloseKey(k);
}

// Lookups by name inside a key must not scan: a key of many values loads in about
// the time its file takes to read, and deleting keeps the others found and in order.
TEST_F(RegistryTest, ManyValuesInOneKeyLoadQuicklyAndStayInOrder) {
  constexpr int kCount = 80000;
  std::string text = "[HKEY_CURRENT_USER\\software\\Big]\n";
  for (int i = 0; i < kCount; ++i) text += "\"Value" + std::to_string(i) + "\"=dword:" + std::to_string(i % 10) + "\n";
  text += "[HKEY_CURRENT_USER\\software\\Big\\Sub]\n";
  WriteAll(dir_ / "user.reg", text);
  const auto start = std::chrono::steady_clock::now();
  int32_t k = 0;
  ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "SOFTWARE\\big", &k), ERROR_SUCCESS);
  uint32_t v = 0, size = 4;
  ASSERT_EQ(RegQueryValueExA(k, "VALUE79999", nullptr, nullptr, &v, &size), ERROR_SUCCESS);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(v, 9u);
  // A scan per value took minutes here; the indexed load takes a fraction of a second.
  EXPECT_LT(seconds, 10.0);

  ASSERT_EQ(RegDeleteValueA(k, "value3"), ERROR_SUCCESS);
  SetDword(k, "Value5", 55);  // rewriting keeps the place
  SetDword(k, "Added", 1);    // a new name goes last
  size = 4;
  EXPECT_EQ(RegQueryValueExA(k, "value3", nullptr, nullptr, &v, &size), ERROR_FILE_NOT_FOUND);
  size = 4;
  ASSERT_EQ(RegQueryValueExA(k, "Value4", nullptr, nullptr, &v, &size), ERROR_SUCCESS);
  EXPECT_EQ(v, 4u);
  RegistryReset();  // read back from the file
  std::vector<std::string> names;
  for (uint32_t i : {0u, 2u, 3u, 4u, static_cast<uint32_t>(kCount - 1)}) {
    char name[32];
    uint32_t nameSize = sizeof name, value = 0, valueSize = 4;
    ASSERT_EQ(RegEnumValueA(k, i, name, &nameSize, nullptr, nullptr, &value, &valueSize), ERROR_SUCCESS);
    names.push_back(std::string(name) + "=" + std::to_string(value));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Value0=0", "Value2=2", "Value4=4", "Value5=55", "Added=1"}));
  int32_t sub = 0;
  EXPECT_EQ(RegOpenKeyA(k, "sub", &sub), ERROR_SUCCESS);
  RegCloseKey(sub);
  RegCloseKey(k);
}

}  // namespace

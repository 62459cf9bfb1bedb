// Small helpers of the file-driver and file-system tests: a private folder per test,
// raw file reads and writes beside the driver, gzip through zlib, catalogs by hand.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>
#include "tests/common/FileBytes.h"

namespace kztest {

namespace fs = std::filesystem;

inline std::string MakeTempFolder() {
  std::string base = (fs::temp_directory_path() / "kz-fs-XXXXXX").string();
  std::vector<char> buf(base.begin(), base.end());
  buf.push_back('\0');
  if (!::mkdtemp(buf.data())) return {};
  return std::string(buf.data());
}

inline void WriteRaw(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadRaw(const std::string& path) { return FileBytes(path); }

inline std::string Gzip(const std::string& plain) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, plain.size()) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  z.avail_in = static_cast<uInt>(plain.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(out.size() - z.avail_out);
  deflateEnd(&z);
  return out;
}

inline std::string Gunzip(const std::string& packed) {
  z_stream z{};
  inflateInit2(&z, 15 + 16);
  std::string out;
  char buf[65536];
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(packed.size());
  int rc;
  do {
    z.next_out = reinterpret_cast<Bytef*>(buf);
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buf, sizeof buf - z.avail_out);
  } while (rc == Z_OK);
  inflateEnd(&z);
  return rc == Z_STREAM_END ? out : std::string("<corrupt>");
}

// Writes NAME.cat and NAME.dat holding the entries back to back.
inline void WriteCatalog(const std::string& catPath, const std::vector<std::pair<std::string, std::string>>& entries) {
  fs::path cat(catPath);
  std::string dataName = cat.stem().string() + ".dat";
  std::string index = dataName + "\n", data;
  for (const auto& [name, bytes] : entries) {
    index += name + " " + std::to_string(bytes.size()) + "\n";
    data += bytes;
  }
  WriteRaw(catPath, index);
  WriteRaw((cat.parent_path() / dataName).string(), data);
}

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakeTempFolder();
    ASSERT_FALSE(root.empty());
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
  }
  std::string P(const std::string& rel) const { return root + "/" + rel; }
  std::string root;
};

}  // namespace kztest

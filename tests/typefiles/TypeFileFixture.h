#pragma once
// Helpers of the type-file tests: type files as text, loaded through the file driver
// from a private folder, and saved back to bytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "core/Common.h"
#include "rudu.h"
#include "tests/common/TestFolder.h"
#include "typefiles/TxtParser.h"
#include "videdoded.h"
#include "tests/common/FileBytes.h"

class TypeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = kztest::FreshTestFolder("typefiles");
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  void WriteBytes(const std::string& name, const std::string& bytes) const {
    std::ofstream f(PathOf(name), std::ios::binary);
    f << bytes;
  }
  std::string ReadBytes(const std::string& name) const { return kztest::FileBytes(PathOf(name)); }

  // Writes the bytes to a file and loads it into the parser with the given type.
  bool LoadText(clsTxtParser& parser, const std::string& bytes, int32_t type, const std::string& name = "t.txt") {
    WriteBytes(name, bytes);
    int32_t h = RuDU_OpenFile(PathOf(name).c_str(), 0, 0, 0);
    EXPECT_NE(h, 0);
    bool ok = parser.Load(h, type);
    RuDU_CloseFile(h);
    return ok;
  }

  // Loads a file already in the folder into the parser with the given type.
  bool LoadFile(clsTxtParser& parser, const std::string& name, int32_t type) {
    int32_t h = RuDU_OpenFile(PathOf(name).c_str(), 0, 0, 0);
    EXPECT_NE(h, 0);
    const bool ok = parser.Load(h, type);
    RuDU_CloseFile(h);
    return ok;
  }
  // The bytes a save of the parser gives.
  static std::string Formed(clsTxtParser& parser) {
    std::string out;
    EXPECT_TRUE(parser.FormatFile(out)) << parser.GetLastError();
    return out;
  }

  // Saves the parser to a plain file; the bytes on disk afterwards in `bytes`.
  bool SaveTo(clsTxtParser& parser, const std::string& name, std::string& bytes) {
    int32_t h = RuDU_OpenFile(PathOf(name).c_str(), 1, 1, 1);
    EXPECT_NE(h, 0);
    bool ok = parser.Save(h);
    RuDU_CloseFile(h);
    bytes = ReadBytes(name);
    return ok;
  }

  static std::string Header() { return "// Created with " + kz::GetAppTitleVersion() + "\r\n"; }

  std::filesystem::path dir_;
};

// A fixed record of n values: numbers and texts in turn, the last one the ID.
inline std::string FixedLine(int n, const std::string& id, int seed = 0) {
  std::ostringstream s;
  for (int i = 0; i < n - 1; ++i) {
    if (i % 5 == 0)
      s << "file" << (seed + i) << ";";
    else if (i % 5 == 3)
      s << (seed + i) << ".25;";
    else
      s << (seed * 7 + i - 3) << ";";
  }
  s << id << ";\r\n";
  return s.str();
}

inline std::string GenericFile(int version, int n, const std::vector<std::string>& ids) {
  std::string text = "// Created with " + kz::GetAppTitleVersion() + "\r\n";
  text += std::to_string(version) + ";" + std::to_string(ids.size()) + ";\r\n";
  int seed = 0;
  for (const auto& id : ids) text += FixedLine(n, id, seed++);
  return text;
}

inline std::vector<std::string> NamesOf(const kz::Collection<TXTObjectPtr>& c) {
  std::vector<std::string> names;
  for (const auto& r : c) names.push_back(r->ObjectName());
  return names;
}

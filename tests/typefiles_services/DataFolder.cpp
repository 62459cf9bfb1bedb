#include "DataFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "rudu/rudu.h"
#include "zuzer/zuzer.h"

namespace testdata {

std::string TreXml(int32_t lang, const std::vector<TrePage>& pages) {
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"" + std::to_string(lang) + "\">\n";
  for (const TrePage& p : pages) {
    x += "  <page id=\"" + std::to_string(p.id) + "\" title=\"p\" descr=\"\" voice=\"0\">\n";
    for (const TreString& s : p.strings) x += "    <t id=\"" + std::to_string(s.id) + "\">" + s.text + "</t>\n";
    x += "  </page>\n";
  }
  return x + "</language>\n";
}

std::string TypeFile(int32_t version, const std::vector<std::vector<std::string>>& records) {
  std::string t = "// test data\r\n" + std::to_string(version) + ";" + std::to_string(records.size()) + ";\r\n";
  for (const auto& r : records) {
    for (const auto& v : r) t += v + ";";
    t += "\r\n";
  }
  return t;
}

std::vector<std::string> Record(int32_t size, std::vector<std::string> first, const std::string& id) {
  std::vector<std::string> r = std::move(first);
  while (static_cast<int32_t>(r.size()) < size - 1) r.push_back("0");
  r.push_back(id);
  return r;
}

DataFolder::DataFolder() {
  char tmpl[] = "/tmp/kz-data-XXXXXX";
  if (!::mkdtemp(tmpl)) ADD_FAILURE() << "mkdtemp";
  root_ = tmpl;
  std::filesystem::create_directories(root_ / "types");
  std::filesystem::create_directories(root_ / "t");
  static bool filtered = [] {
    ZuZER_AddVFSFilter("types\\*");
    ZuZER_AddVFSFilter("t\\*");
    return true;
  }();
  (void)filtered;
}

DataFolder::~DataFolder() {
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

void DataFolder::Write(const std::string& rel, const std::string& content, bool packed) {
  std::filesystem::path p = root_ / rel;
  std::filesystem::create_directories(p.parent_path());
  if (!packed) {
    std::ofstream(p, std::ios::binary) << content;
    return;
  }
  int32_t f = RuDU_OpenFile(p.c_str(), 1, 1, 2);
  ASSERT_NE(f, 0);
  ASSERT_EQ(RuDU_WriteFile(f, content.data(), static_cast<int32_t>(content.size())),
            static_cast<int32_t>(content.size()));
  ASSERT_NE(RuDU_CloseFile(f), 0);
}

void DataFolder::Remove(const std::string& rel) { std::filesystem::remove(root_ / rel); }

void DataFolder::Mount() const { ZuZER_CreateVFS(root_.c_str()); }

}  // namespace testdata

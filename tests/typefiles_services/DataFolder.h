#pragma once
// A small game data folder written for one test, with the virtual file system built
// over it: type files under types/, text resource files under t/.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace testdata {

struct TreString {
  int32_t id;
  std::string text;
};
struct TrePage {
  int32_t id;
  std::vector<TreString> strings;
};

// The XML of a text resource file.
std::string TreXml(int32_t lang, const std::vector<TrePage>& pages);

// A generic type file: a remark, "version;count;", one line per record.
std::string TypeFile(int32_t version, const std::vector<std::vector<std::string>>& records);
// A record of `size` values: `first` at the start, the ID last, "0" between.
std::vector<std::string> Record(int32_t size, std::vector<std::string> first, const std::string& id);
// A ware-like record of `size` values whose field 6 (the name string) is `desc`.
inline std::vector<std::string> Ware(int32_t size, const std::string& desc, const std::string& id) {
  return Record(size, {"body", "0", "0", "0", "0", "0", desc}, id);
}

class DataFolder {
 public:
  DataFolder();
  ~DataFolder();
  DataFolder(const DataFolder&) = delete;
  DataFolder& operator=(const DataFolder&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  // Writes a file below the root (folders created); packed through the file driver.
  void Write(const std::string& rel, const std::string& content, bool packed = false);
  void Remove(const std::string& rel);
  // (Re)builds the virtual file system over the folder.
  void Mount() const;

 private:
  std::filesystem::path root_;
};

}  // namespace testdata

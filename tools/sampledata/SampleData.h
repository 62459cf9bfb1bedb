// The sample game data folder: a few type files (plain and packed), a numbered
// catalog, a mod catalog and the folders of the virtual file system's filters,
// written through the project's own file driver.
//
// A generator is a function that writes one group of files; it is added by
// KZ_SAMPLE_GENERATOR(name) in any source file of this folder and runs in the
// order of its name. Generators overwrite what they write, so running again gives
// the same folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kzsample {

class SampleWriter {
 public:
  explicit SampleWriter(std::string root);

  const std::string& Root() const { return root_; }
  // A file below the root ("types/TLaser.txt"): plain or packed (gzip).
  bool WritePlain(const std::string& rel, std::string_view content);
  bool WritePacked(const std::string& rel, std::string_view content);
  // A catalog below the root ("01.cat", "mods/samplemod.cat") made of the given
  // entries (inner path, content, packed), replacing any earlier catalog of that name.
  struct Entry {
    std::string inner;
    std::string content;
    bool packed = false;
  };
  bool WriteCatalog(const std::string& rel, const std::vector<Entry>& entries);
  // Creates a folder below the root.
  bool MakeFolder(const std::string& rel);

  const std::string& Error() const { return error_; }
  int FilesWritten() const { return written_; }

 private:
  bool Write(const std::string& path, std::string_view content, int form);
  std::string root_;
  std::string error_;
  int written_ = 0;
};

using Generator = bool (*)(SampleWriter&);

// Adds a generator (used through KZ_SAMPLE_GENERATOR).
bool RegisterGenerator(const char* name, Generator fn);
// Runs every generator into `root`; false with the first error.
bool WriteSampleData(const std::string& root, std::string& error, int& files);

// Lines of a generic type file: a remark, "version;count;", then one line per record.
std::string TypeFileText(int version, const std::vector<std::vector<std::string>>& records);

}  // namespace kzsample

#define KZ_SAMPLE_GENERATOR(name)                                                        \
  static bool name(kzsample::SampleWriter& out);                                         \
  [[maybe_unused]] static const bool name##_registered = kzsample::RegisterGenerator(#name, name); \
  static bool name(kzsample::SampleWriter& out)

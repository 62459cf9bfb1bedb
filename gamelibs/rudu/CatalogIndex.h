// A catalog's index (NAME.cat) read and checked against its data file (NAME.dat).
// The format is described in rudu.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "HandleTable.h"  // KZ_EXPORT

namespace rudu {

class KZ_EXPORT CatalogIndex {
 public:
  struct Entry {
    uint32_t pathOffset;  // the inner path inside Text()
    uint32_t pathLength;
    uint32_t size;
    bool live;            // false when a later line names the same path
    uint64_t offset;      // in the data file
  };

  // Reads an index from memory; `dataSize` is the data file's size. False with the
  // reason (without a file name) for anything that is not a sound index.
  bool Parse(std::string text, uint64_t dataSize, std::string& why);
  // Reads NAME.cat (an existing path as on disk) and finds its data file. The
  // error names the file.
  bool Load(const std::string& catalogPath, std::string& error);

  // A shared, checked index of a catalog path (found without regard to case). The
  // same object comes back while neither file has changed on disk.
  static std::shared_ptr<const CatalogIndex> Open(std::string_view path, std::string& error);
  // Forgets every cached index (the next Open reads the files again).
  static void ClearCache();

  const std::string& CatalogPath() const { return catalogPath_; }
  const std::string& DataName() const { return dataName_; }
  const std::string& DataPath() const { return dataPath_; }
  uint64_t DataSize() const { return dataSize_; }
  // Sum of the entries' sizes: where the next entry's bytes go.
  uint64_t Total() const { return total_; }
  size_t Count() const { return entries_.size(); }
  const Entry& At(size_t i) const { return entries_[i]; }
  std::string_view Path(size_t i) const {
    return std::string_view(text_).substr(entries_[i].pathOffset, entries_[i].pathLength);
  }
  // The entry of an inner path ("\"-separated, any case), -1 when there is none.
  long Find(std::string_view innerPath) const;
  // Reads an entry's bytes from the data file.
  bool ReadEntry(size_t i, std::vector<uint8_t>& out, std::string& error) const;
  // Reads the first bytes of an entry (up to `count`).
  bool PeekEntry(size_t i, size_t count, std::vector<uint8_t>& out, std::string& error) const;
  // The text of this index with one line added at the end.
  std::string TextWith(std::string_view innerPath, uint32_t size) const;
  // The text of a new, empty index for a data file name.
  static std::string EmptyText(std::string_view dataName);

 private:
  std::string text_;
  std::string catalogPath_;
  std::string dataName_;
  std::string dataPath_;
  uint64_t dataSize_ = 0;
  uint64_t total_ = 0;
  std::vector<Entry> entries_;
  static constexpr uint32_t kNoEntry = 0xffffffffu;
  std::vector<uint32_t> slots_;  // open addressing over the live entries
};

}  // namespace rudu

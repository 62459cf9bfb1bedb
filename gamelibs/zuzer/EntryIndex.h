// The layered index of the virtual file system (or of one catalog): entries by path
// without regard to case, a higher layer hiding a lower one's entry, folders with
// their children, and finds by folder and name pattern.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rudu/CatalogIndex.h"
#include "rudu/PathResolver.h"

namespace zuzer {

struct FindRecord {
  int32_t kind;      // 1 file, 2 folder
  std::string name;  // with its extension
  std::string path;  // what RuDU_OpenFile takes
};

class EntryIndex {
 public:
  // Entries are indexed when they match one of the filters (all when there is none).
  explicit EntryIndex(std::vector<std::string> filters = {});

  // Adds a catalog's live entries as a new, highest layer.
  void AddCatalog(std::shared_ptr<const rudu::CatalogIndex> catalog);
  // Adds the plain files below a folder (spelt as on disk) as a new, highest layer.
  void AddDisk(const std::string& root);
  // Builds the folders; call after adding layers and before finding.
  void Finish();

  // The matches of a last-part pattern in a folder ("" is the root; "\"-separated),
  // in the order of zuzer.h.
  void Find(std::string_view folder, std::string_view mask, std::vector<FindRecord>& out) const;
  // Live files.
  size_t FileCount() const { return liveFiles_; }

 private:
  struct Layer {
    bool disk = false;
    std::shared_ptr<const rudu::CatalogIndex> catalog;
    std::string root;   // disk root, or the catalog file
    std::string names;  // disk layer: the relative paths, back to back
  };
  struct Entry {
    std::string_view path;  // "\"-separated, as spelt in its source
    uint32_t layer;
    uint32_t nameStart;     // where the last name begins
    uint32_t stemEnd;       // where the extension's dot is (path size without one)
    uint32_t next;          // the next entry of the same stem path (higher layers first)
    bool live;
    uint64_t stemHash;
  };
  struct NoCaseHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return static_cast<size_t>(rudu::HashNoCase(s)); }
  };
  struct NoCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return rudu::EqualNoCase(a, b); }
  };
  struct Folder {
    std::string path;   // as first spelt
    std::string real;   // the folder's path for find records
    int64_t rank = -1;  // disk folders win, then the highest catalog
    std::vector<uint32_t> files;
    std::vector<std::string> subfolders;
  };

  bool Passes(std::string_view path) const;
  bool CouldEnter(std::string_view folderPrefix) const;
  void Insert(std::string_view path, uint32_t layer);
  void Rehash(size_t size);
  long FindStem(std::string_view stemPath, uint64_t hash) const;
  Folder& TouchFolder(std::string_view path, uint32_t layer);
  std::string RealPathOf(const Entry& e) const;
  std::string RealFolderPath(std::string_view folder, uint32_t layer) const;
  static std::string Lower(std::string_view s);
  void WalkDisk(Layer& layer, const std::string& diskFolder, const std::string& rel,
                std::vector<std::pair<uint32_t, uint32_t>>& found, int depth);

  std::vector<std::string> filters_;
  std::vector<std::unique_ptr<Layer>> layers_;
  std::vector<Entry> entries_;
  static constexpr uint32_t kNone = 0xffffffffu;
  // Stem path -> first entry of its chain: the entry in the low 32 bits, the upper
  // half of the stem's hash in the high ones (most probes never touch the entry).
  static constexpr uint64_t kEmpty = ~uint64_t{0};
  std::vector<uint64_t> slots_;
  static uint32_t SlotEntry(uint64_t slot) { return static_cast<uint32_t>(slot); }
  static uint64_t MakeSlot(uint64_t hash, uint32_t entry) { return (hash & 0xffffffff00000000ULL) | entry; }
  size_t usedSlots_ = 0;
  void Reserve(size_t more);
  std::unordered_map<std::string, Folder, NoCaseHash, NoCaseEqual> folders_;  // by path, any case
  size_t liveFiles_ = 0;
};

}  // namespace zuzer

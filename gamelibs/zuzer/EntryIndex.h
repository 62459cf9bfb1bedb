// The layered index of the virtual file system (or of one catalog): entries by path
// without regard to case, a higher layer hiding a lower one's entry, folders with
// their children, and finds by folder and name pattern.
//
// A catalog layer uses the catalog's own entry list (split, hashed and sorted into
// folders when the catalog was read, and shared while the catalog is unchanged); the
// disk layer builds the same kind of list while it walks the folders. The index itself
// keeps two numbers per entry and one hash table slot per distinct stem path.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "rudu/CatalogIndex.h"
#include "rudu/PageBlock.h"
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
  // A walk started by StartDisk holds on to this object.
  EntryIndex(const EntryIndex&) = delete;
  EntryIndex& operator=(const EntryIndex&) = delete;
  ~EntryIndex();

  // Adds a catalog as a new, highest layer (a later line of a path hides an earlier one).
  void AddCatalog(std::shared_ptr<const rudu::CatalogIndex> catalog);
  // Adds the plain files below a folder (spelt as on disk) as a new, highest layer.
  void AddDisk(const std::string& root);
  // Starts walking the folders below `root` on another thread, so that the walk (mostly
  // the system's time) runs while catalogs are read; the next AddDisk of the same root
  // takes its result. The layer still goes where AddDisk is called.
  void StartDisk(const std::string& root);
  // Indexes the layers added since the last call (the hash table grows once for all
  // of them) and builds the folders; call after adding layers and before finding.
  void Finish();
  // Indexes the layers added so far without building the folders (Finish does the
  // rest): work that can run while a walk StartDisk began goes on.
  void IndexAdded();

  // The matches of a last-part pattern in a folder ("" is the root; "\"-separated),
  // in the order of zuzer.h.
  void Find(std::string_view folder, std::string_view mask, std::vector<FindRecord>& out) const;
  // Live files.
  size_t FileCount() const { return liveFiles_; }
  // How many times the table of stem paths was made (sized first, or grown since).
  size_t TableSizings() const { return tableSizings_; }

 private:
  using Item = rudu::CatalogIndex::Entry;  // path, its split, its stem's hash, its folder
  static constexpr uint32_t kNone = 0xffffffffu;

  struct Layer {
    bool disk = false;
    bool indexed = false;
    std::shared_ptr<const rudu::CatalogIndex> catalog;
    std::string root;                // disk root, or the catalog file
    std::string names;               // disk: the relative paths of files and folders
    std::vector<Item> diskItems;     // disk: the files
    std::vector<std::pair<uint32_t, uint32_t>> diskFolders;  // disk: folder paths in names
    const char* text = nullptr;      // where the items' paths lie
    const Item* items = nullptr;
    size_t count = 0;
    uint32_t base = 0;               // the index's number of the first item
    std::vector<uint32_t> folderIds; // the layer's folders -> the index's folders (kNone: none yet)

    size_t FolderCount() const { return disk ? diskFolders.size() : catalog->FolderCount(); }
    std::string_view FolderPath(size_t k) const {
      return disk ? std::string_view(names).substr(diskFolders[k].first, diskFolders[k].second)
                  : catalog->FolderPath(k);
    }
    std::string_view Path(const Item& e) const { return std::string_view(text + e.pathOffset, e.pathLength); }
  };
  struct Ref {
    const Layer* layer;
    uint32_t layerId;
    const Item* item;
    std::string_view Path() const { return layer->Path(*item); }
    std::string_view Name() const { return Path().substr(item->nameStart); }
    std::string_view Stem() const { return Path().substr(item->nameStart, item->stemEnd - item->nameStart); }
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
    uint32_t parent = kNone;
    bool seen = false;        // holds a live file, or a folder that does
    std::string path;         // as first spelt by a live entry
    std::string real;         // the folder's path for find records
    int64_t rank = -1;        // disk folders win, then the highest catalog
    std::vector<uint32_t> files;
    std::vector<std::string> subfolders;
  };
  enum FilterResult : uint8_t { kAll, kNoneOf, kEach };

  bool Passes(std::string_view path) const;
  bool CouldEnter(std::string_view folderPrefix) const;
  FilterResult FilterFolder(std::string_view folder) const;
  Ref At(uint32_t id) const;
  // A layer's slots sorted by the part of the table they go to (their hash's top
  // byte), each part in the order of the items: placed part after part, the slots
  // placed together lie together (placed in the items' order, most would each cost a
  // fetch from memory), and parts far enough apart are placed at the same time.
  // A catalog whose entries are all indexed lends its own sorted slots, which number
  // its entries from 0: `base` is added to them as they are placed.
  struct SortedSlots {
    static constexpr size_t kParts = 256;
    rudu::PageBlock block;
    const uint64_t* slots = nullptr;
    uint32_t base = 0;
    uint32_t start[kParts + 1] = {};
    const uint64_t* Part(size_t b) const { return slots + start[b]; }
    size_t PartSize(size_t b) const { return start[b + 1] - start[b]; }
    uint64_t At(const uint64_t* part, size_t j) const {
      const uint64_t s = part[j];
      return (s & 0xffffffff00000000ULL) | static_cast<uint32_t>(~(~static_cast<uint32_t>(s) + base));
    }
  };
  static_assert(SortedSlots::kParts == rudu::CatalogIndex::kSlotParts);
  // Sets each item's folder (kNone when the filters leave it out) and an empty chain,
  // and sorts the slots of the items that are indexed; `filter` and the layer's
  // folderIds are set for its folders.
  void GatherLayer(uint32_t layerId, const std::vector<uint8_t>& filter, SortedSlots& out);
  // Places the slots of parts [first, end) of every layer in `sorted`. A slot whose
  // probe would leave the table's range of those parts (where another thread may be
  // placing) is kept in `deferred`, in order, to be placed afterwards.
  void PlaceParts(size_t first, size_t end, const std::vector<SortedSlots>& sorted, std::vector<uint64_t>& deferred,
                  size_t& used);
  // Places a slot; false, placing nothing, when the probe reaches the table index
  // `stop` (kNoStop for none).
  static constexpr size_t kNoStop = ~size_t{0};
  bool Place(uint64_t slot, size_t stop, size_t& used);
  // Where a hash (or a slot, which keeps its upper half) is placed first: its top bits,
  // as many as the table's size takes.
  size_t Home(uint64_t hash) const { return static_cast<size_t>(hash >> homeShift_); }
  void Reserve(size_t more);
  size_t WalkRoom(size_t indexing) const;
  void Rehash(size_t size);
  long FindStem(std::string_view stemPath, uint64_t hash) const;
  uint32_t FolderId(std::string_view path);
  void Touch(uint32_t folder, std::string_view path, uint32_t layer);
  std::string RealFolderPath(std::string_view folder, uint32_t layer) const;
  bool ReadFolder(Layer& layer, const std::string& diskFolder, const std::string& rel,
                  std::vector<std::string>& subfolders) const;
  void WalkDisk(Layer& layer, const std::string& diskFolder, const std::string& rel, int depth) const;
  void WalkDiskSplit(Layer& layer, int helpers) const;
  static void AppendWalk(Layer& to, const Layer& from);
  std::unique_ptr<Layer> ScanDisk(const std::string& root) const;

  std::vector<std::string> filters_;
  std::vector<size_t> prefixLength_;  // per filter: a text then only "*": the text's length, else npos
  std::vector<std::unique_ptr<Layer>> layers_;
  struct PendingWalk;
  std::shared_ptr<PendingWalk> pending_;  // the walk StartDisk began
  std::vector<uint32_t> bases_;     // the first item of each layer
  size_t items_ = 0;
  // A number a vector grows by without setting it (the code that grows it sets it).
  struct Unset32 {
    uint32_t v;
    Unset32() {}  // NOLINT: left unset on purpose
    Unset32(uint32_t x) : v(x) {}  // NOLINT(google-explicit-constructor)
    operator uint32_t() const { return v; }  // NOLINT(google-explicit-constructor)
  };
  std::vector<Unset32> next_;      // per item: the next item of the same stem path (higher layers first)
  std::vector<Unset32> folderOf_;  // per item: its folder, kNone when not indexed or hidden
  // Stem path -> first item of its chain: the item (its bits turned over) in the low 32
  // bits, the upper half of the stem's hash in the high ones (most probes never touch
  // the item). An empty slot is 0 (no item is kNone), so a fresh table needs no pass
  // to mark its slots empty.
  static constexpr uint64_t kEmpty = 0;
  // The slots, all kEmpty when made, in memory taken from the system.
  class SlotTable {
   public:
    SlotTable() = default;
    explicit SlotTable(size_t size) : block_(size * sizeof(uint64_t)), size_(size) {}
    void swap(SlotTable& other) noexcept {
      std::swap(block_, other.block_);
      std::swap(size_, other.size_);
    }
    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    uint64_t& operator[](size_t k) { return data()[k]; }
    const uint64_t& operator[](size_t k) const { return data()[k]; }
    const uint64_t* begin() const { return data(); }
    const uint64_t* end() const { return data() + size_; }

   private:
    uint64_t* data() const { return reinterpret_cast<uint64_t*>(block_.data()); }
    rudu::PageBlock block_;
    size_t size_ = 0;
  };
  SlotTable slots_;
  static uint32_t SlotEntry(uint64_t slot) { return ~static_cast<uint32_t>(slot); }
  static uint64_t MakeSlot(uint64_t hash, uint32_t entry) { return (hash & 0xffffffff00000000ULL) | ~entry; }
  unsigned homeShift_ = 64;
  size_t usedSlots_ = 0;
  size_t tableSizings_ = 0;
  std::vector<Folder> folders_;  // 0 is the root
  std::unordered_map<std::string, uint32_t, NoCaseHash, NoCaseEqual> folderIds_;  // by path, any case
  size_t liveFiles_ = 0;
};

}  // namespace zuzer

// A catalog's index (NAME.cat) read and checked against its data file (NAME.dat).
// The format is described in rudu.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "HandleTable.h"  // KZ_EXPORT
#include "PageBlock.h"

namespace rudu {

class KZ_EXPORT CatalogIndex {
 public:
  struct Entry {
    uint32_t pathOffset;  // the inner path inside the index text
    uint32_t pathLength;
    uint32_t size;
    uint32_t nameStart;   // in the path: where its last name begins
    uint32_t stemEnd;     // in the path: the extension's dot (the path's length without one)
    uint32_t folder;      // the entry's folder, an index of FolderPath (0 is the top)
    uint64_t offset;      // in the data file
    uint64_t stemHash;    // HashNoCase of the path up to stemEnd
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

  // The index text (inner paths with "\" between their names).
  std::string_view Text() const { return std::string_view(text_.data(), textSize_); }
  const std::string& CatalogPath() const { return catalogPath_; }
  const std::string& DataName() const { return dataName_; }
  const std::string& DataPath() const { return dataPath_; }
  uint64_t DataSize() const { return dataSize_; }
  // Sum of the entries' sizes: where the next entry's bytes go.
  uint64_t Total() const { return total_; }
  size_t Count() const { return count_; }
  const Entry& At(size_t i) const { return Entries()[i]; }
  std::string_view Path(size_t i) const { return Text().substr(At(i).pathOffset, At(i).pathLength); }
  // The distinct folders of the entries (compared without regard to case), spelt as
  // on their first line; folder 0 is the top ("").
  size_t FolderCount() const { return folders_.size(); }
  std::string_view FolderPath(size_t k) const { return Text().substr(folders_[k].offset, folders_[k].length); }
  // The entries' stems by the top byte of their hash, made with the entries (while
  // they are still in the cache) for the file system's index, which would otherwise
  // read every entry back: part b holds SlotPart(b)[0, SlotPartSize(b)), each slot the
  // upper half of the stem's hash and the entry's number turned over in the lower
  // half, in the order of the entries.
  static constexpr size_t kSlotParts = 256;
  const uint64_t* SlotPart(size_t b) const { return reinterpret_cast<const uint64_t*>(slotBlock_.data()) + slotStart_[b]; }
  size_t SlotPartSize(size_t b) const { return slotStart_[b + 1] - slotStart_[b]; }
  // Each entry's folder (At(i).folder), one after another.
  const uint32_t* EntryFolders() const { return reinterpret_cast<const uint32_t*>(folderBlock_.data()); }
  // Whether folder k holds entries directly (the top may hold none).
  bool FolderHoldsEntries(size_t k) const { return folderHolds_[k] != 0; }
  // The entry of an inner path ("\"-separated, any case; of several lines of the
  // path, the last), -1 when there is none.
  long Find(std::string_view innerPath) const;
  // False when a later line names the same path.
  bool IsLive(size_t i) const { return Find(Path(i)) == static_cast<long>(i); }
  // Reads an entry's bytes from the data file.
  bool ReadEntry(size_t i, std::vector<uint8_t>& out, std::string& error) const;
  // Reads the first bytes of an entry (up to `count`).
  bool PeekEntry(size_t i, size_t count, std::vector<uint8_t>& out, std::string& error) const;
  // The text of this index with one line added at the end.
  std::string TextWith(std::string_view innerPath, uint32_t size) const;
  // The text of a new, empty index for a data file name.
  static std::string EmptyText(std::string_view dataName);

 private:
  // The index file's bytes, and the entries: each in a block of its own, filled once
  // from its start.
  PageBlock text_;
  size_t textSize_ = 0;
  PageBlock entryBlock_;
  size_t count_ = 0;
  size_t capacity_ = 0;  // entries the block holds
  Entry* Entries() const { return reinterpret_cast<Entry*>(entryBlock_.data()); }
  // Reads the index in text_ (textSize_ bytes).
  bool ParseText(uint64_t dataSize, std::string& why);
  struct Builder;  // what reading the lines keeps between them
  struct Fill;     // the blocks the lines fill, and their counts while they are read
  bool ParseLines(Builder& b, std::string& why);
  bool ParseLinesInto(Fill& f, Builder& b, std::string& why);
  // Sorts the slots the lines gave into their parts, and says which folders hold entries.
  void SortSlots(const Builder& b);
  PageBlock slotBlock_;
  PageBlock folderBlock_;   // each entry's folder, written as its line is read
  PageBlock lineSlots_;     // while the lines are read: each entry's slot, in their order
  std::vector<uint8_t> folderHolds_;
  uint32_t slotStart_[kSlotParts + 1] = {};
  // A larger block for the entries, when the lines from `pos` on are shorter than the first ones.
  void GrowEntries(Fill& f, size_t pos);
  void GrowEntryBlocks(size_t pos);
  // Blocks for `wanted` entries, their folders and slots (those read so far moved over).
  void TakeEntryBlocks(size_t wanted);
  std::string catalogPath_;
  std::string dataName_;
  std::string dataPath_;
  uint64_t dataSize_ = 0;
  // The data file as Load found it (device, inode, modification time in ns).
  uint64_t dataDev_ = 0, dataIno_ = 0;
  int64_t dataMtimeNs_ = 0;
  friend struct CatalogCacheAccess;
  uint64_t total_ = 0;
  struct Folder {
    uint32_t offset, length;
    uint64_t hash;
  };
  std::vector<Folder> folders_;
  static constexpr uint32_t kNoEntry = 0xffffffffu;
  // Open addressing by stem over the live entries, made by the first Find: building
  // the file system does without it.
  mutable std::vector<uint32_t> slots_;
  mutable std::atomic<bool> slotsMade_{false};
  mutable std::mutex slotsLock_;
  void MakeSlots() const;

  void AddEntry(Fill& f, size_t lineStart, size_t pathLength, uint64_t size, uint32_t nameStart, uint32_t stemEnd,
                Builder& b);
  bool ParseShortLine(Fill& f, size_t& pos, Builder& b);
  uint32_t FolderOf(uint32_t offset, uint32_t length, uint64_t hash, std::vector<uint32_t>& table);
  uint32_t AddFolder(uint32_t offset, uint32_t length, uint64_t hash, std::vector<uint32_t>& table, size_t slot);
};

}  // namespace rudu

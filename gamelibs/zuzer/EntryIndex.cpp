#include "EntryIndex.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string.h>  // memrchr
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ShareWork.h"
#include "Wildcard.h"
#include "rudu/PathResolver.h"

namespace zuzer {

using rudu::EqualNoCase;
using rudu::FoldCase;
using rudu::HashNoCase;

namespace {

// Orders as the case-folded texts compare (bytes as unsigned values).
int CompareNoCase(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(FoldCase(a[i]));
    const auto y = static_cast<unsigned char>(FoldCase(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace

EntryIndex::EntryIndex(std::vector<std::string> filters) : filters_(std::move(filters)) {
  for (const std::string& f : filters_) {
    const size_t wild = f.find_first_of("*?");
    const bool prefix = wild != std::string::npos && f.find_first_not_of('*', wild) == std::string::npos;
    prefixLength_.push_back(prefix ? wild : std::string::npos);
  }
  folders_.emplace_back();  // the root
  folderIds_.emplace(std::string(), 0);
}

bool EntryIndex::Passes(std::string_view path) const {
  if (filters_.empty()) return true;
  for (const std::string& f : filters_)
    if (Wildcard::Match(f, path)) return true;
  return false;
}

bool EntryIndex::CouldEnter(std::string_view folderPrefix) const {
  if (filters_.empty()) return true;
  for (const std::string& f : filters_)
    if (Wildcard::CouldMatchWithPrefix(f, folderPrefix)) return true;
  return false;
}

// What the filters say about the files directly in a folder: all of them pass, none
// does, or each must be tried. A filter that is a text and a final "*" decides a
// folder whose path (with its "\") is at least as long as the text.
EntryIndex::FilterResult EntryIndex::FilterFolder(std::string_view folder) const {
  if (filters_.empty()) return kAll;
  std::string prefix(folder);
  if (!prefix.empty()) prefix += '\\';
  bool each = false;
  for (size_t k = 0; k < filters_.size(); ++k) {
    if (!Wildcard::CouldMatchWithPrefix(filters_[k], prefix)) continue;
    if (prefixLength_[k] <= prefix.size()) return kAll;
    each = true;
  }
  return each ? kEach : kNoneOf;
}

EntryIndex::Ref EntryIndex::At(uint32_t id) const {
  const uint32_t layer = static_cast<uint32_t>(std::upper_bound(bases_.begin(), bases_.end(), id) - bases_.begin() - 1);
  const Layer& l = *layers_[layer];
  return Ref{&l, layer, l.items + (id - l.base)};
}

long EntryIndex::FindStem(std::string_view stemPath, uint64_t hash) const {
  if (slots_.empty()) return -1;
  const size_t mask = slots_.size() - 1;
  const uint64_t high = hash & 0xffffffff00000000ULL;
  for (size_t s = Home(hash); slots_[s] != kEmpty; s = (s + 1) & mask) {
    if ((slots_[s] & 0xffffffff00000000ULL) != high) continue;
    const Ref r = At(SlotEntry(slots_[s]));
    if (r.item->stemHash == hash && r.item->stemEnd == stemPath.size() &&
        EqualNoCase(r.Path().substr(0, r.item->stemEnd), stemPath))
      return static_cast<long>(s);
  }
  return -1;
}

void EntryIndex::Reserve(size_t more) {
  // At most five slots of eight taken: probes stay short (a slot is eight bytes, so a
  // probe of a few slots reads one cache line), and a large table takes half the memory
  // it would at half full.
  size_t size = slots_.empty() ? 1024 : slots_.size();
  while ((usedSlots_ + more) * 8 > size * 5) size *= 2;
  if (size != slots_.size()) Rehash(size);
}

void EntryIndex::Rehash(size_t size) {
  ++tableSizings_;
  SlotTable old(size);
  old.swap(slots_);
  homeShift_ = static_cast<unsigned>(64 - __builtin_ctzll(size));
  const size_t mask = slots_.size() - 1;
  for (uint64_t slot : old) {
    if (slot == kEmpty) continue;
    size_t s = Home(slot);  // the slot holds the bits that place it: no entry is read
    while (slots_[s] != kEmpty) s = (s + 1) & mask;
    slots_[s] = slot;
  }
}

// Places an item's slot (made by GatherLayer, which set the item's lists): a later
// item of a stem path already placed goes first in its chain and hides the live item
// of the same path. A probe that reaches `stop` places nothing: the items of a stem
// path share a part of the table, so a later item of the same path stops there too.
__attribute__((always_inline)) inline bool EntryIndex::Place(uint64_t slot, size_t stop, size_t& used) {
  const uint32_t id = SlotEntry(slot);
  const uint64_t high = slot & 0xffffffff00000000ULL;
  const size_t mask = slots_.size() - 1;
  size_t s = Home(slot);
#if defined(__SSE2__)
  // Most slots go to the first empty slot of the eight from their home on, with none
  // of the same upper half before it: found without a branch on each slot (whether a
  // slot is taken is a coin's throw at this load, and each wrong guess costs the
  // processor its pipeline). Anything else is left to the probe below.
  if (s + 8 <= slots_.size() && (stop == kNoStop || stop <= s || stop >= s + 8)) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i upper = _mm_set1_epi64x(static_cast<long long>(high));
    const uint64_t* const at = &slots_[s];
    unsigned empty = 0, same = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 2 * k));
      __m128i z = _mm_cmpeq_epi32(v, zero);
      z = _mm_and_si128(z, _mm_shuffle_epi32(z, _MM_SHUFFLE(2, 3, 0, 1)));  // both halves zero
      // The sign of each 64-bit lane is that of its upper half's comparison.
      empty |= static_cast<unsigned>(_mm_movemask_pd(_mm_castsi128_pd(z))) << (2 * k);
      same |= static_cast<unsigned>(_mm_movemask_pd(_mm_castsi128_pd(_mm_cmpeq_epi32(v, upper)))) << (2 * k);
    }
    if (empty != 0) {
      const unsigned first = static_cast<unsigned>(__builtin_ctz(empty));
      if ((same & ((1u << first) - 1)) == 0) {
        slots_[s + first] = slot;
        ++used;
        return true;
      }
    }
  }
#endif
  for (; slots_[s] != kEmpty;) {
    if ((slots_[s] & 0xffffffff00000000ULL) == high) {
      const uint32_t head = SlotEntry(slots_[s]);
      const Ref r = At(head), n = At(id);
      const uint32_t stemEnd = n.item->stemEnd;
      if (r.item->stemHash == n.item->stemHash && r.item->stemEnd == stemEnd &&
          EqualNoCase(r.Path().substr(0, stemEnd), n.Path().substr(0, stemEnd))) {
        const std::string_view path = n.Path();
        for (uint32_t i = head; i != kNone; i = next_[i])
          if (folderOf_[i] != kNone && EqualNoCase(At(i).Path(), path)) {
            folderOf_[i] = kNone;
            break;
          }
        next_[id] = head;
        slots_[s] = slot;
        return true;
      }
    }
    s = (s + 1) & mask;
    if (s == stop) return false;
  }
  slots_[s] = slot;
  ++used;
  return true;
}

uint32_t EntryIndex::FolderId(std::string_view path) {
  auto it = folderIds_.find(path);
  if (it != folderIds_.end()) return it->second;
  const size_t slash = path.rfind('\\');
  const uint32_t parent = FolderId(slash == std::string_view::npos ? std::string_view() : path.substr(0, slash));
  const uint32_t id = static_cast<uint32_t>(folders_.size());
  folders_.emplace_back().parent = parent;
  folderIds_.emplace(std::string(path), id);
  return id;
}

// The first pass of indexing a layer, in the order of its items: each item's folder
// (kNone when the filters leave it out) and an empty chain, then the slots of the
// items that are indexed, sorted by the part of the table they go to.
void EntryIndex::GatherLayer(uint32_t layerId, const std::vector<uint8_t>& filter, SortedSlots& out) {
  Layer& layer = *layers_[layerId];
  const Item* items = layer.items;
  const size_t count = layer.count;
  const uint32_t* folderIds = layer.folderIds.data();
  Unset32* const next = next_.data() + layer.base;
  Unset32* const folderOf = folderOf_.data() + layer.base;
  bool all = layer.catalog != nullptr;
  for (size_t f = 0; all && f < filter.size(); ++f) all = filter[f] == kAll || !layer.catalog->FolderHoldsEntries(f);
  if (all) {
    // Every entry indexed: the catalog's own slots and folder list, without reading
    // the entries.
    const rudu::CatalogIndex& catalog = *layer.catalog;
    const uint32_t* folders = catalog.EntryFolders();
    for (size_t i = 0; i < count; ++i) {
      next[i] = kNone;
      folderOf[i] = folderIds[folders[i]];
    }
    out.slots = count ? catalog.SlotPart(0) : nullptr;
    out.base = layer.base;
    for (size_t b = 0; b <= SortedSlots::kParts; ++b)
      out.start[b] = b < SortedSlots::kParts ? static_cast<uint32_t>(catalog.SlotPart(b) - catalog.SlotPart(0))
                                              : out.start[b - 1] + static_cast<uint32_t>(catalog.SlotPartSize(b - 1));
    return;
  }
  uint32_t counts[SortedSlots::kParts] = {};
  for (size_t i = 0; i < count; ++i) {
    const Item& e = items[i];
    const uint8_t f = filter[e.folder];
    next[i] = kNone;
    if (f == kNoneOf || (f == kEach && !Passes(layer.Path(e)))) {
      folderOf[i] = kNone;
      continue;
    }
    folderOf[i] = folderIds[e.folder];
    ++counts[e.stemHash >> 56];
  }
  uint32_t at = 0;
  for (size_t b = 0; b < SortedSlots::kParts; ++b) {
    out.start[b] = at;
    at += counts[b];
  }
  out.start[SortedSlots::kParts] = at;
  out.block = rudu::PageBlock(size_t{at} * sizeof(uint64_t), rudu::PageBlock::kAnyBytes);
  uint64_t* const slots = reinterpret_cast<uint64_t*>(out.block.data());
  out.slots = slots;
  uint32_t fill[SortedSlots::kParts];
  std::memcpy(fill, out.start, sizeof fill);
  for (size_t i = 0; i < count; ++i) {
    if (folderOf[i] == kNone) continue;
    const uint64_t hash = items[i].stemHash;
    slots[fill[hash >> 56]++] = MakeSlot(hash, layer.base + static_cast<uint32_t>(i));
  }
}

void EntryIndex::PlaceParts(size_t first, size_t end, const std::vector<SortedSlots>& sorted,
                            std::vector<uint64_t>& deferred, size_t& used) {
  // The parts' range of the table ends where part `end` begins (the table's start
  // after the last part).
  const size_t stop = end == SortedSlots::kParts && first == 0
                          ? kNoStop
                          : (end << (64 - homeShift_ - 8)) & (slots_.size() - 1);
  constexpr size_t kAhead = 16;  // a slot's place is fetched while the ones before it are placed
  for (size_t b = first; b < end; ++b)
    for (const SortedSlots& layer : sorted) {
      const uint64_t* part = layer.Part(b);
      const size_t n = layer.PartSize(b);
      for (size_t j = 0; j < n; ++j) {
        if (j + kAhead < n) __builtin_prefetch(&slots_[Home(part[j + kAhead])], 1);
        const uint64_t slot = layer.At(part, j);
        if (!Place(slot, stop, used)) deferred.push_back(slot);
      }
    }
}

void EntryIndex::AddCatalog(std::shared_ptr<const rudu::CatalogIndex> catalog) {
  auto layer = std::make_unique<Layer>();
  layer->catalog = std::move(catalog);
  layer->root = layer->catalog->CatalogPath();
  layer->count = layer->catalog->Count();
  layer->items = layer->count ? &layer->catalog->At(0) : nullptr;
  layer->text = layer->catalog->Text().data();
  layer->base = static_cast<uint32_t>(items_);
  items_ += layer->count;
  bases_.push_back(layer->base);
  layers_.push_back(std::move(layer));
}

bool EntryIndex::ReadFolder(Layer& layer, const std::string& diskFolder, const std::string& rel,
                            std::vector<std::string>& subfolders) const {
  subfolders.clear();
  DIR* d = ::opendir(diskFolder.c_str());
  if (!d) return false;
  const auto folder = static_cast<uint32_t>(layer.diskFolders.size());
  layer.diskFolders.emplace_back(static_cast<uint32_t>(layer.names.size()), static_cast<uint32_t>(rel.size()));
  layer.names += rel;
  const FilterResult filter = FilterFolder(rel);
  const auto nameStart = static_cast<uint32_t>(rel.empty() ? 0 : rel.size() + 1);
  while (dirent* de = ::readdir(d)) {
    const char* n = de->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    unsigned char type = de->d_type;
    if (type == DT_UNKNOWN || type == DT_LNK) {
      const std::string full = diskFolder + "/" + n;
      struct stat st;
      if (::lstat(full.c_str(), &st) != 0) continue;
      if (S_ISLNK(st.st_mode)) {
        // A link to a file is indexed; links to folders are not followed.
        if (::stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        type = DT_REG;
      } else {
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
      }
    }
    if (type == DT_DIR) {
      subfolders.emplace_back(n);
      continue;
    }
    if (type != DT_REG || filter == kNoneOf) continue;
    const size_t length = std::strlen(n);
    // "\" separates folders in the index: such a name could never be opened.
    if (std::memchr(n, '\\', length) != nullptr) continue;
    const size_t start = layer.names.size();
    if (!rel.empty()) {
      layer.names += rel;
      layer.names += '\\';
    }
    layer.names.append(n, length);
    const std::string_view p(layer.names.data() + start, layer.names.size() - start);
    if (filter == kEach && !Passes(p)) {
      layer.names.resize(start);
      continue;
    }
    const char* dot = static_cast<const char*>(::memrchr(n, '.', length));
    const auto stemEnd = static_cast<uint32_t>(dot && dot > n ? nameStart + (dot - n) : p.size());
    layer.diskItems.push_back(Item{static_cast<uint32_t>(start), static_cast<uint32_t>(p.size()), 0, nameStart, stemEnd,
                                   folder, 0, HashNoCase(p.substr(0, stemEnd))});
  }
  ::closedir(d);
  // The subfolders to enter, in the order of their names.
  std::sort(subfolders.begin(), subfolders.end());
  size_t kept = 0;
  for (std::string& sub : subfolders) {
    std::string childRel = rel.empty() ? std::move(sub) : rel + "\\" + sub;
    if (CouldEnter(childRel + "\\")) subfolders[kept++] = std::move(childRel);
  }
  subfolders.resize(kept);
  return true;
}

void EntryIndex::WalkDisk(Layer& layer, const std::string& diskFolder, const std::string& rel, int depth) const {
  if (depth > 64) return;
  std::vector<std::string> subfolders;
  if (!ReadFolder(layer, diskFolder, rel, subfolders)) return;
  const size_t skip = rel.empty() ? 0 : rel.size() + 1;
  for (const std::string& childRel : subfolders)
    WalkDisk(layer, diskFolder + "/" + childRel.substr(skip), childRel, depth + 1);
}

// Appends a walk's layer to another, as if one walk had gone on into it.
void EntryIndex::AppendWalk(Layer& to, const Layer& from) {
  const auto base = static_cast<uint32_t>(to.names.size());
  const auto folderBase = static_cast<uint32_t>(to.diskFolders.size());
  for (const auto& f : from.diskFolders) to.diskFolders.emplace_back(f.first + base, f.second);
  for (Item item : from.diskItems) {
    item.pathOffset += base;
    item.folder += folderBase;
    to.diskItems.push_back(item);
  }
  to.names += from.names;
}

// Walks the folders below the root as WalkDisk does, the first levels here and the
// folders below them on several threads at once (reading folders is mostly the
// system's time, and folders are read independently); the parts are joined in the
// order one walk would have found them.
void EntryIndex::WalkDiskSplit(Layer& layer, int helpers) const {
  struct Part {
    std::string disk, rel;
    int depth = 0;
    Layer own;                     // the folder alone, or with all below it
    std::vector<size_t> children;  // the parts of its subfolders (read here)
  };
  std::deque<Part> parts;
  parts.emplace_back().disk = layer.root;
  std::vector<size_t> level{0};
  std::vector<std::string> subs;
  constexpr size_t kEnoughParts = 16;
  while (!level.empty() && (level.size() < kEnoughParts || helpers == 0)) {
    std::vector<size_t> next;
    for (size_t id : level) {
      if (parts[id].depth > 64 || !ReadFolder(parts[id].own, parts[id].disk, parts[id].rel, subs)) continue;
      const size_t skip = parts[id].rel.empty() ? 0 : parts[id].rel.size() + 1;
      for (std::string& childRel : subs) {
        parts[id].children.push_back(parts.size());
        next.push_back(parts.size());
        Part& child = parts.emplace_back();  // a deque: parts[id] stays where it is
        child.disk = parts[id].disk + "/" + childRel.substr(skip);
        child.rel = std::move(childRel);
        child.depth = parts[id].depth + 1;
      }
    }
    level = std::move(next);
  }
  // The rest: each part a whole walk of its own, taken in turn by the walkers.
  ShareWork(level.size(), static_cast<size_t>(helpers), [&](size_t k) {
    Part& part = parts[level[k]];
    WalkDisk(part.own, part.disk, part.rel, part.depth);
  });
  // Joined in the order of one walk: a folder, then each of its subfolders' parts.
  size_t names = 0, items = 0, folders = 0;
  for (const Part& part : parts) {
    names += part.own.names.size();
    items += part.own.diskItems.size();
    folders += part.own.diskFolders.size();
  }
  layer.names.reserve(names);
  layer.diskItems.reserve(items);
  layer.diskFolders.reserve(folders);
  std::vector<size_t> stack{0};
  while (!stack.empty()) {
    Part& part = parts[stack.back()];
    stack.pop_back();
    AppendWalk(layer, part.own);
    for (auto c = part.children.rbegin(); c != part.children.rend(); ++c) stack.push_back(*c);
  }
}



std::unique_ptr<EntryIndex::Layer> EntryIndex::ScanDisk(const std::string& root) const {
  auto layer = std::make_unique<Layer>();
  layer->disk = true;
  layer->root = root;
  while (layer->root.size() > 1 && layer->root.back() == '/') layer->root.pop_back();
  // With no helper to be had, one walk in the order of the names (the split would
  // only copy every part once more).
  if (const int helpers = static_cast<int>(HelperThreads(2)))
    WalkDiskSplit(*layer, helpers);
  else
    WalkDisk(*layer, layer->root, std::string(), 0);
  if (layer->diskFolders.empty()) layer->diskFolders.emplace_back(0, 0);  // the top, even when unreadable
  layer->text = layer->names.data();
  layer->items = layer->diskItems.data();
  layer->count = layer->diskItems.size();
  return layer;
}

// A walk StartDisk began: done by whichever thread claims it first, the one started
// for it or AddDisk's.
struct EntryIndex::PendingWalk {
  std::string root;
  std::atomic<bool> claimed{false};
  std::mutex lock;
  std::condition_variable finished;
  bool done = false;
  std::unique_ptr<Layer> layer;
  std::exception_ptr error;

  void Run(const EntryIndex& index) {
    try {
      layer = index.ScanDisk(root);
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard<std::mutex> g(lock);
    done = true;
    finished.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> g(lock);
    finished.wait(g, [this] { return done; });
  }
};

EntryIndex::~EntryIndex() {
  // A walk under way reads the filters: it ends before they go.
  if (pending_ && pending_->claimed.exchange(true)) pending_->Wait();
}

size_t EntryIndex::WalkRoom(size_t indexing) const {
  if (!pending_) return 0;
  {
    std::lock_guard<std::mutex> g(pending_->lock);
    if (pending_->done) return pending_->layer ? pending_->layer->count : 0;
  }
  return indexing / 4;
}

void EntryIndex::StartDisk(const std::string& root) {
  if (pending_ && pending_->claimed.exchange(true)) pending_->Wait();
  pending_ = std::make_shared<PendingWalk>();
  pending_->root = root;
  if (HelperThreads(1) == 0) {
    // One processor: a walk beside the catalogs would only take turns with them. It
    // is done now, and its count sizes the table.
    pending_->claimed = true;
    pending_->Run(*this);
    return;
  }
  try {
    // The walk reads only the filters, which never change after construction.
    std::thread([walk = pending_, this] {
      if (!walk->claimed.exchange(true)) walk->Run(*this);
    }).detach();
  } catch (const std::system_error&) {
    // no thread to be had: AddDisk walks itself
  }
}

void EntryIndex::AddDisk(const std::string& root) {
  std::unique_ptr<Layer> layer;
  if (const std::shared_ptr<PendingWalk> walk = std::move(pending_)) {
    if (!walk->claimed.exchange(true)) {
      if (walk->root == root) layer = ScanDisk(root);  // its thread has not begun: walk here
    } else {
      walk->Wait();
      if (walk->error) std::rethrow_exception(walk->error);
      if (walk->root == root) layer = std::move(walk->layer);
    }
  }
  if (!layer) layer = ScanDisk(root);
  layer->base = static_cast<uint32_t>(items_);
  items_ += layer->count;
  bases_.push_back(layer->base);
  layers_.push_back(std::move(layer));
}

std::string EntryIndex::RealFolderPath(std::string_view folder, uint32_t layer) const {
  const Layer& l = *layers_[layer];
  if (l.disk) {
    std::string out = l.root;
    if (!folder.empty()) {
      if (out != "/") out += '/';
      for (char c : folder) out += c == '\\' ? '/' : c;
    }
    return out;
  }
  return l.root + "::" + std::string(folder);
}

// Marks a folder (spelt as in `path`) and its parents as holding live files of a
// layer: the first spelling names it, the disk or the highest catalog gives its path.
void EntryIndex::Touch(uint32_t id, std::string_view path, uint32_t layer) {
  const int64_t rank = layers_[layer]->disk ? (int64_t{1} << 40) : layer;
  if (id == 0) return;
  if (folders_[id].seen && folders_[id].rank >= rank) return;
  // The parent first: a folder's rank never passes its parent's.
  const size_t slash = path.rfind('\\');
  const uint32_t parent = folders_[id].parent;
  Touch(parent, slash == std::string_view::npos ? std::string_view() : path.substr(0, slash), layer);
  Folder& f = folders_[id];
  if (!f.seen) {
    f.seen = true;
    f.path.assign(path);
    folders_[parent].subfolders.emplace_back(slash == std::string_view::npos ? path : path.substr(slash + 1));
  }
  if (rank > f.rank) {
    f.rank = rank;
    f.real = RealFolderPath(f.path, layer);
  }
}

void EntryIndex::IndexAdded() {
  // Index the new layers, with room for all of them at once.
  size_t pending = 0;
  for (const auto& l : layers_)
    if (!l->indexed) pending += l->count;
  if (pending == 0) return;
  // A walk StartDisk began adds its layer after these: the table is sized for it too
  // (growing it later would move every entry placed now). Its count when it is done,
  // else room for a quarter more.
  const size_t walk = WalkRoom(pending);
  if (next_.capacity() < items_ + walk) {
    next_.reserve(items_ + walk);
    folderOf_.reserve(items_ + walk);
  }
  // Left unset here: indexing a layer sets both for each of its items.
  next_.resize(items_);
  folderOf_.resize(items_);
  Reserve(pending + walk);
  // The layers' folders in the index, and what the filters say of each, in the order
  // of the layers (a folder is made on its first use).
  std::vector<uint32_t> fresh;
  std::vector<std::vector<uint8_t>> filters;
  for (uint32_t k = 0; k < layers_.size(); ++k) {
    Layer& layer = *layers_[k];
    if (layer.indexed) continue;
    layer.indexed = true;
    fresh.push_back(k);
    const size_t folderCount = layer.FolderCount();
    std::vector<uint8_t>& filter = filters.emplace_back(folderCount);
    layer.folderIds.assign(folderCount, kNone);
    for (size_t f = 0; f < folderCount; ++f) {
      filter[f] = FilterFolder(layer.FolderPath(f));
      if (filter[f] != kNoneOf) layer.folderIds[f] = FolderId(layer.FolderPath(f));
    }
  }
  // Two passes: each layer's items sorted by the part of the table their slots go to
  // (the layers at once), then the parts one after the other, several ranges of them
  // at once when there are many items. The items of a stem path share a part and keep
  // their order in it.
  constexpr size_t kManyItems = size_t{1} << 15;
  const size_t helpers = pending >= kManyItems ? HelperThreads(3) : 0;
  std::vector<SortedSlots> sorted(fresh.size());
  ShareWork(fresh.size(), helpers, [&](size_t k) { GatherLayer(fresh[k], filters[k], sorted[k]); });
  if (helpers == 0) {
    std::vector<uint64_t> none;
    PlaceParts(0, SortedSlots::kParts, sorted, none, usedSlots_);
    return;
  }
  constexpr size_t kRanges = 16;
  std::vector<std::vector<uint64_t>> deferred(kRanges);
  std::vector<size_t> used(kRanges);
  ShareWork(kRanges, helpers, [&](size_t r) {
    const size_t width = SortedSlots::kParts / kRanges;
    PlaceParts(r * width, (r + 1) * width, sorted, deferred[r], used[r]);
  });
  for (size_t r = 0; r < kRanges; ++r) {
    usedSlots_ += used[r];
    for (uint64_t slot : deferred[r]) Place(slot, kNoStop, usedSlots_);
  }
}

void EntryIndex::Finish() {
  IndexAdded();

  // The folders, from the live files in the order of the layers.
  for (Folder& f : folders_) {
    f.seen = false;
    f.rank = -1;
    f.path.clear();
    f.real.clear();
    f.files.clear();
    f.subfolders.clear();
  }
  folders_[0].seen = true;
  liveFiles_ = 0;
  // Each layer's live files by folder (several layers at once when there are many
  // files): a count and the first file of each folder, then the files into the place
  // of the layer in each folder's list, which the counts size once.
  const size_t layerCount = layers_.size(), folderCount = folders_.size();
  std::vector<uint32_t> counts(layerCount * folderCount, 0), first(layerCount * folderCount, kNone);
  constexpr size_t kManyItems = size_t{1} << 15;
  const size_t helpers = items_ >= kManyItems ? HelperThreads(3) : 0;
  ShareWork(layerCount, helpers, [&](size_t k) {
    const Layer& layer = *layers_[k];
    const Unset32* folderOf = folderOf_.data() + layer.base;
    uint32_t* const count = counts.data() + k * folderCount;
    uint32_t* const firstOf = first.data() + k * folderCount;
    for (size_t i = 0; i < layer.count; ++i) {
      const uint32_t id = folderOf[i];
      if (id == kNone) continue;
      if (count[id]++ == 0) firstOf[id] = static_cast<uint32_t>(i);
    }
  });
  // counts becomes each layer's place in each folder's list.
  for (size_t id = 0; id < folderCount; ++id) {
    uint32_t at = 0;
    for (size_t k = 0; k < layerCount; ++k) {
      const uint32_t n = counts[k * folderCount + id];
      counts[k * folderCount + id] = at;
      at += n;
    }
    folders_[id].files.resize(at);
    liveFiles_ += at;
  }
  // A folder holds live files of a layer from the layer's first file in it on: in the
  // order of the layers and of those first files.
  std::vector<std::pair<uint32_t, uint32_t>> firsts;
  for (uint32_t k = 0; k < layerCount; ++k) {
    const Layer& layer = *layers_[k];
    firsts.clear();
    for (uint32_t id = 0; id < folderCount; ++id)
      if (first[k * folderCount + id] != kNone) firsts.emplace_back(first[k * folderCount + id], id);
    std::sort(firsts.begin(), firsts.end());
    for (const auto& [i, id] : firsts) {
      const Item& e = layer.items[i];
      Touch(id, layer.Path(e).substr(0, e.nameStart ? e.nameStart - 1 : 0), k);
    }
  }
  ShareWork(layerCount, helpers, [&](size_t k) {
    const Layer& layer = *layers_[k];
    const Unset32* folderOf = folderOf_.data() + layer.base;
    uint32_t* const at = counts.data() + k * folderCount;
    for (size_t i = 0; i < layer.count; ++i) {
      const uint32_t id = folderOf[i];
      if (id == kNone) continue;
      folders_[id].files[at[id]++] = layer.base + static_cast<uint32_t>(i);
    }
  });
}

void EntryIndex::Find(std::string_view folder, std::string_view mask, std::vector<FindRecord>& out) const {
  out.clear();
  auto it = folderIds_.find(folder);
  if (it == folderIds_.end() || !folders_[it->second].seen) return;
  const Folder& f = folders_[it->second];
  // The folder and its "\\", and after it the mask: one text for both uses.
  std::string asStem;
  asStem.reserve(folder.size() + 1 + mask.size());
  asStem.append(folder);
  if (!folder.empty()) asStem += '\\';
  const size_t prefixLength = asStem.size();
  asStem.append(mask);
  std::vector<std::string_view> subs;
  std::vector<Ref> files;
  const bool wild = Wildcard::HasWildcards(mask);
  for (const std::string& s : f.subfolders)
    if (wild ? Wildcard::Match(mask, s) : EqualNoCase(mask, s)) subs.push_back(s);
  if (wild) {
    for (uint32_t i : f.files) {
      const Ref r = At(i);
      if (Wildcard::Match(mask, r.Name()) || Wildcard::Match(mask, r.Stem())) files.push_back(r);
    }
  } else {
    // Exact names: the entries whose stem is the mask, and those whose name is it.
    long s = FindStem(asStem, HashNoCase(asStem));
    if (s >= 0)
      for (uint32_t i = SlotEntry(slots_[s]); i != kNone; i = next_[i])
        if (folderOf_[i] != kNone) files.push_back(At(i));
    uint32_t ns = 0, se = 0;
    rudu::SplitInnerName(asStem, ns, se);
    if (se != asStem.size()) {
      std::string_view stem = std::string_view(asStem).substr(0, se);
      s = FindStem(stem, HashNoCase(stem));
      if (s >= 0)
        for (uint32_t i = SlotEntry(slots_[s]); i != kNone; i = next_[i])
          if (folderOf_[i] != kNone && EqualNoCase(At(i).Path(), asStem)) files.push_back(At(i));
    }
  }
  std::sort(subs.begin(), subs.end(), [](std::string_view a, std::string_view b) { return CompareNoCase(a, b) < 0; });
  std::sort(files.begin(), files.end(), [](const Ref& x, const Ref& y) {
    if (const int c = CompareNoCase(x.Stem(), y.Stem())) return c < 0;
    if (x.layerId != y.layerId) return x.layerId > y.layerId;  // the higher layer first
    return CompareNoCase(x.Name(), y.Name()) < 0;
  });
  out.reserve(subs.size() + files.size());
  for (std::string_view s : subs) {
    asStem.resize(prefixLength);
    asStem.append(s);
    auto sub = folderIds_.find(std::string_view(asStem));
    out.push_back(FindRecord{2, std::string(s), sub == folderIds_.end() ? std::string() : folders_[sub->second].real});
  }
  for (const Ref& r : files) out.push_back(FindRecord{1, std::string(r.Name()), RealFolderPath(r.Path(), r.layerId)});
}

}  // namespace zuzer

#include "EntryIndex.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "Wildcard.h"
#include "rudu/PathResolver.h"

namespace zuzer {

using rudu::EqualNoCase;
using rudu::FoldCase;
using rudu::HashNoCase;

EntryIndex::EntryIndex(std::vector<std::string> filters) : filters_(std::move(filters)) {
  slots_.assign(1024, kEmpty);
}

std::string EntryIndex::Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = FoldCase(c);
  return out;
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

namespace {

void SplitName(std::string_view path, uint32_t& nameStart, uint32_t& stemEnd) {
  size_t slash = path.rfind('\\');
  nameStart = slash == std::string_view::npos ? 0 : static_cast<uint32_t>(slash + 1);
  size_t dot = path.rfind('.');
  stemEnd = (dot == std::string_view::npos || dot <= nameStart) ? static_cast<uint32_t>(path.size())
                                                                 : static_cast<uint32_t>(dot);
}

}  // namespace

long EntryIndex::FindStem(std::string_view stemPath, uint64_t hash) const {
  const size_t mask = slots_.size() - 1;
  const uint64_t high = hash & 0xffffffff00000000ULL;
  for (size_t s = static_cast<size_t>(hash) & mask; slots_[s] != kEmpty; s = (s + 1) & mask) {
    if ((slots_[s] & 0xffffffff00000000ULL) != high) continue;
    const Entry& e = entries_[SlotEntry(slots_[s])];
    if (e.stemHash == hash && e.stemEnd == stemPath.size() && EqualNoCase(e.path.substr(0, e.stemEnd), stemPath))
      return static_cast<long>(s);
  }
  return -1;
}

void EntryIndex::Reserve(size_t more) {
  if (entries_.size() + more > entries_.capacity())
    entries_.reserve(std::max(entries_.size() + more, entries_.capacity() * 2));
  size_t size = slots_.size();
  while ((usedSlots_ + more) * 2 > size) size *= 2;
  if (size != slots_.size()) Rehash(size);
}

void EntryIndex::Rehash(size_t size) {
  std::vector<uint64_t> old(size, kEmpty);
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (uint64_t slot : old) {
    if (slot == kEmpty) continue;
    const Entry& e = entries_[SlotEntry(slot)];
    size_t s = static_cast<size_t>(e.stemHash) & mask;
    while (slots_[s] != kEmpty) s = (s + 1) & mask;
    slots_[s] = slot;
  }
}

void EntryIndex::Insert(std::string_view path, uint32_t layer) {
  Entry e{path, layer, 0, 0, kNone, true, 0};
  SplitName(path, e.nameStart, e.stemEnd);
  const std::string_view stem = path.substr(0, e.stemEnd);
  const uint64_t hash = HashNoCase(stem);
  e.stemHash = hash;
  const uint32_t id = static_cast<uint32_t>(entries_.size());
  long slot = FindStem(stem, hash);
  if (slot >= 0) {
    for (uint32_t i = SlotEntry(slots_[slot]); i != kNone; i = entries_[i].next)
      if (entries_[i].live && EqualNoCase(entries_[i].path, path)) {
        entries_[i].live = false;
        break;
      }
    e.next = SlotEntry(slots_[slot]);
    slots_[slot] = MakeSlot(hash, id);
    entries_.push_back(e);
    return;
  }
  if ((usedSlots_ + 1) * 2 > slots_.size()) Rehash(slots_.size() * 2);
  const size_t mask = slots_.size() - 1;
  size_t s = static_cast<size_t>(hash) & mask;
  while (slots_[s] != kEmpty) s = (s + 1) & mask;
  slots_[s] = MakeSlot(hash, id);
  ++usedSlots_;
  entries_.push_back(e);
}

void EntryIndex::AddCatalog(std::shared_ptr<const rudu::CatalogIndex> catalog) {
  auto layer = std::make_unique<Layer>();
  layer->catalog = std::move(catalog);
  layer->root = layer->catalog->CatalogPath();
  const uint32_t id = static_cast<uint32_t>(layers_.size());
  const rudu::CatalogIndex& cat = *layer->catalog;
  layers_.push_back(std::move(layer));
  Reserve(cat.Count());
  for (size_t i = 0; i < cat.Count(); ++i) {
    if (!cat.At(i).live) continue;
    std::string_view p = cat.Path(i);
    if (Passes(p)) Insert(p, id);
  }
}

void EntryIndex::WalkDisk(Layer& layer, const std::string& diskFolder, const std::string& rel,
                          std::vector<std::pair<uint32_t, uint32_t>>& found, int depth) {
  if (depth > 64) return;
  DIR* d = ::opendir(diskFolder.c_str());
  if (!d) return;
  std::vector<std::string> subfolders;
  while (dirent* de = ::readdir(d)) {
    const char* n = de->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    unsigned char type = de->d_type;
    std::string full;
    if (type == DT_UNKNOWN || type == DT_LNK) {
      full = diskFolder + "/" + n;
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
    } else if (type == DT_REG) {
      const size_t start = layer.names.size();
      if (!rel.empty()) {
        layer.names += rel;
        layer.names += '\\';
      }
      layer.names += n;
      std::string_view p(layer.names.data() + start, layer.names.size() - start);
      if (Passes(p)) {
        found.emplace_back(static_cast<uint32_t>(start), static_cast<uint32_t>(p.size()));
      } else {
        layer.names.resize(start);
      }
    }
  }
  ::closedir(d);
  std::sort(subfolders.begin(), subfolders.end());
  for (const std::string& sub : subfolders) {
    std::string childRel = rel.empty() ? sub : rel + "\\" + sub;
    if (!CouldEnter(childRel + "\\")) continue;
    WalkDisk(layer, diskFolder + "/" + sub, childRel, found, depth + 1);
  }
}

void EntryIndex::AddDisk(const std::string& root) {
  auto layer = std::make_unique<Layer>();
  layer->disk = true;
  layer->root = root;
  while (layer->root.size() > 1 && layer->root.back() == '/') layer->root.pop_back();
  std::vector<std::pair<uint32_t, uint32_t>> found;
  WalkDisk(*layer, layer->root, "", found, 0);
  const uint32_t id = static_cast<uint32_t>(layers_.size());
  const std::string& names = layer->names;  // complete: views into it stay valid
  layers_.push_back(std::move(layer));
  Reserve(found.size());
  for (auto [off, len] : found) Insert(std::string_view(names).substr(off, len), id);
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

std::string EntryIndex::RealPathOf(const Entry& e) const { return RealFolderPath(e.path, e.layer); }

EntryIndex::Folder& EntryIndex::TouchFolder(std::string_view path, uint32_t layer) {
  const int64_t rank = layers_[layer]->disk ? (int64_t{1} << 40) : layer;
  auto it = folders_.find(path);
  if (it != folders_.end() && (path.empty() || it->second.rank >= rank)) return it->second;
  if (!path.empty()) {
    // The parent first: a folder's rank never passes its parent's.
    const size_t slash = path.rfind('\\');
    Folder& up = TouchFolder(slash == std::string_view::npos ? std::string_view() : path.substr(0, slash), layer);
    if (it == folders_.end()) up.subfolders.emplace_back(slash == std::string_view::npos ? path : path.substr(slash + 1));
  }
  if (it == folders_.end()) {
    Folder f;
    f.path = std::string(path);
    it = folders_.emplace(f.path, std::move(f)).first;
  }
  Folder& f = it->second;
  if (rank > f.rank && !path.empty()) {
    f.rank = rank;
    f.real = RealFolderPath(f.path, layer);
  }
  return f;
}

void EntryIndex::Finish() {
  folders_.clear();
  liveFiles_ = 0;
  folders_[""].path.clear();  // the root always exists
  Folder* last = nullptr;
  std::string_view lastPath;
  uint32_t lastLayer = kNone;
  for (uint32_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    if (!e.live) continue;
    std::string_view folder = e.nameStart == 0 ? std::string_view() : e.path.substr(0, e.nameStart - 1);
    if (!last || e.layer != lastLayer || !EqualNoCase(folder, lastPath)) {
      last = &TouchFolder(folder, e.layer);
      lastPath = folder;
      lastLayer = e.layer;
    }
    last->files.push_back(i);
    ++liveFiles_;
  }
}

void EntryIndex::Find(std::string_view folder, std::string_view mask, std::vector<FindRecord>& out) const {
  out.clear();
  auto it = folders_.find(folder);
  if (it == folders_.end()) return;
  const Folder& f = it->second;
  std::string prefix = folder.empty() ? std::string() : std::string(folder) + "\\";
  std::vector<std::string> subs;
  std::vector<uint32_t> files;
  const bool wild = Wildcard::HasWildcards(mask);
  for (const std::string& s : f.subfolders)
    if (wild ? Wildcard::Match(mask, s) : EqualNoCase(mask, s)) subs.push_back(s);
  if (wild) {
    for (uint32_t i : f.files) {
      const Entry& e = entries_[i];
      std::string_view name = e.path.substr(e.nameStart);
      std::string_view stem = e.path.substr(e.nameStart, e.stemEnd - e.nameStart);
      if (Wildcard::Match(mask, name) || Wildcard::Match(mask, stem)) files.push_back(i);
    }
  } else if (!slots_.empty()) {
    // Exact names: the entries whose stem is the mask, and those whose name is it.
    std::string asStem = prefix + std::string(mask);
    long s = FindStem(asStem, HashNoCase(asStem));
    if (s >= 0)
      for (uint32_t i = SlotEntry(slots_[s]); i != kNone; i = entries_[i].next)
        if (entries_[i].live) files.push_back(i);
    uint32_t ns = 0, se = 0;
    SplitName(asStem, ns, se);
    if (se != asStem.size()) {
      std::string_view stem = std::string_view(asStem).substr(0, se);
      s = FindStem(stem, HashNoCase(stem));
      if (s >= 0)
        for (uint32_t i = SlotEntry(slots_[s]); i != kNone; i = entries_[i].next)
          if (entries_[i].live && EqualNoCase(entries_[i].path, asStem)) files.push_back(i);
    }
  }
  std::sort(subs.begin(), subs.end(), [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
  std::sort(files.begin(), files.end(), [this](uint32_t a, uint32_t b) {
    const Entry& x = entries_[a];
    const Entry& y = entries_[b];
    std::string xs = Lower(x.path.substr(x.nameStart, x.stemEnd - x.nameStart));
    std::string ys = Lower(y.path.substr(y.nameStart, y.stemEnd - y.nameStart));
    if (xs != ys) return xs < ys;
    if (x.layer != y.layer) return x.layer > y.layer;  // the higher layer first
    return Lower(x.path.substr(x.nameStart)) < Lower(y.path.substr(y.nameStart));
  });
  out.reserve(subs.size() + files.size());
  for (const std::string& s : subs) {
    auto sub = folders_.find(prefix + s);
    out.push_back(FindRecord{2, s, sub == folders_.end() ? std::string() : sub->second.real});
  }
  for (uint32_t i : files) {
    const Entry& e = entries_[i];
    out.push_back(FindRecord{1, std::string(e.path.substr(e.nameStart)), RealPathOf(e)});
  }
}

}  // namespace zuzer

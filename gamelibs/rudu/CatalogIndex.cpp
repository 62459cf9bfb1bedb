#include "CatalogIndex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstring>
#include <map>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <mutex>

#include "ErrorStore.h"
#include "FdIo.h"
#include "PathResolver.h"

namespace rudu {

namespace {

// The whole file into a block of its own (the block is not cleared first: the read
// fills it).
bool ReadWhole(const std::string& path, PageBlock& out, size_t& size, std::string& why) {
  struct stat st;
  const char* special = nullptr;
  int fd = OpenRegularForReading(path.c_str(), special, &st);
  if (fd < 0) {
    why = special ? std::string("it is ") + special + ", not a file" : std::string(std::strerror(errno));
    return false;
  }
  if (st.st_size > 0x7fffffff) {
    why = "the file is too large";
    ::close(fd);
    return false;
  }
  try {
    out = PageBlock(static_cast<size_t>(st.st_size), PageBlock::kAnyBytes);
  } catch (const std::bad_alloc&) {
    why = "there is not enough memory to read it";
    ::close(fd);
    return false;
  }
  const ssize_t got = ReadFully(fd, out.data(), static_cast<size_t>(st.st_size));
  if (got < 0) {
    why = std::strerror(errno);
    ::close(fd);
    return false;
  }
  size = static_cast<size_t>(got);
  ::close(fd);
  return true;
}

}  // namespace

namespace {

// Classes of the characters of an inner path, for the one pass that checks and splits it.
enum : uint8_t { kPlain = 0, kSeparator = 1, kDot = 2, kRefused = 3 };

struct CharClasses {
  uint8_t of[256];
  constexpr CharClasses() : of() {
    for (int c = 0; c < 256; ++c) of[c] = (c < 0x20 || c == 0x7f) ? kRefused : kPlain;
    of[static_cast<unsigned char>('\\')] = kSeparator;
    of[static_cast<unsigned char>('/')] = kSeparator;
    of[static_cast<unsigned char>('.')] = kDot;
  }
};
constexpr CharClasses kClasses;

// The newlines of a text, and whether it holds a NUL byte: one pass over it.
size_t CountNewlines(const char* p, size_t n, bool& nul) {
  size_t lines = 0, i = 0;
  nul = false;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), newline = _mm_set1_epi8('\n');
  __m128i nuls = zero;
  while (n - i >= 16) {
    // Byte counters, added up before any of them can pass 255.
    const size_t steps = std::min<size_t>((n - i) / 16, 255);
    __m128i counts = zero;
    for (size_t k = 0; k < steps; ++k, i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(v, newline));
      nuls = _mm_or_si128(nuls, _mm_cmpeq_epi8(v, zero));
    }
    const __m128i sums = _mm_sad_epu8(counts, zero);
    lines += static_cast<size_t>(_mm_cvtsi128_si64(sums)) +
             static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
  }
  nul = _mm_movemask_epi8(nuls) != 0;
#endif
  for (; i < n; ++i) {
    lines += p[i] == '\n';
    nul = nul || p[i] == 0;
  }
  return lines;
}

inline bool BadName(const char* p, size_t start, size_t end) {
  const size_t len = end - start;
  return len == 0 || (p[start] == '.' && (len == 1 || (len == 2 && p[start + 1] == '.')));
}

// Accepts what PathResolver::InnerIsSound accepts (which gives the reason for the
// rest), turns "/" into "\" in place and finds the last name and the extension.
inline bool ScanInner(char* p, size_t n, uint32_t& nameStart, uint32_t& stemEnd) {
  if (n == 0 || (n >= 2 && p[1] == ':')) return false;
  size_t start = 0, dot = std::string_view::npos;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t k = kClasses.of[static_cast<unsigned char>(p[i])];
    if (k == kPlain) continue;
    if (k == kSeparator) {
      if (BadName(p, start, i)) return false;
      p[i] = '\\';
      start = i + 1;
    } else if (k == kDot) {
      dot = i;
    } else {
      return false;
    }
  }
  if (BadName(p, start, n)) return false;
  nameStart = static_cast<uint32_t>(start);
  stemEnd = (dot == std::string_view::npos || dot <= start) ? static_cast<uint32_t>(n) : static_cast<uint32_t>(dot);
  return true;
}

}  // namespace

// The folder of `length` bytes at `offset` (its hash given), added when it is new.
inline uint32_t CatalogIndex::FolderOf(uint32_t offset, uint32_t length, uint64_t hash, std::vector<uint32_t>& table) {
  const size_t mask = table.size() - 1;
  size_t s = static_cast<size_t>(hash) & mask;
  for (; table[s] != kNoEntry; s = (s + 1) & mask) {
    const Folder& f = folders_[table[s]];
    if (f.hash == hash && f.length == length &&
        EqualNoCase(std::string_view(text_.data() + f.offset, length), std::string_view(text_.data() + offset, length)))
      return table[s];
  }
  return AddFolder(offset, length, hash, table, s);
}

uint32_t CatalogIndex::AddFolder(uint32_t offset, uint32_t length, uint64_t hash, std::vector<uint32_t>& table,
                                 size_t slot) {
  const uint32_t id = static_cast<uint32_t>(folders_.size());
  folders_.push_back(Folder{offset, length, hash});
  table[slot] = id;
  if (folders_.size() * 2 > table.size()) {
    table.assign(table.size() * 2, kNoEntry);
    const size_t mask = table.size() - 1;
    for (uint32_t k = 1; k < folders_.size(); ++k) {
      size_t t = static_cast<size_t>(folders_[k].hash) & mask;
      while (table[t] != kNoEntry) t = (t + 1) & mask;
      table[t] = k;
    }
  }
  return id;
}

// The folders of the last lines, by the folder's length and last byte: most lines
// name a folder met a few lines before, found here by comparing bytes, without hashing.
// Each keeps the state of HashNoCase over the whole words of the folder and its "\"
// for the last stem length met in it: the next stem of that length there hashes only
// the words after them.
struct CatalogIndex::Builder {
  struct Recent {
    uint32_t length = 0;
    uint32_t id = kNoEntry;
    uint32_t stemLength = 0;  // 0: no state kept
    uint64_t state = 0;
  };
  std::vector<uint32_t> table = std::vector<uint32_t>(64, kNoEntry);  // folders by hash
  Recent recent[16];
  uint32_t partSizes[kSlotParts] = {};  // the entries' slots in each part
  bool topHolds = false;                // an entry lies in the top folder
};

// What the lines being read fill, held apart from the object while they are read: the
// blocks are written through plain pointers, which the compiler would otherwise take
// to change the object's counts after every entry.
struct CatalogIndex::Fill {
  char* text;
  size_t textSize;
  uint64_t dataSize;
  Entry* entries;
  uint32_t* folders;
  uint64_t* slots;
  size_t count;
  size_t capacity;
  uint64_t total;
};

namespace {

// HashNoCase's state after the whole words of p[from, end) (`end` a multiple of eight
// past `from`), from the state `h` before them.
__attribute__((always_inline)) inline uint64_t HashWords(uint64_t h, const char* p, size_t from, size_t end) {
  for (size_t i = from; i < end; i += 8) h = detail::Mix(h, detail::FoldWord(detail::Load8(p + i)));
  return h;
}

// HashNoCase of p[0, n) from its state after the first `from` bytes (a multiple of eight).
__attribute__((always_inline)) inline uint64_t HashRest(uint64_t h, const char* p, size_t from, size_t n) {
  size_t i = from;
  for (; i + 8 <= n; i += 8) h = detail::Mix(h, detail::FoldWord(detail::Load8(p + i)));
  if (i < n) h = detail::Mix(h, detail::FoldWord(detail::LoadTail(p + i, n - i)));
  return detail::Finish(h);
}

__attribute__((always_inline)) inline bool SameBytes(const char* a, const char* b, size_t n) {
  using namespace detail;
  size_t i = 0;
  for (; i + 8 <= n; i += 8)
    if (Load8(a + i) != Load8(b + i)) return false;
  return i == n || LoadTail(a + i, n - i) == LoadTail(b + i, n - i);
}

}  // namespace

__attribute__((always_inline)) inline void CatalogIndex::AddEntry(Fill& f, size_t lineStart, size_t pathLength,
                                                                   uint64_t size, uint32_t nameStart, uint32_t stemEnd,
                                                                   Builder& b) {
  const char* p = f.text + lineStart;
  uint32_t folder = 0;
  uint64_t stemHash;
  if (nameStart > 0) {
    const uint32_t length = nameStart - 1;
    Builder::Recent& r = b.recent[(length ^ static_cast<unsigned char>(p[length - 1]) * 5u) & 15];
    if (r.id != kNoEntry && r.length == length && SameBytes(f.text + folders_[r.id].offset, p, length)) {
      folder = r.id;
    } else {
      folder = FolderOf(static_cast<uint32_t>(lineStart), length, HashNoCase(std::string_view(p, length)), b.table);
      r.length = length;
      r.id = folder;
      r.stemLength = 0;
    }
    // The words before nameStart are the folder's bytes as the kept state saw them.
    const size_t whole = nameStart / 8 * 8;
    if (r.stemLength != stemEnd) {
      r.stemLength = stemEnd;
      r.state = HashWords(detail::kHashSeed ^ stemEnd, p, 0, whole);
    }
    stemHash = HashRest(r.state, p, whole, stemEnd);
  } else {
    stemHash = HashNoCase(std::string_view(p, stemEnd));
  }
  if (f.count == f.capacity) [[unlikely]]
    GrowEntries(f, lineStart);
  // Beside the entry, what sorting the slots takes, in blocks of their own: the folder,
  // and the slot with the part it goes to counted.
  const size_t i = f.count++;
  f.folders[i] = folder;
  f.slots[i] = (stemHash & 0xffffffff00000000ULL) | static_cast<uint32_t>(~static_cast<uint32_t>(i));
  ++b.partSizes[stemHash >> 56];
  b.topHolds |= nameStart == 0;
  f.entries[i] = Entry{static_cast<uint32_t>(lineStart), static_cast<uint32_t>(pathLength), static_cast<uint32_t>(size),
                       nameStart, stemEnd, folder, f.total, stemHash};
  f.total += size;
}

#if defined(__SSE2__)

namespace {

// Bit masks over the first 64 bytes of a line: one bit a byte.
struct LineMasks {
  uint64_t newline = 0, blank = 0, separator = 0, slash = 0, dot = 0, control = 0;
};

inline void AddChunk(LineMasks& m, const char* p, int shift) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const auto bits = [shift](__m128i x) { return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(x))) << shift; };
  const __m128i slash = _mm_cmpeq_epi8(v, _mm_set1_epi8('/'));
  m.newline |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
  m.blank |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')));
  m.slash |= bits(slash);
  m.separator |= bits(_mm_or_si128(slash, _mm_cmpeq_epi8(v, _mm_set1_epi8('\\'))));
  m.dot |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('.')));
  const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1f)), v);  // below 0x20
  m.control |= bits(_mm_or_si128(low, _mm_cmpeq_epi8(v, _mm_set1_epi8(0x7f))));
}

// Up to eight bytes whose last one lies just before `end`, read as a number when all
// of them are digits (false otherwise).
inline bool Digits(const char* end, size_t count, uint64_t& value) {
  uint64_t w;
  std::memcpy(&w, end - 8, 8);
  const uint64_t keep = ~uint64_t{0} << (8 * (8 - count));
  constexpr uint64_t kZeros = 0x3030303030303030ULL, kHigh = 0xf0f0f0f0f0f0f0f0ULL;
  // Bytes left out read as '0'; a byte is a digit when it is 0x3n and adding 6 keeps it so.
  const uint64_t d = (w & keep) | (kZeros & ~keep);
  if ((d & kHigh) != kZeros || ((d + 0x0606060606060606ULL) & kHigh) != kZeros) return false;
  w = d - kZeros;  // the first digit in the lowest kept byte
  w = w * 10 + (w >> 8);
  value = (((w & 0x000000ff000000ffULL) * 0x000f424000000064ULL) +
           (((w >> 16) & 0x000000ff000000ffULL) * 0x0000271000000001ULL)) >> 32;
  return true;
}

inline int Highest(uint64_t x) { return 63 - __builtin_clzll(x); }

}  // namespace

// A line of at most 63 bytes that is a sound entry with a size of up to eight
// digits, checked without a branch per character. False leaves everything as it was
// (the line is then read the general way, which also names what is wrong with it).
__attribute__((always_inline)) inline bool CatalogIndex::ParseShortLine(Fill& f, size_t& pos, Builder& b) {
  char* const p = f.text + pos;
  if (pos < 8 || f.textSize - pos < 64) return false;
  LineMasks m;
  AddChunk(m, p, 0);
  AddChunk(m, p + 16, 16);
  if (m.newline == 0) {
    AddChunk(m, p + 32, 32);
    AddChunk(m, p + 48, 48);
    if (m.newline == 0) return false;
  }
  const size_t end = static_cast<size_t>(__builtin_ctzll(m.newline));
  const size_t lineEnd = end > 0 && p[end - 1] == '\r' ? end - 1 : end;
  const uint64_t inLine = (uint64_t{1} << lineEnd) - 1;
  const uint64_t blanks = m.blank & inLine;
  if (blanks == 0) return false;
  const size_t blank = static_cast<size_t>(Highest(blanks));
  const size_t digits = lineEnd - blank - 1;
  if (blank == 0 || digits == 0 || digits > 8) return false;
  uint64_t size;
  if (!Digits(p + lineEnd, digits, size)) return false;
  // The path: no control characters, no drive, no empty names, no "." or "..".
  const uint64_t inPath = (uint64_t{1} << blank) - 1;
  const uint64_t seps = m.separator & inPath, dots = m.dot & inPath;
  const uint64_t last = uint64_t{1} << (blank - 1);
  const uint64_t nameBegins = (seps << 1) | 1;  // a name begins after a separator
  const uint64_t nameEnds = (seps >> 1) | last;  // and ends before one
  const uint64_t bad = (m.control & inPath) | (seps & nameBegins) | (seps & last) | (dots & nameBegins & nameEnds) |
                       (dots & nameBegins & (dots >> 1) & (nameEnds >> 1));
  if (bad != 0 || (blank >= 2 && p[1] == ':')) return false;
  if (f.total + size > f.dataSize || pos > 0xffffffffULL || f.count >= 0x7fffffff) return false;
  for (uint64_t s = m.slash & inPath; s != 0; s &= s - 1) p[__builtin_ctzll(s)] = '\\';
  const uint32_t nameStart = seps ? static_cast<uint32_t>(Highest(seps) + 1) : 0;
  const uint64_t extension = dots & ~((uint64_t{2} << nameStart) - 1);  // a dot after the name's first character
  const uint32_t stemEnd = extension ? static_cast<uint32_t>(Highest(extension)) : static_cast<uint32_t>(blank);
  AddEntry(f, pos, blank, size, nameStart, stemEnd, b);
  pos += end + 1;
  return true;
}

#else

bool CatalogIndex::ParseShortLine(Fill&, size_t&, Builder&) { return false; }

#endif

bool CatalogIndex::Parse(std::string text, uint64_t dataSize, std::string& why) {
  try {
    text_ = PageBlock(text.size(), PageBlock::kAnyBytes);
  } catch (const std::bad_alloc&) {
    why = "there is not enough memory to read it";
    return false;
  }
  std::memcpy(text_.data(), text.data(), text.size());
  textSize_ = text.size();
  return ParseText(dataSize, why);
}

// Room for the entries as the first lines promise: their count over their bytes, for
// the whole text (all of it is counted when it is short), with some to spare. Lines
// shorter further on take a larger block (GrowEntries).
namespace {
size_t EstimatedEntries(const char* text, size_t n) {
  constexpr size_t kSample = size_t{64} << 10;
  const size_t sample = std::min(n, kSample);
  bool nul = false;
  const size_t lines = CountNewlines(text, sample, nul) + 1;
  if (sample == n) return lines;
  const size_t estimate = static_cast<size_t>(static_cast<double>(lines) * static_cast<double>(n) / sample);
  return estimate + estimate / 16 + 64;
}
}  // namespace

__attribute__((always_inline)) inline void CatalogIndex::GrowEntries(Fill& f, size_t pos) {
  count_ = f.count;
  GrowEntryBlocks(pos);
  f.entries = Entries();
  f.folders = reinterpret_cast<uint32_t*>(folderBlock_.data());
  f.slots = reinterpret_cast<uint64_t*>(lineSlots_.data());
  f.capacity = capacity_;
}

void CatalogIndex::GrowEntryBlocks(size_t pos) {
  // What the lines read so far promise for the rest, with a quarter to spare.
  const double perByte = static_cast<double>(count_) / static_cast<double>(std::max<size_t>(pos, 1));
  const size_t rest = static_cast<size_t>(perByte * static_cast<double>(textSize_ - std::min(pos, textSize_)));
  const size_t wanted = count_ + std::max(rest + rest / 4, count_ / 4) + 64;
  TakeEntryBlocks(wanted);
}

void CatalogIndex::TakeEntryBlocks(size_t wanted) {
  PageBlock entries(wanted * sizeof(Entry), PageBlock::kAnyBytes);
  PageBlock folders(wanted * sizeof(uint32_t), PageBlock::kAnyBytes);
  PageBlock slots(wanted * sizeof(uint64_t), PageBlock::kAnyBytes);
  if (count_) {
    std::memcpy(entries.data(), entryBlock_.data(), count_ * sizeof(Entry));
    std::memcpy(folders.data(), folderBlock_.data(), count_ * sizeof(uint32_t));
    std::memcpy(slots.data(), lineSlots_.data(), count_ * sizeof(uint64_t));
  }
  entryBlock_ = std::move(entries);
  folderBlock_ = std::move(folders);
  lineSlots_ = std::move(slots);
  capacity_ = wanted;
}

bool CatalogIndex::ParseText(uint64_t dataSize, std::string& why) {
  count_ = 0;
  capacity_ = 0;
  folders_.clear();
  slots_.clear();
  slotsMade_.store(false);
  std::memset(slotStart_, 0, sizeof slotStart_);
  dataName_.clear();
  dataSize_ = dataSize;
  total_ = 0;
  try {
    TakeEntryBlocks(EstimatedEntries(text_.data(), textSize_));
    Builder builder;
    const bool read = ParseLines(builder, why);
    if (read) SortSlots(builder);
    lineSlots_ = PageBlock();
    if (read) return true;
  } catch (const std::bad_alloc&) {
    why = "there is not enough memory to read it";
    return false;
  }
  // A NUL byte makes any line unsound: the text is looked at for one only when a line
  // was refused, and then names it for what it is.
  if (std::memchr(text_.data(), 0, textSize_) != nullptr) why = "it is not a catalog index (it holds binary data)";
  return false;
}

__attribute__((always_inline)) inline bool CatalogIndex::ParseLinesInto(Fill& f, Builder& builder, std::string& why) {
  folders_.push_back(Folder{0, 0, HashNoCase({})});  // the top
  char* const base = f.text;
  const size_t n = f.textSize;
  size_t pos = 0;
  size_t lineNo = 0;
  bool first = true;
  std::string pathWhy;
  while (pos < n) {
    if (!first && ParseShortLine(f, pos, builder)) {
      ++lineNo;
      continue;
    }
    const void* nl = std::memchr(base + pos, '\n', n - pos);
    const size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - base) : n;
    size_t lineEnd = end;
    if (lineEnd > pos && base[lineEnd - 1] == '\r') --lineEnd;
    std::string_view line(base + pos, lineEnd - pos);
    const size_t lineStart = pos;
    pos = end + 1;
    ++lineNo;
    if (first) {
      first = false;
      if (line.empty() || line.find_first_of("/\\") != std::string_view::npos || line == "." ||
          line == "..") {
        why = "it is not a catalog index (its first line does not name a data file)";
        return false;
      }
      for (char c : line)
        if (static_cast<unsigned char>(c) < 0x20) {
          why = "it is not a catalog index (its first line does not name a data file)";
          return false;
        }
      dataName_.assign(line);
      continue;
    }
    if (line.empty()) continue;
    size_t blank = line.rfind(' ');
    if (blank == std::string_view::npos || blank + 1 == line.size()) {
      why = "line " + std::to_string(lineNo) + " has no size";
      return false;
    }
    std::string_view digits = line.substr(blank + 1);
    uint64_t size = 0;
    for (char c : digits) {
      if (c < '0' || c > '9' || size > 0x7fffffff) {
        why = "line " + std::to_string(lineNo) + " has no valid size";
        return false;
      }
      size = size * 10 + static_cast<uint64_t>(c - '0');
    }
    if (size > 0x7fffffff) {
      why = "line " + std::to_string(lineNo) + " has a size above 2^31-1";
      return false;
    }
    // Inner paths are kept with "\" between their names.
    uint32_t nameStart = 0, stemEnd = 0;
    if (!ScanInner(base + lineStart, blank, nameStart, stemEnd)) {
      if (PathResolver::InnerIsSound(line.substr(0, blank), pathWhy)) pathWhy = "the path inside the catalog is invalid";
      why = "line " + std::to_string(lineNo) + ": " + pathWhy;
      return false;
    }
    std::string_view norm(base + lineStart, blank);
    if (f.total + size > f.dataSize) {
      why = "the entry " + Quoted(norm) + " on line " + std::to_string(lineNo) +
            " runs past the end of the data file (" + std::to_string(f.dataSize) + " bytes)";
      return false;
    }
    if (lineStart > 0xffffffffULL || f.count >= 0x7fffffff) {
      why = "the index is too large";
      return false;
    }
    AddEntry(f, lineStart, blank, size, nameStart, stemEnd, builder);
  }
  if (first) {
    why = "it is not a catalog index (it is empty)";
    return false;
  }
  return true;
}

bool CatalogIndex::ParseLines(Builder& builder, std::string& why) {
  Fill f{text_.data(), textSize_, dataSize_, Entries(), reinterpret_cast<uint32_t*>(folderBlock_.data()),
         reinterpret_cast<uint64_t*>(lineSlots_.data()), count_, capacity_, total_};
  const bool read = ParseLinesInto(f, builder, why);
  count_ = f.count;
  total_ = f.total;
  return read;
}

void CatalogIndex::SortSlots(const Builder& b) {
  slotBlock_ = PageBlock(count_ * sizeof(uint64_t), PageBlock::kAnyBytes);
  // Every folder but the top was added for an entry in it.
  folderHolds_.assign(folders_.size(), 1);
  folderHolds_[0] = b.topHolds;
  uint32_t fill[kSlotParts];
  uint32_t at = 0;
  for (size_t p = 0; p < kSlotParts; ++p) {
    slotStart_[p] = fill[p] = at;
    at += b.partSizes[p];
  }
  slotStart_[kSlotParts] = at;
  const uint64_t* const lineSlots = reinterpret_cast<const uint64_t*>(lineSlots_.data());
  uint64_t* const slots = reinterpret_cast<uint64_t*>(slotBlock_.data());
  for (size_t i = 0; i < count_; ++i) {
    const uint64_t slot = lineSlots[i];
    uint32_t& to = fill[slot >> 56];
    // The block is cold and each part a stream of its own: the line after the one
    // being filled is fetched before it is reached.
    __builtin_prefetch(slots + to + 8, 1);
    slots[to++] = slot;
  }
}

// A later line of the same path hides the earlier ones: the table holds the last line
// of each path, found by its stem's hash.
void CatalogIndex::MakeSlots() const {
  std::lock_guard<std::mutex> g(slotsLock_);
  if (slotsMade_.load(std::memory_order_relaxed)) return;
  size_t cap = 16;
  while (cap < count_ * 2) cap <<= 1;
  slots_.assign(cap, kNoEntry);
  const Entry* entries = Entries();
  for (size_t i = count_; i-- > 0;) {
    const Entry& e = entries[i];
    const std::string_view p = Path(i);
    size_t s = static_cast<size_t>(e.stemHash) & (cap - 1);
    bool hidden = false;
    while (slots_[s] != kNoEntry) {
      const Entry& o = entries[slots_[s]];
      if (o.stemHash == e.stemHash && o.pathLength == e.pathLength && EqualNoCase(Path(slots_[s]), p)) {
        hidden = true;
        break;
      }
      s = (s + 1) & (cap - 1);
    }
    if (!hidden) slots_[s] = static_cast<uint32_t>(i);
  }
  slotsMade_.store(true, std::memory_order_release);
}

bool CatalogIndex::Load(const std::string& catalogPath, std::string& error) {
  catalogPath_ = catalogPath;
  std::string why;
  if (!ReadWhole(catalogPath, text_, textSize_, why)) {
    textSize_ = 0;
    error = "Cannot read catalog " + Quoted(catalogPath) + ": " + why;
    return false;
  }
  // The data file's name is the first line.
  const std::string_view text = Text();
  std::string_view name = text.substr(0, text.find('\n'));
  if (!name.empty() && name.back() == '\r') name.remove_suffix(1);
  if (name.empty() || name.find_first_of("/\\") != std::string_view::npos || name == "." || name == ".." ||
      name.find('\0') != std::string_view::npos) {
    error = "Catalog " + Quoted(catalogPath) + " is invalid: it is not a catalog index (its first line does not name a data file)";
    return false;
  }
  std::string folder = PathResolver::FolderOf(catalogPath);
  const std::string wanted = folder.empty() ? std::string(name) : (folder == "/" ? "/" : folder + "/") + std::string(name);
  struct stat st;
  if (!PathResolver::ResolveExisting(wanted, dataPath_) || ::stat(dataPath_.c_str(), &st) != 0) {
    error = "Catalog " + Quoted(catalogPath) + " is invalid: its data file " + Quoted(wanted) + " is missing";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "Catalog " + Quoted(catalogPath) + " is invalid: its data file " + Quoted(dataPath_) + " is " +
            KindOfSpecial(st.st_mode) + ", not a file";
    return false;
  }
  // An index that names itself as its data would read its entries from its own lines,
  // and a write would append to it and then replace it.
  struct stat own;
  if (::stat(catalogPath.c_str(), &own) == 0 && own.st_dev == st.st_dev && own.st_ino == st.st_ino) {
    error = "Catalog " + Quoted(catalogPath) + " is invalid: its data file " + Quoted(dataPath_) + " is the index itself";
    return false;
  }
  dataDev_ = static_cast<uint64_t>(st.st_dev);
  dataIno_ = static_cast<uint64_t>(st.st_ino);
  dataMtimeNs_ = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  if (!ParseText(static_cast<uint64_t>(st.st_size), why)) {
    error = "Catalog " + Quoted(catalogPath) + " is invalid: " + why;
    return false;
  }
  return true;
}

namespace {

struct Signature {
  uint64_t dev = 0;
  uint64_t ino = 0;
  int64_t size = 0;
  int64_t mtimeNs = 0;
  bool operator==(const Signature&) const = default;
};

Signature SignatureOf(const struct stat& st) {
  return Signature{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
                   static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

bool SignatureOf(const std::string& path, Signature& s) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  s = SignatureOf(st);
  return true;
}

struct CacheItem {
  Signature cat, dat;
  std::shared_ptr<const CatalogIndex> index;
};

struct Cache {
  std::mutex lock;
  std::map<std::string, CacheItem> items;
};

Cache& TheCache() {
  static Cache* c = new Cache;  // never destroyed: used while the process ends
  return *c;
}

}  // namespace

struct CatalogCacheAccess {
  static Signature DataSignature(const CatalogIndex& c) {
    return Signature{c.dataDev_, c.dataIno_, static_cast<int64_t>(c.dataSize_), c.dataMtimeNs_};
  }
};

std::shared_ptr<const CatalogIndex> CatalogIndex::Open(std::string_view path, std::string& error) {
  std::string real;
  if (path.empty()) {
    error = "No catalog given";
    return nullptr;
  }
  if (!PathResolver::ResolveExisting(path, real)) {
    error = "Catalog " + Quoted(path) + " not found";
    return nullptr;
  }
  // A catalog reached through a link is the file the link names: its data file lies
  // beside that file, and saves write into it and keep the link.
  struct stat st;
  if (::lstat(real.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(real.c_str(), resolved)) real = resolved;
  }
  if (::stat(real.c_str(), &st) != 0) {
    error = "Catalog " + Quoted(real) + " cannot be read: " + std::strerror(errno);
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "Catalog " + Quoted(real) + " is " + KindOfSpecial(st.st_mode) + ", not a file";
    return nullptr;
  }
  const Signature catSig = SignatureOf(st);
  Cache& cache = TheCache();
  {
    std::lock_guard<std::mutex> g(cache.lock);
    auto it = cache.items.find(real);
    Signature datSig;
    if (it != cache.items.end() && it->second.cat == catSig &&
        SignatureOf(it->second.index->DataPath(), datSig) && it->second.dat == datSig)
      return it->second.index;
  }
  auto index = std::make_shared<CatalogIndex>();
  if (!index->Load(real, error)) return nullptr;
  CacheItem item;
  item.cat = catSig;
  item.dat = CatalogCacheAccess::DataSignature(*index);
  item.index = index;
  std::lock_guard<std::mutex> g(cache.lock);
  if (cache.items.size() > 256) cache.items.clear();
  cache.items[real] = std::move(item);
  return index;
}

void CatalogIndex::ClearCache() {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> g(cache.lock);
  cache.items.clear();
}

long CatalogIndex::Find(std::string_view innerPath) const {
  if (!slotsMade_.load(std::memory_order_acquire)) MakeSlots();
  uint32_t nameStart = 0, stemEnd = 0;
  SplitInnerName(innerPath, nameStart, stemEnd);
  const uint64_t hash = HashNoCase(innerPath.substr(0, stemEnd));
  const size_t mask = slots_.size() - 1;
  for (size_t s = static_cast<size_t>(hash) & mask; slots_[s] != kNoEntry; s = (s + 1) & mask) {
    const Entry& e = Entries()[slots_[s]];
    if (e.stemHash == hash && e.pathLength == innerPath.size() && EqualNoCase(Path(slots_[s]), innerPath))
      return static_cast<long>(slots_[s]);
  }
  return -1;
}

bool CatalogIndex::PeekEntry(size_t i, size_t count, std::vector<uint8_t>& out, std::string& error) const {
  if (i >= count_) throw std::out_of_range("no such catalog entry");
  const Entry& e = At(i);
  const size_t want = std::min<size_t>(count, e.size);
  out.resize(want);
  const char* special = nullptr;
  int fd = OpenRegularForReading(dataPath_.c_str(), special);
  if (fd < 0) {
    error = "Cannot read data file " + Quoted(dataPath_) + ": " +
            (special ? std::string("it is ") + special + ", not a file" : std::string(std::strerror(errno)));
    out.clear();
    return false;
  }
  size_t got = 0;
  while (got < want) {
    ssize_t n = ::pread(fd, out.data() + got, want - got, static_cast<off_t>(e.offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (got < want) {
    error = "Data file " + Quoted(dataPath_) + " is truncated: the entry " + Quoted(Path(i)) + " is cut short";
    out.clear();
    return false;
  }
  return true;
}

bool CatalogIndex::ReadEntry(size_t i, std::vector<uint8_t>& out, std::string& error) const {
  if (i >= count_) throw std::out_of_range("no such catalog entry");
  return PeekEntry(i, At(i).size, out, error);
}

std::string CatalogIndex::EmptyText(std::string_view dataName) { return std::string(dataName) + "\n"; }

std::string CatalogIndex::TextWith(std::string_view innerPath, uint32_t size) const {
  std::string out = EmptyText(dataName_);
  out.reserve(textSize_ + innerPath.size() + 16);
  for (size_t i = 0; i < count_; ++i) {
    out.append(Path(i));
    out += ' ';
    out += std::to_string(At(i).size);
    out += '\n';
  }
  out.append(innerPath);
  out += ' ';
  out += std::to_string(size);
  out += '\n';
  return out;
}

}  // namespace rudu

// Reading type files into records, and the collections that file them.
#include "typefiles/TxtParser.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <memory_resource>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/KzConst.h"
#include "FileObject.h"
#include "core/LibBindings.h"
#include "core/PagePool.h"
#include "rudu.h"
#include "videdoded.h"
#include "TxtFields.h"
#include "typefiles/TxtParserRead.h"

namespace {

constexpr const char* kSource = "clsTxtParser";

constexpr const char* kCrLf = "\r\n";

using kz::AppError;
using kz::Variant;
using namespace mdlKzConst;

Variant FromKz(const Kz_Value& v) {
  switch (v.kind) {
    case Kz_Value::Long: return Variant(v.l);
    case Kz_Value::Double: return Variant(v.d);
    case Kz_Value::Text: return Variant(v.s);
    default: return Variant();
  }
}


char Fold(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// Name-order comparison of two IDs: ASCII letters folded, then byte order. IDs of a
// file share long beginnings ("ships\\ship_..."): bytes equal as they stand are passed
// eight at a time, and only bytes that differ are folded.
int CompareNames(std::string_view a, std::string_view b) noexcept {
  static_assert(std::endian::native == std::endian::little, "the first byte of eight is their lowest");
  const size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  for (uint64_t x, y; i + 8 <= n; i += 8) {
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) {
      i += static_cast<size_t>(std::countr_zero(x ^ y)) >> 3;  // the first byte that differs
      break;
    }
  }
  for (; i < n; ++i) {
    if (a[i] == b[i]) continue;
    unsigned char x = static_cast<unsigned char>(Fold(a[i])), y = static_cast<unsigned char>(Fold(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The ID of a record without copying when it is stored as text.
std::string_view NameOf(const clsTXTObject& r, std::string& buffer) {
  std::string_view name;
  if (r.NameView(name)) return name;
  buffer = r.ObjectName();
  return buffer;
}


}  // namespace

namespace kz::txtread {

// A count read from a file: a whole number from 0 to the 32-bit maximum.
int64_t CountOf(const Variant& v, const char* what) {
  bool ok = false;
  double d = 0;
  if (v.IsNumeric()) {
    d = v.NumberValue();
    ok = std::isfinite(d) && d >= 0 && d <= std::numeric_limits<int32_t>::max() && d == std::floor(d);
  }
  if (!ok) throw AppError(kz::kErrDataLoad, kSource, std::string("Invalid ") + what + ": " + kz::CStr(v));
  return static_cast<int64_t>(d);
}

// The text a whole number read as `item` (with `kept`, the token's text the tokenizer
// kept) is written back as, when the writer would form it otherwise: the token's text,
// or the writer's form of a floating-point number that holds it ("6.0"); "" when the
// writer's form of the whole number is the token, or the number is not whole (it is
// rounded, and so formed anew).
std::string WholeText(const Variant& item, const std::string& kept) {
  if (!item.IsNumeric() || item.NumberValue() != std::floor(item.NumberValue())) return {};
  if (!kept.empty() || item.Kind() != kz::VariantKind::Double) return kept;
  char formed[videdoded::kNumberFieldMax];
  const char* end = videdoded::WriteDoubleField(formed, item.AsDouble());
  return end ? std::string(formed, static_cast<size_t>(end - formed - 1)) : std::string();
}

}  // namespace kz::txtread

using kz::txtread::CountOf;
using kz::txtread::WholeText;

// Where the records of one load live: chunks of the page pool in place of a few small
// allocations per record, and the file's bytes when texts are kept where they stand in
// them. Every record handed out shares the store's ownership, so the store lives as
// long as any of its records. The records themselves stand side by side in slabs, in
// the order they were made (so that no list of them is needed); their values and texts
// are in the arena's chunks.
class clsTxtParser::RecordStore {
 public:
  RecordStore() = default;
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;
  ~RecordStore() {
    for (const Slab& s : slabs_) {
      for (size_t i = 0; i < s.count; ++i) s.at[i].~clsTXTObject();
      kz::FreeTable(s.at, s.capacity * sizeof(clsTXTObject));
    }
  }

  // A record of the store's, in the order they are made; handed out as a TXTObjectPtr
  // (sharing the store's ownership) when it is filed.
  clsTXTObject* NewRecord() {
    if (slabs_.empty() || slabs_.back().count == slabs_.back().capacity)
      AddSlab(slabs_.empty() ? kFirstSlab : std::min(kMostSlab, slabs_.back().capacity * 2));
    Slab& s = slabs_.back();
    auto* record = ::new (static_cast<void*>(s.at + s.count)) clsTXTObject(&arena_);
    ++s.count;
    ++count_;
    last_ = record;
    return record;
  }
  size_t Count() const noexcept { return count_; }
  const clsTXTObject* Last() const noexcept { return last_; }
  // Room for the first `records` records in one slab, and for their values when each
  // has `values` (before any is made): the same file read again takes the same blocks.
  void Reserve(size_t records, size_t values) {
    if (slabs_.empty() && records > 0) AddSlab(records);
    if (values > 0 && records <= std::numeric_limits<size_t>::max() / 8 / values) arena_.Expect(records * values * 8);
  }

  // The records in the order made, one after another.
  class Walk {
   public:
    explicit Walk(const RecordStore& store) : store_(store) {}
    clsTXTObject* Next() noexcept {
      while (at_ == store_.slabs_[slab_].count) {
        ++slab_;
        at_ = 0;
      }
      return store_.slabs_[slab_].at + at_++;
    }

   private:
    const RecordStore& store_;
    size_t slab_ = 0;
    size_t at_ = 0;
  };
  // Keeps the bytes that records' texts are kept in (unchanged while held).
  void KeepBytes(std::shared_ptr<const void> bytes) { bytes_ = std::move(bytes); }

 private:
  // Hands out memory from chunks of the pool; frees nothing before it goes.
  class Arena final : public std::pmr::memory_resource {
   public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() override {
      for (const Chunk& c : chunks_) kz::PagePool::Give(c.at, c.size);
    }

    // Makes the first chunk `bytes` large (rounded up to large pages): what the load
    // will take, when it is known before anything is taken.
    void Expect(size_t bytes) {
      if (next_ == 0 && bytes > 0 && bytes <= std::numeric_limits<size_t>::max() / 2) TakeChunk(kz::PagePool::RoundUp(bytes));
    }

   private:
    static constexpr size_t kChunk = size_t{16} << 20;
    struct Chunk {
      void* at;
      size_t size;
    };

    void* do_allocate(size_t bytes, size_t align) override {
      if (align > alignof(std::max_align_t) || bytes > std::numeric_limits<size_t>::max() / 2) throw std::bad_alloc();
      uintptr_t at = (next_ + align - 1) & ~(uintptr_t{align} - 1);
      if (next_ == 0 || at + bytes > end_) {
        TakeChunk(std::max(kChunk, kz::PagePool::RoundUp(bytes)));
        at = next_;
      }
      next_ = at + bytes;
      return reinterpret_cast<void*>(at);
    }
    void TakeChunk(size_t size) {
      chunks_.reserve(chunks_.size() + 1);
      void* chunk = kz::PagePool::Take(size);
      chunks_.push_back(Chunk{chunk, size});
      next_ = reinterpret_cast<uintptr_t>(chunk);
      end_ = next_ + size;
    }
    void do_deallocate(void*, size_t, size_t) override {}
    bool do_is_equal(const std::pmr::memory_resource& o) const noexcept override { return this == &o; }

    std::vector<Chunk> chunks_;
    uintptr_t next_ = 0;
    uintptr_t end_ = 0;
  };

  struct Slab {
    clsTXTObject* at;
    size_t capacity;
    size_t count;
  };
  static constexpr size_t kFirstSlab = 64;
  static constexpr size_t kMostSlab = (size_t{16} << 20) / sizeof(clsTXTObject);
  void AddSlab(size_t capacity) {
    if (capacity > std::numeric_limits<size_t>::max() / sizeof(clsTXTObject)) throw std::bad_alloc();
    slabs_.reserve(slabs_.size() + 1);
    auto* at = static_cast<clsTXTObject*>(kz::AllocateTable(capacity * sizeof(clsTXTObject)));
    slabs_.push_back(Slab{at, capacity, 0});
  }

  std::shared_ptr<const void> bytes_;  // let go of last: the records' texts may be there
  Arena arena_;
  std::vector<Slab> slabs_;  // the records (destroyed before the arena goes)
  size_t count_ = 0;
  const clsTXTObject* last_ = nullptr;
};

std::string clsTxtParser::LibraryError() {
  int32_t code = Kz_GetLastError();
  if (code == 0) return {};
  int32_t needed = 0;
  Kz_TranslateError(code, nullptr, 0, &needed);
  if (needed <= 0) return {};
  std::string text(static_cast<size_t>(needed) + 1, ' ');
  Kz_TranslateError(code, text.data(), static_cast<int32_t>(text.size()), &needed);
  if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

size_t clsTxtParser::RecordChunkBytes() { return kz::PagePool::InUse(); }

clsTxtParser::clsTxtParser() : scratch_(std::make_unique<Kz_Value>()) {}

clsTxtParser::~clsTxtParser() { FreeDocument(); }

void clsTxtParser::FreeDocument() {
  if (doc_ != 0) {
    Kz_DeleteHandle(0, doc_);
    doc_ = 0;
  }
}

void clsTxtParser::ResetRecords() {
  objects = kz::Collection<TXTObjectPtr>();
  UnsortedObjects = kz::Collection<TXTObjectPtr>();
  loaded_.clear();
  filed_ = 0;
  ownedNames_.clear();
  loadSorted_ = true;
  idsInOrder_ = true;
  lastName_ = {};
  lastOwnedName_.clear();
  readName_ = {};
  store_.reset();
  lineRecords_.clear();
}

clsTXTObject* clsTxtParser::NewLoadedRecord(size_t values) {
  if (!store_) store_ = std::make_shared<RecordStore>();
  clsTXTObject* record = store_->NewRecord();
  record->ReserveValues(values);
  return record;
}

// ---------------------------------------------------------------------------------------
// Reading

bool clsTxtParser::Load(int32_t fileHandle, int32_t type) { return LoadFile(fileHandle, type, false); }

bool clsTxtParser::LoadAndClose(int32_t fileHandle, int32_t type) { return LoadFile(fileHandle, type, true); }

bool clsTxtParser::LoadFile(int32_t fileHandle, int32_t type, bool close) {
  parsed_ = false;
  ResetRecords();
  modified_ = false;
  otype_ = type;
  FreeDocument();
  // The file's size (its content is let go with the document, before the load ends).
  int64_t bytes = 0;
  if (const auto file = rudu::HandleGetAs<rudu::FileObject>(fileHandle, rudu::kFileHandle)) bytes = file->Size();
  int32_t previous = Kz_TXTIgnoreRemarks(type == kJobs ? 1 : 0);
  // Closing: the handle's content moves into the document instead of being copied.
  int32_t handle = close ? Kz_LoadFromFileAndClose(fileHandle, kKzLoadTypeFile) : Kz_LoadFromFile(fileHandle, kKzLoadTypeFile);
  bool failed = Kz_GetLastError() != 0;
  std::string error = failed ? LibraryError() : std::string();
  Kz_TXTIgnoreRemarks(previous);
  if (failed) {
    if (handle != 0) Kz_DeleteHandle(0, handle);
    SetError(error.empty() ? "Error loading file." : error);
    return false;
  }
  loadBytes_ = bytes > 0 ? bytes : 0;
  const bool ok = LoadFromHandle(handle, type);
  loadBytes_ = 0;
  return ok;
}

bool clsTxtParser::LoadFromHandle(int32_t handle, int32_t type) {
  parsed_ = false;
  FreeDocument();
  ResetRecords();
  modified_ = false;
  counter_ = 0;
  otype_ = type;
  version_ = 0;
  versionText_.clear();
  countText_.clear();
  countRead_ = -1;
  if (Kz_GetObjectType(handle) != kKzTypeFile) {
    SetError("Invalid container type.");
    return false;
  }
  doc_ = handle;
  if (type == 0) {
    FreeDocument();
    SetError("Unrecognized T file.");
    return false;
  }
  // Bytes that outlive the document unchanged: the records' texts are kept where they
  // stand in them (the records keep them alive) rather than copied out.
  {
    std::shared_ptr<const void> keep;
    if (Kz_TXTLastingBytes(doc_, inPlace_, keep)) {
      if (!store_) store_ = std::make_shared<RecordStore>();
      store_->KeepBytes(std::move(keep));
    }
  }
  bool ok = false;
  try {
    switch (type) {
      case kJobs: ok = ReadJobs(); break;
      case kJobWings: ok = ReadJobWings(); break;
      case kWareLists: ok = ReadWareLists(); break;
      case kIconData: ok = ReadIconData(); break;
      default: ok = ReadGeneric(type); break;
    }
  } catch (const std::bad_alloc&) {
    SetError("Out of memory");
    ok = false;
  }
  FreeDocument();
  inPlace_ = {};
  try {
    BuildNameOrder();
  } catch (const std::bad_alloc&) {
    ResetRecords();
    SetError("Out of memory");
    ok = false;
  }
  store_.reset();  // the records keep it
  parsed_ = ok;
  return ok;
}

Variant clsTxtParser::LoadValue(int32_t kind) {
  if (Kz_TXTLoadValue(doc_, kind, *scratch_) == 0) {
    std::string text = LibraryError();
    throw AppError(kz::kErrReadValue, kSource, text.empty() ? "Attempt to read at EOF" : text);
  }
  return FromKz(*scratch_);
}

bool clsTxtParser::AtEnd() const { return Kz_TXTGetTokenType(doc_) == kKzTokenEnd; }

Variant clsTxtParser::TokenValue() {
  if (Kz_TXTGetTokenValue(doc_, *scratch_) == 0) throw AppError(kz::kErrDataLoad, kSource, "Attempt to read at EOF");
  return FromKz(*scratch_);
}

bool clsTxtParser::Advance(int32_t n) { return Kz_TXTAdvance(doc_, n) != 0; }

// Where a text read stands in the bytes the load's records may keep texts in: its bytes
// as they are there, followed by ";"; null otherwise.
const char* clsTxtParser::InPlace(const Kz_Value& v) const noexcept {
  if (!v.at || inPlace_.empty()) return nullptr;
  const uintptr_t begin = reinterpret_cast<uintptr_t>(inPlace_.data()), at = reinterpret_cast<uintptr_t>(v.at);
  if (at < begin || at - begin >= inPlace_.size() || inPlace_.size() - (at - begin) <= v.s.size()) return nullptr;
  return v.at[v.s.size()] == ';' ? v.at : nullptr;
}

// A number keeps the text it was read from when the writer would form it otherwise, and
// that text, like a text, is kept where it stands when it can be.
void clsTxtParser::PushLoaded(clsTXTObject& record, const Kz_Value& v) {
  record.PushRead(&v, 1, inPlace_);
  readName_ = {};
}

// A batch's last value, a text given by its place, is where it stands in the document.
inline void clsTxtParser::NoteLastRead(const Kz_Value& v) {
  readName_ = v.kind == Kz_Value::Text && v.at ? std::string_view(v.at, static_cast<uint32_t>(v.l)) : std::string_view();
}

void clsTxtParser::AppendValues(clsTXTObject& record, int64_t n) {
  // The values come in batches: one library call for many values.
  constexpr int64_t kBatch = 64;
  if (!batch_) {
    batch_ = std::make_unique<Kz_Value[]>(kBatch);
  }
  while (n > 0) {
    const int32_t want = static_cast<int32_t>(std::min<int64_t>(n, kBatch));
    const int32_t got = Kz_TXTLoadValues(doc_, kKzValueAny | kKzValuePlaced, batch_.get(), want);
    record.PushRead(batch_.get(), got, inPlace_, true);
    if (got > 0) NoteLastRead(batch_[got - 1]);
    if (got < want) {
      std::string text = LibraryError();
      throw AppError(kz::kErrReadValue, kSource, text.empty() ? "Attempt to read at EOF" : text);
    }
    n -= want;
  }
}

clsTXTObject* clsTxtParser::ReadLineRecord(int32_t line, int32_t head) {
  // Batches that stop where the line ends: a line of a few hundred values in one call,
  // and a record of just their number. The first `head` values are taken in a batch
  // that does not look for the line's end (which costs the tokenizer a call a value):
  // a line that holds no more is no record at all, whatever they were.
  constexpr int32_t kBatch = 256;
  if (!lineBatch_) lineBatch_ = std::make_unique<Kz_Value[]>(kBatch);
  int32_t got = 0;
  if (head > 0) {
    got = Kz_TXTLoadValues(doc_, kKzValueAny | kKzValuePlaced, lineBatch_.get(), std::min(head, kBatch));
    if (got < std::min(head, kBatch) || Kz_TXTGetLine(doc_) != line) return nullptr;
  }
  clsTXTObject* record = nullptr;
  do {
    got += Kz_TXTLoadLineValues(doc_, kKzValueAny | kKzValuePlaced, lineBatch_.get() + got, kBatch - got);
    if (!record) record = NewLoadedRecord(static_cast<size_t>(got));
    record->PushRead(lineBatch_.get(), got, inPlace_, true);
    if (got > 0) NoteLastRead(lineBatch_[got - 1]);
    const bool full = got == kBatch;
    got = 0;
    if (!full) {
      if (Kz_GetLastError() == 0) return record;
      std::string text = LibraryError();
      throw AppError(kz::kErrReadValue, kSource, text.empty() ? "Attempt to read at EOF" : text);
    }
  } while (Kz_TXTGetLine(doc_) == line);
  record->ShrinkValues();
  return record;
}

bool clsTxtParser::ReadGeneric(int32_t type) {
  try {
    const Variant version = LoadValue(kKzValueNumber);
    version_ = kz::CLng(version);
    versionText_ = WholeText(version, scratch_->s);
    const Variant countValue = LoadValue(kKzValueNumber);
    int64_t count = CountOf(countValue, "record count");
    countText_ = WholeText(countValue, scratch_->s);
    countRead_ = count;
    // Each value of a record takes at least its separator.
    ReserveRecords(count, type == kTShips ? 1 : RecordSizeOf(type), type == kTShips ? 0 : RecordSizeOf(type));
    // The size of a record of the file, known before its first record is read.
    const int32_t size = type == kTShips || count == 0 ? 0 : FixedRecordSize(type);
    if (type != kTShips && count > 0 && size <= 0) return false;
    for (int64_t i = 0; i < count; ++i) {
      clsTXTObject* record = type == kTShips ? ReadShipRecord() : ReadFixedRecord(size);
      if (!record) return false;
      record->id = ++counter_;
      record->Dirty = false;
      record->otype = type;
      AppendStored(*record);
    }
    if (type == kTShips && !ShipLinesEndTheFile()) return false;
    return true;
  } catch (const AppError& e) {
    SetError(std::string("Error loading T file:") + kCrLf + e.Description);
    return false;
  }
}

int32_t clsTxtParser::FixedRecordSize(int32_t type) {
  int32_t size = RecordSizeOf(type);
  if (type == kTNebula && version_ <= 13) size = 27;
  if (type == kTMissiles && version_ < 48) {
    SetError("This is old version of the file (ver. " + std::to_string(version_) + ")." + kCrLf + kCrLf +
             "It is not supported by this version of " + kz::GetAppTitle() + ".");
    return 0;
  }
  if (size <= 0) {
    SetError("Unknown size of entries in file. Cannot load.");
    return 0;
  }
  return size;
}

clsTXTObject* clsTxtParser::ReadFixedRecord(int32_t size) {
  try {
    clsTXTObject* record = NewLoadedRecord(static_cast<size_t>(size));
    AppendValues(*record, size);
    return record;
  } catch (const AppError& e) {
    SetError(e.Description);
    return nullptr;
  }
}

// ---------------------------------------------------------------------------------------
// Collections

std::string clsTxtParser::NameOrderKey(std::string_view id) {
  std::string key(id);
  for (char& c : key) c = Fold(c);
  return key;
}

void clsTxtParser::ReserveRecords(int64_t count, int64_t leastBytes, int64_t valuesEach) {
  // The count comes from the file: a damaged one must not reserve a fortune. A file of
  // known size holds no more records than its bytes allow; otherwise the room made in
  // advance is capped (a longer file grows its list as it goes).
  constexpr int64_t kMostReservedBlind = int64_t{1} << 18;
  const int64_t most = loadBytes_ > 0 ? loadBytes_ / std::max<int64_t>(1, leastBytes) + 1 : kMostReservedBlind;
  size_t n = static_cast<size_t>(std::clamp<int64_t>(count, 0, most));
  if (!store_) store_ = std::make_shared<RecordStore>();
  store_->Reserve(n, static_cast<size_t>(std::max<int64_t>(valuesEach, 0)));
}

void clsTxtParser::AppendLoaded(TXTObjectPtr record) {
  // A load's records are all the store's or all of their own (see loaded_).
  if (loaded_.size() != filed_) throw std::logic_error("clsTxtParser: records of a load made in two ways");
  FileLoaded(*record);
  loaded_.push_back(std::move(record));
}

void clsTxtParser::AppendStored(clsTXTObject& record) {
  // Each filed as soon as it is made: the store's order is the file order.
  if (!loaded_.empty() || !store_ || filed_ + 1 != store_->Count() || store_->Last() != &record)
    throw std::logic_error("clsTxtParser: a stored record filed out of the order it was made in");
  FileLoaded(record);
}

void clsTxtParser::FileLoaded(clsTXTObject& r) {
  clsTXTObject* record = &r;
  record->index = static_cast<int32_t>(filed_);
  // Name order is taken from the name a record has when it is filed. A record read
  // whole keeps it (its values do not change during the load); one filed before it
  // has values (IconData's main record) or whose ID is not a text keeps a copy.
  // The ID a batch read last is where it stands in the document (see NoteLastRead).
  std::string_view name = readName_;
  readName_ = {};
  const bool owned = !name.data() && (!record->NameView(name) || record->size() == 0);
  if (owned) {
    ownedNames_.emplace_back(static_cast<uint32_t>(filed_), record->ObjectName());
    name = ownedNames_.back().second;
  }
  // Whether the file is in name order, seen while the record is at hand (the name
  // before is held as a copy when it is one of those above, which may move).
  if (loadSorted_ && filed_ > 0) loadSorted_ = CompareNames(name, lastName_) >= 0;
  idsInOrder_ = idsInOrder_ && static_cast<size_t>(record->id) == filed_ + 1;
  if (loadSorted_) {
    if (owned) {
      lastOwnedName_.assign(name);
      lastName_ = lastOwnedName_;
    } else {
      lastName_ = name;
    }
  }
  ++filed_;
}

void clsTxtParser::BuildNameOrder() {
  // The records came in file order; both collections are made at once from them: the
  // store's first records, each handed out now, or the records of their own.
  const size_t n = filed_;
  const bool stored = loaded_.empty();
  std::optional<RecordStore::Walk> walk;
  if (stored && n > 0) walk.emplace(*store_);
  auto recordAt = [&](size_t i) { return stored ? TXTObjectPtr(store_, walk->Next()) : std::move(loaded_[i]); };
  char key[16];
  auto keyOf = [&key](int32_t id) {
    auto done = std::to_chars(key, key + sizeof key - 1, id);
    *done.ptr = 'k';
    return std::string_view(key, static_cast<size_t>(done.ptr + 1 - key));
  };
  // The name record r, at file position i, was filed with (taken in file order).
  auto nameAt = [this](size_t i, const clsTXTObject& r, size_t& owned) {
    std::string_view name;
    if (owned < ownedNames_.size() && ownedNames_[owned].first == i)
      name = ownedNames_[owned++].second;
    else
      r.NameView(name);
    return name;
  };
  // The file order first, each record's key from its key number: the number of its
  // place when the numbers came in order (the record itself is not looked at again),
  // else the record's. A file kept in ID order (seen as the records came) needs no sort
  // at all, and no list of the order.
  const bool sorted = loadSorted_;
  const bool numbered = idsInOrder_;
  UnsortedObjects.AssignAll(n, [&](size_t i) {
    TXTObjectPtr record = recordAt(i);
    const int32_t id = numbered ? static_cast<int32_t>(i) + 1 : record->id;
    return std::pair<TXTObjectPtr, std::string_view>(std::move(record), keyOf(id));
  });
  loaded_.clear();
  loaded_.shrink_to_fit();
  // Otherwise each record comes after every record of an equal or smaller ID: a
  // stable sort of the file order gives the order of filing them one by one.
  // The sort compares the first eight bytes of two names, folded, as one number (a
  // name's first bytes decide most comparisons), and the names only when those agree.
  struct Named {
    uint64_t head;  // the first eight bytes folded, the first the highest (0 past the end)
    const char* data;
    uint32_t size;
    uint32_t index;  // 0-based file position
    std::string_view name() const noexcept { return {data, size}; }
  };
  auto named = [](std::string_view name, size_t index) {
    uint64_t head = 0;
    for (size_t k = 0; k < 8; ++k)
      head = head << 8 | (k < name.size() ? static_cast<unsigned char>(Fold(name[k])) : 0u);
    return Named{head, name.data(), static_cast<uint32_t>(name.size()), static_cast<uint32_t>(index)};
  };
  kz::TableVector<Named> order;
  if (!sorted) {
    order.resize(n);
    size_t owned = 0;
    for (size_t i = 0; i < n; ++i) order[i] = named(nameAt(i, *std::as_const(UnsortedObjects).Item(static_cast<int32_t>(i) + 1), owned), i);
    std::stable_sort(order.begin(), order.end(), [](const Named& a, const Named& b) {
      return a.head != b.head ? a.head < b.head : CompareNames(a.name(), b.name()) < 0;
    });
  }
  // A file in name order: the name order shows the file order's records as they are
  // (no second node or key for any record) until either order changes. Otherwise it
  // takes each record's key from its node in the file order (the record itself is not
  // looked at again).
  if (sorted) {
    objects.Mirror(UnsortedObjects);
  } else {
    const auto& file = UnsortedObjects;
    objects.AssignAll(n, [&](size_t i) {
      const int32_t at = static_cast<int32_t>(order[i].index) + 1;
      return std::pair<TXTObjectPtr, std::string_view>(file.Item(at), file.Key(at));
    });
  }
  ownedNames_.clear();
  ownedNames_.shrink_to_fit();
  filed_ = 0;
  loadSorted_ = true;
  idsInOrder_ = true;
  lastName_ = {};
  lastOwnedName_.clear();
}

void clsTxtParser::Renumber() {
  int32_t i = 0;
  for (auto& r : UnsortedObjects) r->index = i++;
}

TXTObjectPtr clsTxtParser::CreateObject(const TXTObjectPtr& before) {
  auto record = std::make_shared<clsTXTObject>();
  record->id = counter_ + 1;
  AddObjectP(record, before);
  ++counter_;
  modified_ = true;
  return record;
}

void clsTxtParser::AddObjectP(TXTObjectPtr record, const TXTObjectPtr& before) {
  if (!record) throw AppError(kz::kErrInvalidArgument, kSource);
  std::string key = record->key();
  if (UnsortedObjects.Exists(key) || objects.Exists(key)) throw AppError(kz::kErrDuplicateKey, kSource);
  int32_t beforePos = 0;
  if (before) {
    beforePos = UnsortedObjects.PositionOf(before->key());
    if (beforePos == 0 || UnsortedObjects.Item(beforePos) != before) throw AppError(kz::kErrInvalidArgument, kSource);
  }

  // Name order: before the first record whose ID is greater.
  std::string buffer, other;
  std::string name(NameOf(*record, buffer));
  int32_t namePos = 0;
  int32_t n = objects.Count();
  if (n > 0 && CompareNames(NameOf(*objects.Item(n), other), name) > 0) {
    for (int32_t i = 1; i <= n; ++i) {
      if (CompareNames(NameOf(*objects.Item(i), other), name) > 0) {
        namePos = i;
        break;
      }
    }
  }

  if (beforePos == 0) {
    record->index = UnsortedObjects.Empty() ? 0 : UnsortedObjects.Item(UnsortedObjects.Count())->index + 1;
    UnsortedObjects.Add(record, key);
  } else {
    UnsortedObjects.Add(record, key, beforePos);
    Renumber();
  }
  objects.Add(std::move(record), key, namePos);
}

bool clsTxtParser::RemoveObject(const TXTObjectPtr& record) {
  if (!record) return false;
  std::string key = record->key();
  const TXTObjectPtr* inFile = UnsortedObjects.Find(key);
  const TXTObjectPtr* inNames = objects.Find(key);
  bool held = (inFile && *inFile == record) || (inNames && *inNames == record);
  if (!held) return false;
  if (inFile && *inFile == record) UnsortedObjects.Remove(key);
  if (inNames && *inNames == record) objects.Remove(key);
  Renumber();
  modified_ = true;
  return true;
}

TXTObjectPtr clsTxtParser::FindKey(std::string_view key) const {
  const TXTObjectPtr* p = objects.Find(key);
  return p ? *p : nullptr;
}

TXTObjectPtr clsTxtParser::Find(int32_t n) const { return FindKey(std::to_string(n) + "k"); }

TXTObjectPtr clsTxtParser::FindID(std::string_view id) const {
  std::string buffer;
  for (const auto& r : UnsortedObjects)
    if (NameOf(*r, buffer) == id) return r;
  return nullptr;
}

TXTObjectPtr clsTxtParser::FindIndex(int32_t i) const {
  if (i < 0 || i >= UnsortedObjects.Count()) return nullptr;
  return UnsortedObjects.Item(i + 1);
}

bool clsTxtParser::CheckDirty() const {
  if (modified_) return true;
  // A name order that mirrors the file order holds no record of its own.
  if (!objects.Mirrors())
    for (const auto& r : objects)
      if (r->Dirty) return true;
  for (const auto& r : UnsortedObjects)
    if (r->Dirty) return true;
  return false;
}

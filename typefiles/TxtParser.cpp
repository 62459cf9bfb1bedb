#include "typefiles/TxtParser.h"


#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <system_error>
#include <thread>
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

namespace {

constexpr const char* kSource = "clsTxtParser";

// The least size of each part of a save formed by several threads.
std::atomic<size_t> g_savePartBytes{clsTxtParser::kDefaultSavePartBytes};
constexpr const char* kCrLf = "\r\n";

using kz::AppError;
using kz::Variant;
using namespace mdlKzConst;

// The text of videdoded's last error (code, then its text).
std::string LibraryError() {
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

Variant FromKz(const Kz_Value& v) {
  switch (v.kind) {
    case Kz_Value::Long: return Variant(v.l);
    case Kz_Value::Double: return Variant(v.d);
    case Kz_Value::Text: return Variant(v.s);
    default: return Variant();
  }
}

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

char Fold(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// Name-order comparison of two IDs: ASCII letters folded, then byte order.
int CompareNames(std::string_view a, std::string_view b) noexcept {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
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

// A value as the writer takes it.
bool ToKz(const Variant& v, Kz_Value& out) {
  switch (v.Kind()) {
    case kz::VariantKind::Empty: out.SetText(""); return true;
    case kz::VariantKind::Integer: out.SetLong(v.AsInteger()); return true;
    case kz::VariantKind::Long: out.SetLong(v.AsLong()); return true;
    case kz::VariantKind::Single: out.SetDouble(v.AsSingle()); return true;
    case kz::VariantKind::Double: out.SetDouble(v.AsDouble()); return true;
    case kz::VariantKind::String: out.SetText(v.AsString()); return true;
    case kz::VariantKind::Boolean: out.SetLong(v.AsBoolean() ? -1 : 0); return true;
    default: return false;
  }
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

// A whole number that a count or number field reads back as the same value.
bool WholeNumber(const Variant& v, int32_t& out) {
  if (!v.IsNumeric()) return false;
  double d = v.NumberValue();
  if (!std::isfinite(d) || d != std::floor(d) || d < std::numeric_limits<int32_t>::min() ||
      d > std::numeric_limits<int32_t>::max())
    return false;
  out = static_cast<int32_t>(d);
  return true;
}

std::string RecordLabel(const clsTXTObject& r) {
  return "record " + std::to_string(r.index + 1) + " (\"" + r.ObjectName() + "\")";
}

}  // namespace

// Where the records of one load live: chunks of the page pool in place of a few small
// allocations per record. Every record handed out shares the store's ownership, so the
// store lives as long as any of its records.
class clsTxtParser::RecordStore {
 public:
  RecordStore() = default;
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;
  ~RecordStore() {
    for (clsTXTObject* r : records_) r->~clsTXTObject();
  }

  static TXTObjectPtr NewRecord(const std::shared_ptr<RecordStore>& store) {
    RecordStore& s = *store;
    if (s.records_.size() == s.records_.capacity()) s.records_.reserve(std::max<size_t>(64, s.records_.size() * 2));
    void* at = s.arena_.allocate(sizeof(clsTXTObject), alignof(clsTXTObject));
    auto* record = ::new (at) clsTXTObject(&s.arena_);
    s.records_.push_back(record);
    return TXTObjectPtr(store, record);
  }

  void Reserve(size_t records) { records_.reserve(records); }

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
        size_t size = std::max(kChunk, kz::PagePool::RoundUp(bytes));
        chunks_.reserve(chunks_.size() + 1);
        void* chunk = kz::PagePool::Take(size);
        chunks_.push_back(Chunk{chunk, size});
        at = reinterpret_cast<uintptr_t>(chunk);
        end_ = at + size;
      }
      next_ = at + bytes;
      return reinterpret_cast<void*>(at);
    }
    void do_deallocate(void*, size_t, size_t) override {}
    bool do_is_equal(const std::pmr::memory_resource& o) const noexcept override { return this == &o; }

    std::vector<Chunk> chunks_;
    uintptr_t next_ = 0;
    uintptr_t end_ = 0;
  };

  Arena arena_;
  kz::LargeVector<clsTXTObject*> records_;
};

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
  ownedNames_.clear();
  store_.reset();
}

TXTObjectPtr clsTxtParser::NewLoadedRecord(size_t values) {
  if (!store_) store_ = std::make_shared<RecordStore>();
  TXTObjectPtr record = RecordStore::NewRecord(store_);
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

// A number keeps the text it was read from when the writer would form it otherwise.
inline void clsTxtParser::PushLoaded(clsTXTObject& record, const Kz_Value& v) {
  switch (v.kind) {
    case Kz_Value::Long: record.PushLong(v.l, v.s); break;
    case Kz_Value::Double: record.PushDouble(v.d, v.s); break;
    case Kz_Value::Text: record.PushText(v.s); break;
    default: record.PushValue(Variant()); break;
  }
}

void clsTxtParser::AppendValues(clsTXTObject& record, int64_t n) {
  // The values come in batches: one library call for many values.
  constexpr int64_t kBatch = 64;
  if (!batch_) {
    batch_ = std::make_unique<Kz_Value[]>(kBatch);
  }
  while (n > 0) {
    const int32_t want = static_cast<int32_t>(std::min<int64_t>(n, kBatch));
    const int32_t got = Kz_TXTLoadValues(doc_, kKzValueAny, batch_.get(), want);
    for (int32_t i = 0; i < got; ++i) {
      const Kz_Value& v = batch_[static_cast<size_t>(i)];
      PushLoaded(record, v);
    }
    if (got < want) {
      std::string text = LibraryError();
      throw AppError(kz::kErrReadValue, kSource, text.empty() ? "Attempt to read at EOF" : text);
    }
    n -= want;
  }
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
    ReserveRecords(count, type == kTShips ? 1 : RecordSizeOf(type));
    for (int64_t i = 0; i < count; ++i) {
      TXTObjectPtr record = type == kTShips ? ReadShipRecord() : ReadFixedRecord(type);
      if (!record) return false;
      record->id = ++counter_;
      record->Dirty = false;
      record->otype = type;
      AppendLoaded(std::move(record));
    }
    return true;
  } catch (const AppError& e) {
    SetError(std::string("Error loading T file:") + kCrLf + e.Description);
    return false;
  }
}

TXTObjectPtr clsTxtParser::ReadFixedRecord(int32_t type) {
  int32_t size = RecordSizeOf(type);
  if (type == kTNebula && version_ <= 13) size = 27;
  if (type == kTMissiles && version_ < 48) {
    SetError("This is old version of the file (ver. " + std::to_string(version_) + ")." + kCrLf + kCrLf +
             "It is not supported by this version of " + kz::GetAppTitle() + ".");
    return nullptr;
  }
  if (size <= 0) {
    SetError("Unknown size of entries in file. Cannot load.");
    return nullptr;
  }
  try {
    TXTObjectPtr record = NewLoadedRecord(static_cast<size_t>(size));
    AppendValues(*record, size);
    return record;
  } catch (const AppError& e) {
    SetError(e.Description);
    return nullptr;
  }
}

TXTObjectPtr clsTxtParser::ReadShipRecord() {
  try {
    auto record = std::make_shared<clsTXTObject>();
    record->ReserveValues(128);
    AppendValues(*record, 55);
    int64_t turrets = CountOf(record->Value(53), "turret count");
    AppendValues(*record, 4 * turrets);
    int64_t groups = CountOf(record->Value(static_cast<int32_t>(54 + 4 * turrets)), "gun group count");
    for (int64_t g = 0; g < groups; ++g) {
      AppendValues(*record, 4);
      int64_t guns = CountOf(record->Value(record->size() - 1), "gun count");
      AppendValues(*record, 6 * guns);
    }
    AppendValues(*record, 10);
    record->ShrinkValues();
    return record;
  } catch (const AppError& e) {
    SetError(std::string("Error loading ship:") + kCrLf + e.Description);
    return nullptr;
  }
}

bool clsTxtParser::ReadJobs() {
  try {
    const Variant version = LoadValue(kKzValueNumber);
    version_ = kz::CLng(version);
    versionText_ = WholeText(version, scratch_->s);
    int32_t size = 0;
    switch (version_) {
      case 8: size = 117; break;
      case 9: size = 119; break;
      case 10: size = 120; break;
      default:
        SetError("Unsupported version: " + std::to_string(version_));
        return false;
    }
    while (!AtEnd()) {
      TXTObjectPtr record = NewLoadedRecord(static_cast<size_t>(size));
      AppendValues(*record, size - 1);
      TokenValue();
      PushLoaded(*record, *scratch_);
      Advance(1);
      record->Dirty = false;
      record->id = ++counter_;
      record->otype = kJobs;
      AppendLoaded(std::move(record));
    }
    return true;
  } catch (const AppError& e) {
    SetError(e.Description);
    return false;
  }
}

bool clsTxtParser::ReadJobWings() {
  while (!AtEnd()) {
    TXTObjectPtr record = ReadJobWingsRecord();
    if (!record) return false;
    record->id = ++counter_;
    AppendLoaded(std::move(record));
  }
  return true;
}

TXTObjectPtr clsTxtParser::ReadJobWingsRecord() {
  try {
    auto record = std::make_shared<clsTXTObject>();
    // A whole number keeps its text when the writer would form it otherwise (one that
    // is not whole is rounded, and so formed anew).
    auto push = [&](const Variant& item) {
      const int32_t n = kz::CLng(item);
      record->PushLong(n, WholeText(item, scratch_->s));
    };
    push(LoadValue(kKzValueNumber));
    for (;;) {
      Variant item = TokenValue();
      if (Kz_TXTGetTokenType(doc_) != kKzTokenItem)
        throw AppError(kz::kErrDataLoad, kSource, "Unexpected here: " + kz::CStr(item));
      if (!item.IsNumeric()) throw AppError(kz::kErrDataLoad, kSource, "Expected number, not " + kz::CStr(item));
      push(item);
      Advance(1);
      if (Kz_TXTGetTokenType(doc_) != kKzTokenContinuation) break;
      Advance(1);
    }
    record->ShrinkValues();
    record->Dirty = false;
    return record;
  } catch (const AppError& e) {
    SetError(e.Description);
    return nullptr;
  }
}

bool clsTxtParser::ReadWareLists() {
  try {
    int64_t count = CountOf(LoadValue(kKzValueNumber), "ware list count");
    ReserveRecords(count, 2);  // a length and its separator at least
    for (int64_t i = 0; i < count; ++i) {
      int64_t n = CountOf(LoadValue(kKzValueNumber), "ware list length");
      // The length is the file's word: the room made in advance is capped.
      TXTObjectPtr record = NewLoadedRecord(static_cast<size_t>(std::min<int64_t>(n, 4096)));
      for (int64_t k = 0; k < n; ++k) {
        LoadValue(kKzValueText);
        record->PushText(scratch_->s);
      }
      record->id = ++counter_;
      record->otype = kWareLists;
      record->Dirty = false;
      AppendLoaded(std::move(record));
    }
    return true;
  } catch (const AppError& e) {
    SetError(e.Description);
    return false;
  }
}

bool clsTxtParser::ReadIconData() {
  if (AtEnd()) {
    SetError("File is empty");
    return false;
  }
  auto main = std::make_shared<clsTXTObject>();
  main->id = ++counter_;
  AppendLoaded(main);
  try {
    clsTXTObject pending;
    while (!AtEnd()) {
      for (int k = 0; k < 2; ++k) {
        LoadValue(kKzValueText);
        pending.PushText(scratch_->s);
      }
      for (int k = 0; k < 3; ++k) pending.PushLong(kz::CLng(LoadValue(kKzValueNumber)));
      int64_t icons = CountOf(pending.Value(pending.size() - 1), "icon count");
      for (int64_t i = 0; i < icons; ++i) {
        LoadValue(kKzValueText);
        std::string name = scratch_->s;
        LoadValue(kKzValueAny);  // not kept
        auto icon = std::make_shared<clsTXTObject>();
        icon->ReserveValues(5);
        for (int k = 0; k < 4; ++k) icon->PushLong(kz::CLng(LoadValue(kKzValueNumber)));
        icon->PushText(name);
        icon->Dirty = false;
        icon->id = ++counter_;
        AppendLoaded(std::move(icon));
      }
    }
    main->AssignValues(pending.Values());
    main->Dirty = false;
    return true;
  } catch (const AppError& e) {
    SetError(e.Description);
    return false;
  }
}

// ---------------------------------------------------------------------------------------
// Collections

std::string clsTxtParser::NameOrderKey(std::string_view id) {
  std::string key(id);
  for (char& c : key) c = Fold(c);
  return key;
}

void clsTxtParser::ReserveRecords(int64_t count, int64_t leastBytes) {
  // The count comes from the file: a damaged one must not reserve a fortune. A file of
  // known size holds no more records than its bytes allow; otherwise the room made in
  // advance is capped (a longer file grows its list as it goes).
  constexpr int64_t kMostReservedBlind = int64_t{1} << 18;
  const int64_t most = loadBytes_ > 0 ? loadBytes_ / std::max<int64_t>(1, leastBytes) + 1 : kMostReservedBlind;
  size_t n = static_cast<size_t>(std::clamp<int64_t>(count, 0, most));
  loaded_.reserve(n);
  if (!store_) store_ = std::make_shared<RecordStore>();
  store_->Reserve(n);
}

void clsTxtParser::AppendLoaded(TXTObjectPtr record) {
  record->index = static_cast<int32_t>(loaded_.size());
  // Name order is taken from the name a record has when it is filed. A record read
  // whole keeps it (its values do not change during the load); one filed before it
  // has values (IconData's main record) or whose ID is not a text keeps a copy.
  std::string_view name;
  if (!record->NameView(name) || record->size() == 0)
    ownedNames_.emplace_back(static_cast<uint32_t>(loaded_.size()), record->ObjectName());
  loaded_.push_back(std::move(record));
}

void clsTxtParser::BuildNameOrder() {
  // The records came in file order; both collections are made at once from them.
  const size_t n = loaded_.size();
  char key[16];
  auto keyOf = [&key](const clsTXTObject& r) {
    auto done = std::to_chars(key, key + sizeof key - 1, r.id);
    *done.ptr = 'k';
    return std::string_view(key, static_cast<size_t>(done.ptr + 1 - key));
  };
  // The name each record was filed with, in file order.
  auto nameAt = [this](size_t i, size_t& owned) {
    std::string_view name;
    if (owned < ownedNames_.size() && ownedNames_[owned].first == i)
      name = ownedNames_[owned++].second;
    else
      loaded_[i]->NameView(name);
    return name;
  };
  // Files kept in ID order need no sort at all (and no list of the order).
  bool sorted = true;
  {
    size_t owned = 0;
    std::string_view last;
    for (size_t i = 0; i < n && sorted; ++i) {
      std::string_view name = nameAt(i, owned);
      sorted = i == 0 || CompareNames(name, last) >= 0;
      last = name;
    }
  }
  // Otherwise each record comes after every record of an equal or smaller ID: a
  // stable sort of the file order gives the order of filing them one by one.
  struct Named {
    std::string_view name;
    uint32_t index;  // 0-based file position
  };
  kz::LargeVector<Named> order;
  if (!sorted) {
    order.resize(n);
    size_t owned = 0;
    for (size_t i = 0; i < n; ++i) order[i] = Named{nameAt(i, owned), static_cast<uint32_t>(i)};
    std::stable_sort(order.begin(), order.end(), [](const Named& a, const Named& b) { return CompareNames(a.name, b.name) < 0; });
  }
  UnsortedObjects.AssignAll(n, [&](size_t i) {
    const clsTXTObject& r = *loaded_[i];
    return std::pair<TXTObjectPtr, std::string_view>(std::move(loaded_[i]), keyOf(r));
  });
  loaded_.clear();
  loaded_.shrink_to_fit();
  objects.AssignAll(n, [&](size_t i) {
    const size_t at = sorted ? i : order[i].index;
    const TXTObjectPtr& r = UnsortedObjects.Item(static_cast<int32_t>(at) + 1);
    return std::pair<TXTObjectPtr, std::string_view>(r, keyOf(*r));
  });
  ownedNames_.clear();
  ownedNames_.shrink_to_fit();
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
  for (const auto& r : objects)
    if (r->Dirty) return true;
  for (const auto& r : UnsortedObjects)
    if (r->Dirty) return true;
  return false;
}

// ---------------------------------------------------------------------------------------
// Writing

// Where a save's bytes are formed: a block that stays in the cache, handed on to the
// target (a string, or a write handle's content) whenever it fills and at the end.
class clsTxtParser::Sink {
 public:
  using Flush = void (*)(void* target, const char* bytes, size_t n);
  Sink(Flush flush, void* target) : flush_(flush), target_(target), block_(kBlock) {
    at_ = block_.data();
    end_ = at_ + block_.size();
  }
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  // Room for n bytes at the write position; Done(end) takes what was written there.
  char* Room(size_t n) {
    if (static_cast<size_t>(end_ - at_) < n) Spill(n);
    return at_;
  }
  void Done(char* to) { at_ = to; }
  // The end of the room at the write position.
  char* Limit() const { return end_; }
  void Put(char c) { *Room(1) = c, ++at_; }
  void Append(std::string_view text) {
    std::memcpy(Room(text.size()), text.data(), text.size());
    at_ += text.size();
  }
  // The bytes formed so far.
  size_t Size() const { return handed_ + static_cast<size_t>(at_ - block_.data()); }
  // Drops the last byte when it is c. Right after a field was formed it is in the block.
  void DropLast(char c) {
    if (at_ > block_.data() && at_[-1] == c) --at_;
  }
  // Hands on what is left in the block.
  void Finish() { Hand(); }
  // Hands on a large run of bytes as it stands (after what the block holds).
  void AppendWhole(std::string_view bytes) {
    Hand();
    if (!bytes.empty()) flush_(target_, bytes.data(), bytes.size());
    handed_ += bytes.size();
  }

  static void ToString(void* target, const char* bytes, size_t n) { static_cast<std::string*>(target)->append(bytes, n); }
  static void ToLarge(void* target, const char* bytes, size_t n) {
    auto* v = static_cast<kz::LargeVector<char>*>(target);
    v->insert(v->end(), bytes, bytes + n);
  }
  static void ToBytes(void* target, const char* bytes, size_t n) {
    auto* v = static_cast<std::vector<uint8_t>*>(target);
    const auto* p = reinterpret_cast<const uint8_t*>(bytes);
    v->insert(v->end(), p, p + n);
  }

 private:
  static constexpr size_t kBlock = size_t{64} << 10;

  void Hand() {
    const size_t n = static_cast<size_t>(at_ - block_.data());
    if (n) flush_(target_, block_.data(), n);
    handed_ += n;
    at_ = block_.data();
  }
  void Spill(size_t n) {
    Hand();
    if (block_.size() < n) block_.resize(n);
    at_ = block_.data();
    end_ = at_ + block_.size();
  }

  Flush flush_;
  void* target_;
  std::vector<char> block_;
  char* at_ = nullptr;
  char* end_ = nullptr;
  size_t handed_ = 0;
};

// A field's bytes as they stand, and its ";".
inline bool clsTxtParser::PutField(Sink& out, std::string_view bytes) {
  char* at = out.Room(bytes.size() + 1);
  std::memcpy(at, bytes.data(), bytes.size());
  at[bytes.size()] = ';';
  out.Done(at + bytes.size() + 1);
  return true;
}

// The common values are formed here with the writer's own rules (TxtFields.h); texts
// that are not plain ASCII, values the writer refuses and other kinds go through the
// library's formatter, which gives the same bytes and the reason of a refusal.
[[gnu::always_inline]] inline bool clsTxtParser::FormatView(const clsTXTObject::ValueView& v,
                                                           const clsTXTObject& record, int32_t field, Sink& out,
                                                           std::string& error) {
  switch (v.kind) {
    case kz::VariantKind::Empty: out.Put(';'); return true;
    case kz::VariantKind::Integer:
    case kz::VariantKind::Long:
    case kz::VariantKind::Boolean:
      if (v.textSize) return PutField(out, v.text());  // as it was read
      out.Done(videdoded::WriteLongField(out.Room(12), v.whole));
      return true;
    case kz::VariantKind::Single:
    case kz::VariantKind::Double:
      if (v.textSize) return PutField(out, v.text());
      if (char* end = videdoded::WriteDoubleField(out.Room(videdoded::kNumberFieldMax), v.number)) {
        out.Done(end);
        return true;
      }
      break;
    case kz::VariantKind::String:
      if (videdoded::PlainAsciiField(v.text())) return PutField(out, v.text());
      break;
    default: break;
  }
  return FormatValue(record.Value(field), out, record, field, error);
}

bool clsTxtParser::FormatCell(const clsTXTObject& record, int32_t field, Sink& out, std::string& error) {
  clsTXTObject::ValueView v;
  if (record.ViewValues(field, 1, &v) != 1) return FormatValue(record.Value(field), out, record, field, error);
  return FormatView(v, record, field, out, error);
}

bool clsTxtParser::FormatCells(const clsTXTObject& record, int32_t first, int32_t end, Sink& out,
                               std::string& error) {
  // Runs of common values are formed by the record itself; the others one by one here.
  constexpr size_t kRoom = 2 * videdoded::kNumberFieldMax;
  for (int32_t at = first; at < end;) {
    char* to = out.Room(kRoom);
    const int32_t next = record.FormFields(at, end, to, out.Limit());
    out.Done(to);
    if (next != at) {
      at = next;
    } else {
      if (!FormatCell(record, at, out, error)) return false;
      ++at;
    }
  }
  return true;
}

bool clsTxtParser::FormatValue(const Variant& v, Sink& out, const clsTXTObject& record, int32_t field,
                               std::string& error) {
  // Per thread: parts of a large file are formed by several at once.
  static thread_local Kz_Value value;
  static thread_local std::string spill;
  spill.clear();
  if (!ToKz(v, value) || Kz_TXTFormatValue(value, spill) == 0) {
    std::string why = v.IsObject() ? std::string("an object reference cannot be written") : LibraryError();
    error = "Cannot write " + RecordLabel(record) + ", field " + std::to_string(field) + ": " +
            (why.empty() ? "value refused" : why);
    return false;
  }
  out.Append(spill);
  return true;
}

bool clsTxtParser::WritableValue(const Variant& v, std::string& why) {
  Kz_Value value;
  std::string out;
  if (ToKz(v, value) && Kz_TXTFormatValue(value, out) != 0) return true;
  why = v.IsObject() ? std::string("An object reference cannot be written.") : LibraryError();
  if (why.empty()) why = "The value cannot be written.";
  return false;
}

bool clsTxtParser::FormatGeneric(Sink& out) {
  out.Append("// Created with " + kz::GetAppTitleVersion() + kCrLf);
  if (!FormatVersion(out)) return false;
  // The count as it was read while it still holds.
  if (!countText_.empty() && Count() == countRead_)
    out.Append(countText_ + ";");
  else if (!FormatValue(Variant(Count()), out, clsTXTObject(), 1, lastError_))
    return false;
  out.Append(kCrLf);
  std::vector<const clsTXTObject*> records;
  records.reserve(static_cast<size_t>(Count()));
  for (const auto& r : UnsortedObjects) records.push_back(r.get());
  return FormatLinesInParts(records, out);
}

bool clsTxtParser::FormatLines(const std::vector<const clsTXTObject*>& records, size_t from, size_t to, Sink& out,
                               std::string& error) {
  for (size_t k = from; k < to; ++k) {
    const clsTXTObject& r = *records[k];
    if (!FormatCells(r, 0, r.size(), out, error)) return false;
    out.Append(kCrLf);
  }
  return true;
}

void clsTxtParser::SetSavePartBytes(size_t bytes) noexcept { g_savePartBytes = bytes; }

// A large file is formed in parts by several threads, each part into a large buffer of
// its own (see AllocateLarge) that is handed on in file order; the first part is formed
// straight into `out`. A refusal reported is the one of the first part that failed: the
// first in the file.
bool clsTxtParser::FormatLinesInParts(const std::vector<const clsTXTObject*>& records, Sink& out) {
  constexpr size_t kMostParts = 4;
  const size_t n = records.size();
  const size_t bytes = n >= 64 ? SaveSizeHint() : 0;
  const size_t parts = std::min({bytes / std::max<size_t>(1, g_savePartBytes),
                                 size_t{std::max(1u, std::thread::hardware_concurrency())}, kMostParts, n});
  if (parts <= 1) return FormatLines(records, 0, n, out, lastError_);

  struct Part {
    kz::LargeVector<char> bytes;
    std::string error;
    bool ok = false;
    std::exception_ptr thrown;
    std::thread thread;
  };
  std::vector<Part> rest(parts - 1);
  auto first = [&](size_t k) { return n * k / parts; };
  auto form = [&records, &first, room = bytes / parts + 4096](Part& p, size_t k) {
    try {
      p.bytes.reserve(room);
      Sink sink(Sink::ToLarge, &p.bytes);
      p.ok = FormatLines(records, first(k), first(k + 1), sink, p.error);
      sink.Finish();
    } catch (...) {
      p.thrown = std::current_exception();
    }
  };
  struct JoinAll {
    std::vector<Part>& parts;
    ~JoinAll() {
      for (Part& p : parts)
        if (p.thread.joinable()) p.thread.join();
    }
  } joinAll{rest};
  for (size_t k = 1; k < parts; ++k) {
    try {
      rest[k - 1].thread = std::thread(form, std::ref(rest[k - 1]), k);
    } catch (const std::system_error&) {
      // No thread to be had: the part is formed here after the first.
    }
  }
  if (!FormatLines(records, 0, first(1), out, lastError_)) return false;
  for (size_t k = 1; k < parts; ++k) {
    Part& p = rest[k - 1];
    if (p.thread.joinable()) p.thread.join();
    else form(p, k);
    if (p.thrown) std::rethrow_exception(p.thrown);
    if (!p.ok) {
      SetError(std::move(p.error));
      return false;
    }
    out.AppendWhole(std::string_view(p.bytes.data(), p.bytes.size()));
    kz::LargeVector<char>().swap(p.bytes);
  }
  return true;
}

// The version as it was read (it does not change).
bool clsTxtParser::FormatVersion(Sink& out) {
  if (versionText_.empty()) return FormatValue(Variant(version_), out, clsTXTObject(), 0, lastError_);
  out.Append(versionText_ + ";");
  return true;
}

bool clsTxtParser::FormatJobs(Sink& out) {
  if (!FormatVersion(out)) return false;
  out.Append(kCrLf);
  for (const auto& r : UnsortedObjects) {
    int32_t n = r->size();
    if (n == 0) {
      SetError("Cannot write " + RecordLabel(*r) + ": the record has no values");
      return false;
    }
    if (!FormatCells(*r, 0, n - 1, out, lastError_)) return false;
    // The last field stands as it was read: without a separator after it. A last field
    // that is empty or only blanks keeps its separator: without it the reader would
    // find no field there and take the next line's first field in its place.
    size_t mark = out.Size();
    if (!FormatCell(*r, n - 1, out, lastError_)) return false;
    const kz::VariantKind lastKind = r->KindAt(n - 1);
    const bool blankLast = (lastKind == kz::VariantKind::Empty || lastKind == kz::VariantKind::String) &&
                           r->TextAt(n - 1).find_first_not_of(" \t") == std::string_view::npos;
    if (out.Size() > mark && !blankLast) out.DropLast(';');
    out.Append(kCrLf);
  }
  return true;
}

bool clsTxtParser::FormatJobWings(Sink& out) {
  out.Append("// Created with " + kz::GetAppTitleVersion() + kCrLf);
  for (const auto& r : UnsortedObjects) {
    const std::vector<Variant> values = r->Values();
    if (values.size() < 2) {
      SetError("Cannot write " + RecordLabel(*r) + ": a job wing needs a number and at least one item");
      return false;
    }
    for (size_t i = 0; i < values.size(); ++i) {
      int32_t n = 0;
      if (!WholeNumber(values[i], n)) {
        SetError("Cannot write " + RecordLabel(*r) + ", field " + std::to_string(i) + ": " + kz::CStr(values[i]) +
                 " is not a whole number");
        return false;
      }
      // A whole number keeps the text it was read from.
      const int32_t field = static_cast<int32_t>(i);
      const bool asRead = !r->NumberTextAt(field).empty() && r->KindAt(field) == kz::VariantKind::Long;
      if (!(asRead ? FormatCell(*r, field, out, lastError_) : FormatValue(Variant(n), out, *r, field, lastError_)))
        return false;
    }
    out.Append(kCrLf);
  }
  return true;
}

bool clsTxtParser::FormatWareLists(Sink& out) {
  out.Append("// Created with " + kz::GetAppTitleVersion() + kCrLf);
  if (!FormatValue(Variant(Count()), out, clsTXTObject(), 0, lastError_)) return false;
  out.Append(kCrLf);
  for (const auto& r : UnsortedObjects) {
    if (!FormatValue(Variant(r->size()), out, *r, -1, lastError_)) return false;
    for (int32_t i = 0, n = r->size(); i < n; ++i) {
      bool ok = r->KindAt(i) == kz::VariantKind::String ? FormatCell(*r, i, out, lastError_)
                                                        : FormatValue(Variant(kz::CStr(r->Value(i))), out, *r, i, lastError_);
      if (!ok) return false;
    }
    out.Append(kCrLf);
  }
  return true;
}

bool clsTxtParser::FormatTo(Sink& out) {
  switch (otype_) {
    case kIconData:
      SetError("IconData files cannot be saved: their layout is read only in part.");
      return false;
    case kJobs: return FormatJobs(out);
    case kJobWings: return FormatJobWings(out);
    case kWareLists: return FormatWareLists(out);
    default: return FormatGeneric(out);
  }
}

bool clsTxtParser::FormatFile(std::string& out) {
  out.clear();
  out.reserve(SaveSizeHint());
  Sink sink(Sink::ToString, &out);
  if (!FormatTo(sink)) return false;
  sink.Finish();
  lastSaveSize_ = out.size();
  return true;
}

size_t clsTxtParser::SaveSizeHint() {
  const size_t count = static_cast<size_t>(Count());
  if (lastSaveSize_ != 0) return lastSaveSize_ + lastSaveSize_ / 32 + 256;
  constexpr size_t kSample = 32;
  if (count < kSample * 4) return count * 128 + 256;
  // The lines of records spread over the file, formed once to be measured.
  std::string sample;
  Sink sink(Sink::ToString, &sample);
  std::string ignored;  // a refusal is reported by the save itself
  size_t measured = 0;
  for (size_t k = 0; k < kSample; ++k) {
    const clsTXTObject& r = *UnsortedObjects.Item(static_cast<int32_t>(k * count / kSample) + 1);
    FormatCells(r, 0, r.size(), sink, ignored);
    measured += 2;  // the line end
  }
  measured += sink.Size();
  return measured * count / kSample + measured * count / kSample / 16 + 256;
}

bool clsTxtParser::Save(int32_t fileHandle) {
  // A failed save leaves the target as it was: the write handle is dropped without
  // committing, so closing it afterwards writes nothing.
  auto fail = [&](std::string text) {
    SetError(std::move(text));
    rudu::DiscardFile(fileHandle);
    return false;
  };
  auto driverError = [] {
    std::string error = kz::GetRuDUError();
    return error.empty() ? std::string("Error writing file.") : error;
  };
  try {
    // The save is formed whole straight in the write handle's content (the file is
    // written when the handle commits at close).
    if (std::vector<uint8_t>* content = rudu::BeginWriteInPlace(fileHandle, SaveSizeHint())) {
      Sink sink(Sink::ToBytes, content);
      if (!FormatTo(sink)) return fail(lastError_);
      sink.Finish();
      lastSaveSize_ = sink.Size();
      if (rudu::EndWriteInPlace(fileHandle) == 0) return fail(driverError());
    } else {
      // Not a live write handle: the content is formed first, so that a refused value is
      // reported before the driver's own complaint about the handle.
      std::string out;
      if (!FormatFile(out)) return fail(lastError_);
      constexpr size_t kChunk = size_t{1} << 24;
      for (size_t at = 0; at < out.size(); at += kChunk) {
        int32_t n = static_cast<int32_t>(std::min(kChunk, out.size() - at));
        if (RuDU_WriteFile(fileHandle, out.data() + at, n) != n) return fail(driverError());
      }
      if (RuDU_SetEndOfFile(fileHandle) == 0) return fail(driverError());
    }
  } catch (const std::bad_alloc&) {
    return fail("Out of memory");
  } catch (const AppError& e) {
    return fail(e.Description);
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  modified_ = false;
  for (auto& r : UnsortedObjects) r->Dirty = false;
  for (auto& r : objects) r->Dirty = false;
  return true;
}

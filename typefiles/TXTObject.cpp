#include "typefiles/TXTObject.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "core/AppError.h"
#include "videdoded/TxtFields.h"
#include "videdoded.h"

namespace {
constexpr const char* kSource = "clsTXTObject";
}

// ---- Cell ---------------------------------------------------------------------------

clsTXTObject::Cell::Tag clsTXTObject::Cell::TagOf() const noexcept {
  const uint64_t top = bits_ >> 48;
  if (top == 0) {
    if (bits_ == kEmptyBits) return kEmpty;
    switch (bits_ & 3) {
      case kPtrHeapText: return kTextHeap;
      case kPtrBorrowedText: return kTextBorrowed;
      case kPtrNumberText: return kNumberText;
      default: return kObject;
    }
  }
  switch (top) {
    case kNumberCode: return (bits_ & 1) != 0 ? kNumberText : kTextInPlace;
    case kLongInPlaceCode:
    case kDoubleInPlaceCode: return kNumberText;
    case kBoxInt16: return kInt16;
    case kBoxInt32: return kInt32;
    case kBoxSingle: return kSingle;
    case kBoxBool: return kBool;
    case kBoxInline: return kTextInline;
    default: return kDouble;
  }
}

void clsTXTObject::Cell::SetPointer(const void* p, uint64_t kind) {
  const uint64_t at = reinterpret_cast<uintptr_t>(p);
  if (at == 0 || (at & ~kPointerBits) != 0) throw std::bad_alloc();  // beyond 48 bits or unaligned
  bits_ = at | kind;
}

// Takes over a reference of its own to an object (the cell holds nothing to free).
void clsTXTObject::Cell::SetObject(std::unique_ptr<kz::Variant::ObjectPtr> copy) {
  SetPointer(copy.get(), kPtrObject);
  copy.release();
}

const char* clsTXTObject::Cell::Block() const noexcept { return reinterpret_cast<const char*>(bits_ & kPointerBits); }

void clsTXTObject::Cell::FreePointer() noexcept {
  if ((bits_ & 3) == kPtrHeapText)
    delete[] const_cast<char*>(Block());
  else if ((bits_ & 3) == kPtrObject)
    delete reinterpret_cast<const kz::Variant::ObjectPtr*>(Block());
  else if ((bits_ & 3) == kPtrNumberText)
    delete[] const_cast<char*>(Block());
}

// ---- Numbers with their read text ----

void clsTXTObject::Cell::FillNumberBlock(char* block, uint64_t number, std::string_view text) noexcept {
  const uint32_t len = static_cast<uint32_t>(text.size());
  std::memcpy(block, &number, 8);
  std::memcpy(block + 8, &len, 4);
  std::memcpy(block + 12, text.data(), text.size());
}

void clsTXTObject::Cell::SetNumberBlock(const char* block, bool owned) {
  Release();
  // A block of the cell's own stays a plain pointer word (leak checkers follow it); a
  // borrowed one lives in its arena and is only marked.
  SetPointer(block, owned ? kPtrNumberText : kPtrBorrowedText);
  if (!owned) bits_ |= kNumberCode << 48;
}

void clsTXTObject::Cell::SetNumberText(uint64_t number, std::string_view text) {
  if (text.size() > std::numeric_limits<uint32_t>::max()) throw std::length_error("text too long");
  auto block = std::make_unique_for_overwrite<char[]>(NumberBlockSize(text));
  FillNumberBlock(block.get(), number, text);
  SetNumberBlock(block.get(), true);
  block.release();
}

clsTXTObject::Cell clsTXTObject::Cell::Number() const noexcept {
  Cell c;
  if (NumberInPlace()) {
    if (!ReadNumber(NumberText(), (bits_ >> 48) == kDoubleInPlaceCode, c.bits_)) c.bits_ = kEmptyBits;  // (read so when kept)
    return c;
  }
  std::memcpy(&c.bits_, Block(), 8);
  return c;
}

namespace {
// Powers of ten exact as doubles, as the type-file reader divides by them.
constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
}  // namespace

// The reader's rules: an optional "-" and digits that fit 32 bits; or an optional "-"
// and digits with one ".", up to 16 characters after the sign as its digits divided by
// a power of ten (both exact), longer ones through from_chars.
bool clsTXTObject::Cell::ReadNumber(std::string_view text, bool isDouble, uint64_t& bits) noexcept {
  const char* p = text.data();
  const size_t n = text.size();
  const size_t sign = (n > 0 && p[0] == '-') ? 1 : 0;
  const char* q = p + sign;
  const char* const e = p + n;
  // The digits before a ".", then (for a double) the ones after it.
  uint64_t m = 0;
  unsigned c;
  for (; q < e && (c = static_cast<unsigned char>(*q) - '0') <= 9; ++q) {
    m = m * 10 + c;
    if (!isDouble && m > 2147483648ull) return false;
  }
  if (!isDouble) {
    if (q != e || q == p + sign || (!sign && m > 2147483647ull)) return false;
    bits = LongBits(sign ? static_cast<int32_t>(-static_cast<int64_t>(m)) : static_cast<int32_t>(m));
    return true;
  }
  if (q == e || *q != '.') return false;
  const char* const dot = q++;
  for (; q < e && (c = static_cast<unsigned char>(*q) - '0') <= 9; ++q) m = m * 10 + c;
  if (q != e || n - sign == 1) return false;  // something else after the digits, or "." alone
  double d;
  if (n - sign <= 16) {
    const double v = static_cast<double>(m) / kPow10[e - dot - 1];
    d = sign ? -v : v;
  } else {
    const auto r = std::from_chars(p, p + n, d, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != p + n) return false;
  }
  bits = DoubleCellBits(d);
  return true;
}

bool clsTXTObject::Cell::SetNumberInPlace(uint64_t number, bool isDouble, std::string_view text, const char* at) noexcept {
  const uint64_t address = reinterpret_cast<uintptr_t>(at);
  if (address >= kInPlaceAddressMost || text.empty() || text.size() > kInPlaceMost) return false;
  if (std::memcmp(at, text.data(), text.size()) != 0 || at[text.size()] != ';') return false;
  uint64_t read;
  if (!ReadNumber(text, isDouble, read) || read != number) return false;
  Release();
  bits_ = Box(isDouble ? kDoubleInPlaceCode : kLongInPlaceCode, address);
  return true;
}

std::string_view clsTXTObject::Cell::NumberText() const noexcept {
  if (NumberInPlace()) {
    const char* at = NumberPlace();
    const char* end = static_cast<const char*>(std::memchr(at, ';', kInPlaceMost + 1));
    return std::string_view(at, static_cast<size_t>(end - at));
  }
  if (!KeepsNumberText()) return {};
  uint32_t len;
  std::memcpy(&len, Block() + 8, 4);
  return std::string_view(Block() + 12, len);
}

// A text block of its own on the heap: the length, then the bytes.
std::unique_ptr<char[]> clsTXTObject::Cell::NewTextBlock(std::string_view v) {
  if (v.size() > std::numeric_limits<uint32_t>::max()) throw std::length_error("text too long");
  auto block = std::make_unique_for_overwrite<char[]>(v.size() + 4);
  const uint32_t len = static_cast<uint32_t>(v.size());
  std::memcpy(block.get(), &len, 4);
  if (len) std::memcpy(block.get() + 4, v.data(), len);
  return block;
}

// Takes over a text block of its own (freed with the cell).
void clsTXTObject::Cell::SetTextBlock(std::unique_ptr<char[]> block) {
  SetPointer(block.get(), kPtrHeapText);
  block.release();
}

void clsTXTObject::Cell::CopyFrom(const Cell& o) {
  switch (o.TagOf()) {
    case kTextHeap:
    case kTextBorrowed:
    case kTextInPlace: SetTextBlock(NewTextBlock(o.Text())); break;
    case kObject:
      SetObject(std::make_unique<kz::Variant::ObjectPtr>(*reinterpret_cast<const kz::Variant::ObjectPtr*>(o.Block())));
      break;
    case kNumberText: SetNumberText(o.Number().bits_, o.NumberText()); break;
    default: bits_ = o.bits_; break;
  }
}

clsTXTObject::Cell::Cell(const Cell& o) { CopyFrom(o); }

clsTXTObject::Cell::Cell(Cell&& o) noexcept : bits_(o.bits_) { o.bits_ = kEmptyBits; }

clsTXTObject::Cell& clsTXTObject::Cell::operator=(const Cell& o) {
  if (this != &o) {
    Cell copy(o);
    *this = std::move(copy);
  }
  return *this;
}

clsTXTObject::Cell& clsTXTObject::Cell::operator=(Cell&& o) noexcept {
  if (this != &o) {
    Release();
    bits_ = o.bits_;
    o.bits_ = kEmptyBits;
  }
  return *this;
}

kz::VariantKind clsTXTObject::Cell::Kind() const noexcept {
  switch (TagOf()) {
    case kInt16: return kz::VariantKind::Integer;
    case kInt32: return kz::VariantKind::Long;
    case kSingle: return kz::VariantKind::Single;
    case kDouble: return kz::VariantKind::Double;
    case kTextInline:
    case kTextHeap:
    case kTextBorrowed:
    case kTextInPlace: return kz::VariantKind::String;
    case kBool: return kz::VariantKind::Boolean;
    case kObject: return kz::VariantKind::Object;
    case kNumberText: return Number().Kind();
    default: return kz::VariantKind::Empty;
  }
}

// One switch on the tag for the kind and the content (a writer reads every value).
void clsTXTObject::Cell::View(ValueView& out) const noexcept {
  switch (TagOf()) {
    case kInt16: out.kind = kz::VariantKind::Integer, out.whole = Int16(), out.textSize = 0; break;
    case kInt32: out.kind = kz::VariantKind::Long, out.whole = Int32(), out.textSize = 0; break;
    case kBool: out.kind = kz::VariantKind::Boolean, out.whole = BoolBit() ? -1 : 0, out.textSize = 0; break;
    case kSingle: out.kind = kz::VariantKind::Single, out.number = Single(), out.textSize = 0; break;
    case kDouble: out.kind = kz::VariantKind::Double, out.number = DoubleBits(), out.textSize = 0; break;
    case kNumberText: {
      Number().View(out);
      const std::string_view text = NumberText();
      out.textData = text.data();
      out.textSize = text.size();
      break;
    }
    case kTextInline:
    case kTextHeap:
    case kTextBorrowed:
    case kTextInPlace: {
      const std::string_view text = Text();
      out.kind = kz::VariantKind::String;
      out.textData = text.data();
      out.textSize = text.size();
      break;
    }
    case kObject: out.kind = kz::VariantKind::Object; break;
    default: out.kind = kz::VariantKind::Empty; break;
  }
}

namespace {

// Whether the first n (at most 5) bytes of a short text's cell bits are written as they
// stand (see videdoded::PlainAsciiField): each byte looked at at once.
inline bool PlainInlineText(uint64_t bits, size_t n) noexcept {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHighs = 0x8080808080808080ULL;
  const uint64_t lanes = n ? (~uint64_t{0} >> (64 - 8 * n)) : 0;  // the text's bytes
  const uint64_t v = bits & lanes;
  // Whether a byte of the text equals c: exact for the lowest such byte, so masked to
  // the text's bytes it says whether there is one.
  auto has = [v](unsigned char c) {
    const uint64_t x = v ^ (kOnes * c);
    return (x - kOnes) & ~x & kHighs;
  };
  const uint64_t bad = (v & kHighs) | ((has(';') | has('\r') | has('\n') | has(0)) & lanes);
  return bad == 0 && !(n >= 2 && (v & 0xFFFF) == 0x2F2F);  // nor a remark start, "//"
}

// How a byte of a text stands in a field: 0 as it is, 1 the ";" that ends a text kept
// where it stands, 2 not written as it stands (see videdoded::PlainAsciiField).
struct FieldBytes {
  unsigned char kind[256] = {};
  constexpr FieldBytes() {
    kind[static_cast<unsigned char>(';')] = 1;
    kind[0] = kind[static_cast<unsigned char>('\r')] = kind[static_cast<unsigned char>('\n')] = 2;
    for (int c = 0x80; c < 0x100; ++c) kind[c] = 2;
  }
};
constexpr FieldBytes kFieldBytes;

// A text kept where it stands (up to the ";" after it) copied to `at` as a field, in
// one walk that finds its end and checks its bytes; null when it is not written as it
// stands or does not fit before `limit`.
inline char* FormTextInPlace(const char* from, char* at, char* limit) noexcept {
  char* to = at;
  for (;;) {
    const unsigned char c = static_cast<unsigned char>(*from++);
    const unsigned char kind = kFieldBytes.kind[c];
    if (kind != 0 || to == limit) [[unlikely]] {
      if (kind != 1 || to == limit) return nullptr;
      break;
    }
    *to++ = static_cast<char>(c);
  }
  if (to - at >= 2 && at[0] == '/' && at[1] == '/') return nullptr;  // a remark start
  *to++ = ';';
  return to;
}

}  // namespace

// Defined here only: the record's FormFields is its one caller, and takes it inline.
inline char* clsTXTObject::Cell::Form(char* at, char* limit) const noexcept {
  const size_t room = static_cast<size_t>(limit - at);
  // The cells most fields hold first, straight from their bits: a 32-bit integer, a
  // short text, a double.
  const uint64_t top = bits_ >> 48;
  if (top == kBoxInt32) return room < 12 ? nullptr : videdoded::WriteLongField(at, Int32());
  if (top == kBoxInline) {
    const size_t n = static_cast<size_t>((bits_ >> 40) & 0xFF);
    if (room < 8 || !PlainInlineText(bits_, n)) return nullptr;
    std::memcpy(at, &bits_, 8);  // the text, then bytes that the ";" and what follows cover
    at[n] = ';';
    return at + n + 1;
  }
  if (top > kNumberCode && top < kBoxInt16) {
    if (top - kLongInPlaceCode < 2) [[unlikely]]  // a number's read text where it stands
      return FormTextInPlace(NumberPlace(), at, limit);
    return room < videdoded::kNumberFieldMax ? nullptr : videdoded::WriteDoubleField(at, DoubleBits());
  }
  if (top == kNumberCode && (bits_ & 1) == 0)  // a text where it stands
    return FormTextInPlace(reinterpret_cast<const char*>((bits_ & 0x0000FFFFFFFFFFFFull) >> 1), at, limit);
  switch (TagOf()) {
    case kEmpty:
      if (room < 1) return nullptr;
      *at = ';';
      return at + 1;
    case kInt16: return room < 12 ? nullptr : videdoded::WriteLongField(at, Int16());
    case kInt32: return room < 12 ? nullptr : videdoded::WriteLongField(at, Int32());
    case kBool: return room < 12 ? nullptr : videdoded::WriteLongField(at, BoolBit() ? -1 : 0);
    case kSingle: return room < videdoded::kNumberFieldMax ? nullptr : videdoded::WriteDoubleField(at, Single());
    case kDouble: return room < videdoded::kNumberFieldMax ? nullptr : videdoded::WriteDoubleField(at, DoubleBits());
    case kTextInline:
    case kTextHeap:
    case kTextBorrowed:
    case kTextInPlace: {
      const std::string_view text = Text();
      if (room <= text.size() || !videdoded::PlainAsciiField(text)) return nullptr;
      std::memcpy(at, text.data(), text.size());
      at[text.size()] = ';';
      return at + text.size() + 1;
    }
    case kNumberText: {
      // A number's text as the reader took it: digits, "-" and "." only.
      const std::string_view text = NumberText();
      if (room <= text.size()) return nullptr;
      std::memcpy(at, text.data(), text.size());
      at[text.size()] = ';';
      return at + text.size() + 1;
    }
    default: return nullptr;
  }
}

void clsTXTObject::Cell::SetText(std::string_view v) {
  if (v.size() <= kInlineMax) {
    uint64_t payload = 0;
    if (!v.empty()) std::memcpy(&payload, v.data(), v.size());  // byte i at bits 8i
    Release();
    bits_ = Box(kBoxInline, payload | (uint64_t{v.size()} << 40));
    return;
  }
  auto block = NewTextBlock(v);
  Release();
  SetTextBlock(std::move(block));
}

void clsTXTObject::Cell::SetBorrowedText(const char* block) {
  Release();
  SetPointer(block, kPtrBorrowedText);
}


void clsTXTObject::Cell::Set(const kz::Variant& v) {
  switch (v.Kind()) {
    case kz::VariantKind::Empty: Release(); break;
    case kz::VariantKind::Integer:
      Release();
      bits_ = Box(kBoxInt16, static_cast<uint16_t>(v.AsInteger()));
      break;
    case kz::VariantKind::Long: SetLong(v.AsLong()); break;
    case kz::VariantKind::Single: {
      Release();
      uint32_t f;
      const float single = v.AsSingle();
      std::memcpy(&f, &single, 4);
      bits_ = Box(kBoxSingle, f);
      break;
    }
    case kz::VariantKind::Double: SetDouble(v.AsDouble()); break;
    case kz::VariantKind::String: SetText(v.AsString()); break;
    case kz::VariantKind::Boolean:
      Release();
      bits_ = Box(kBoxBool, v.AsBoolean() ? 1 : 0);
      break;
    case kz::VariantKind::Object: {
      auto copy = std::make_unique<kz::Variant::ObjectPtr>(v.AsObject());
      Release();
      SetObject(std::move(copy));
      break;
    }
  }
}

std::string_view clsTXTObject::Cell::Text() const noexcept {
  switch (TagOf()) {
    case kTextInline: return std::string_view(reinterpret_cast<const char*>(&bits_), (bits_ >> 40) & 0xFF);
    case kTextHeap:
    case kTextBorrowed: {
      uint32_t len;
      std::memcpy(&len, Block(), 4);
      return std::string_view(Block() + 4, len);
    }
    case kTextInPlace: {
      const char* at = reinterpret_cast<const char*>((bits_ & 0x0000FFFFFFFFFFFFull) >> 1);
      const char* end = static_cast<const char*>(std::memchr(at, ';', kInPlaceMost + 1));
      return std::string_view(at, static_cast<size_t>(end - at));
    }
    default: return {};
  }
}

kz::Variant clsTXTObject::Cell::Get() const {
  switch (TagOf()) {
    case kInt16: return kz::Variant(Int16());
    case kInt32: return kz::Variant(Int32());
    case kSingle: return kz::Variant(Single());
    case kDouble: return kz::Variant(DoubleBits());
    case kTextInline:
    case kTextHeap:
    case kTextBorrowed:
    case kTextInPlace: return kz::Variant(std::string(Text()));
    case kBool: return kz::Variant(BoolBit());
    case kObject: return kz::Variant(*reinterpret_cast<const kz::Variant::ObjectPtr*>(Block()));
    case kNumberText: return Number().Get();
    default: return kz::Variant();
  }
}

int32_t clsTXTObject::Cell::Long() const noexcept {
  switch (TagOf()) {
    case kInt16: return Int16();
    case kInt32: return Int32();
    case kBool: return BoolBit() ? -1 : 0;
    case kNumberText: return Number().Long();
    default: return 0;
  }
}

double clsTXTObject::Cell::Double() const noexcept {
  switch (TagOf()) {
    case kSingle: return Single();
    case kDouble: return DoubleBits();
    case kNumberText: return Number().Double();
    default: return Long();
  }
}

bool clsTXTObject::Cell::Equals(const kz::Variant& v) const {
  if (Kind() == kz::VariantKind::String) return v.IsString() && v.AsString() == Text();
  return kz::VariantEquals(Get(), v);
}

// ---- Record -------------------------------------------------------------------------

std::pmr::memory_resource* clsTXTObject::Heap() noexcept {
  class PlainHeap final : public std::pmr::memory_resource {
    void* do_allocate(size_t bytes, size_t align) override {
      if (align > alignof(std::max_align_t)) throw std::bad_alloc();
      return ::operator new(bytes);
    }
    void do_deallocate(void* p, size_t, size_t) override { ::operator delete(p); }
    bool do_is_equal(const std::pmr::memory_resource& o) const noexcept override { return this == &o; }
  };
  static PlainHeap heap;
  return &heap;
}

// Copies give values of their own on the global heap (borrowed texts become owned).
clsTXTObject::clsTXTObject(const clsTXTObject& o)
    : kz::Object(o), otype(o.otype), index(o.index), id(o.id), Dirty(o.Dirty), cells_(o.cells_, Heap()) {}

clsTXTObject& clsTXTObject::operator=(const clsTXTObject& o) {
  if (this != &o) {
    CellList cells(o.cells_, Heap());
    otype = o.otype;
    index = o.index;
    id = o.id;
    Dirty = o.Dirty;
    cells_ = std::move(cells);
  }
  return *this;
}

// A record whose values live on a resource is copied: the target must not refer to
// storage that only the source keeps alive.
clsTXTObject::clsTXTObject(clsTXTObject&& o)
    : kz::Object(o), otype(o.otype), index(o.index), id(o.id), Dirty(o.Dirty) {
  if (o.OnResource())
    cells_ = o.cells_;
  else
    cells_ = std::move(o.cells_);
}

clsTXTObject& clsTXTObject::operator=(clsTXTObject&& o) {
  if (this != &o) {
    if (o.OnResource()) return *this = static_cast<const clsTXTObject&>(o);
    otype = o.otype;
    index = o.index;
    id = o.id;
    Dirty = o.Dirty;
    cells_ = std::move(o.cells_);
  }
  return *this;
}

void clsTXTObject::PushNumberText(uint64_t number, std::string_view text) { NumberTextInto(cells_.emplace_back(), number, text); }

void clsTXTObject::NumberTextInto(Cell& c, uint64_t number, std::string_view text) {
  if (OnResource() && text.size() <= std::numeric_limits<uint32_t>::max()) {
    // The block in the resource's memory, as long texts are.
    auto* block = static_cast<char*>(cells_.resource()->allocate(Cell::NumberBlockSize(text), 4));
    Cell::FillNumberBlock(block, number, text);
    c.SetNumberBlock(block, false);
    return;
  }
  c.SetNumberText(number, text);
}

bool clsTXTObject::PushNumberInPlace(uint64_t number, bool isDouble, std::string_view text, const char* inPlace) {
  if (!OnResource()) return false;
  Cell& c = cells_.emplace_back();
  if (c.SetNumberInPlace(number, isDouble, text, inPlace)) return true;
  cells_.pop_back();
  return false;
}

void clsTXTObject::PushText(std::string_view v) { TextInto(cells_.emplace_back(), v); }

void clsTXTObject::TextInto(Cell& c, std::string_view v) {
  if (v.size() > Cell::kInlineMax && OnResource() && v.size() <= std::numeric_limits<uint32_t>::max()) {
    // The length, then the bytes, in the resource's memory.
    auto* block = static_cast<char*>(cells_.resource()->allocate(v.size() + 4, 4));
    const uint32_t len = static_cast<uint32_t>(v.size());
    std::memcpy(block, &len, 4);
    std::memcpy(block + 4, v.data(), v.size());
    c.SetBorrowedText(block);
    return;
  }
  c.SetText(v);
}

// The values a type file's reader took, at once: the cells made together, then each set
// where it stands (no count or end kept up to date value by value). Each value as the
// Push* members above set it: a number keeps its read text ("" when in the writer's
// form), where it stands when it can be; a text is kept where it stands when it can be.
void clsTXTObject::PushRead(const Kz_Value* values, int32_t n, std::string_view lasting, bool placed) {
  if (n <= 0) return;
  const size_t first = cells_.size();
  cells_.resize(first + static_cast<size_t>(n));  // Empty cells
  Cell* cell = cells_.data() + first;
  // Places are taken only on a resource, and only within the lasting bytes (every
  // address there within reach of a cell; else none is taken and texts are copied).
  const uintptr_t begin = reinterpret_cast<uintptr_t>(lasting.data());
  const bool places = OnResource() && !lasting.empty() && begin < Cell::kInPlaceAddressMost &&
                      lasting.size() <= Cell::kInPlaceAddressMost - begin;
  const size_t span = places ? lasting.size() : 0;
  // Where a read value's text stands in the lasting bytes, followed by ";" (else null).
  auto placeOf = [begin, span](const Kz_Value& v, size_t size) -> const char* {
    const uintptr_t at = reinterpret_cast<uintptr_t>(v.at) - begin;  // past span when null or outside
    if (at >= span || span - at <= size) return nullptr;
    return v.at[size] == ';' ? v.at : nullptr;
  };
  for (int32_t i = 0; i < n; ++i, ++cell) {
    const Kz_Value& v = values[i];
    switch (v.kind) {
      case Kz_Value::Long:
        if (v.s.empty()) {
          cell->SetLong(v.l);
          break;
        }
        [[fallthrough]];
      case Kz_Value::Double: {
        const bool isDouble = v.kind == Kz_Value::Double;
        if (v.s.empty()) {
          cell->SetDouble(v.d);
          break;
        }
        const uint64_t bits = isDouble ? Cell::DoubleCellBits(v.d) : Cell::LongBits(v.l);
        const char* place = placeOf(v, v.s.size());
        if (!place || !cell->SetNumberInPlace(bits, isDouble, v.s, place)) NumberTextInto(*cell, bits, v.s);
        break;
      }
      case Kz_Value::Text: {
        // A text given by its place (kKzValuePlaced) is read from there.
        const std::string_view text =
            placed && v.at ? std::string_view(v.at, static_cast<uint32_t>(v.l)) : std::string_view(v.s);
        const char* place = text.size() > Cell::kInlineMax && text.size() <= Cell::kInPlaceMost ? placeOf(v, text.size()) : nullptr;
        if (place)
          cell->SetTextInPlace(place);
        else
          TextInto(*cell, text);
        break;
      }
      default: break;  // Empty
    }
  }
}

std::string clsTXTObject::key() const { return std::to_string(id) + "k"; }

const clsTXTObject::Cell& clsTXTObject::At(int32_t i) const {
  if (i < 0 || i >= size()) throw kz::AppError(kz::kErrSubscript, kSource);
  return cells_[static_cast<size_t>(i)];
}

kz::Variant clsTXTObject::Value(int32_t i) const { return At(i).Get(); }

void clsTXTObject::SetValue(int32_t i, const kz::Variant& v) {
  const Cell& cell = At(i);
  if (cell.Equals(v)) {
    // An equal number leaves one read in another form than the writer's as it was read.
    if (cell.KeepsNumberText()) return;
  } else {
    Dirty = true;
  }
  cells_[static_cast<size_t>(i)].Set(v);
}

std::string clsTXTObject::ObjectName() const {
  if (cells_.empty()) return {};
  const Cell& last = cells_.back();
  if (last.Kind() == kz::VariantKind::String) return std::string(last.Text());
  return kz::CStr(last.Get());
}

bool clsTXTObject::NameView(std::string_view& name) const {
  if (cells_.empty()) {
    name = {};
    return true;
  }
  if (cells_.back().Kind() != kz::VariantKind::String) return false;
  name = cells_.back().Text();
  return true;
}

void clsTXTObject::SetObjectName(const std::string& name) { SetValue(size() - 1, kz::Variant(name)); }

void clsTXTObject::Construct(int32_t n) {
  if (n < 1) throw kz::AppError(kz::kErrInvalidArgument, kSource);
  CellList cells(cells_.resource());
  cells.resize(static_cast<size_t>(n));
  for (auto& c : cells) c.Set(kz::Variant(int16_t{0}));
  cells_ = std::move(cells);
  SetObjectName("");
}

void clsTXTObject::CopyTo(clsTXTObject& target) const {
  target.id = id;
  target.otype = otype;
  target.index = index;
  target.Dirty = Dirty;
  if (cells_.empty()) {
    target.cells_.clear();
    return;
  }
  target.Construct(size());
  for (int32_t i = 0; i < size(); ++i) {
    const Cell& c = cells_[static_cast<size_t>(i)];
    if (!target.cells_[static_cast<size_t>(i)].Equals(c.Get())) target.Dirty = true;
    target.cells_[static_cast<size_t>(i)] = c;
  }
}

std::shared_ptr<clsTXTObject> clsTXTObject::Clone() const {
  auto copy = std::make_shared<clsTXTObject>();
  CopyTo(*copy);
  return copy;
}

void clsTXTObject::InsertSpaceToArray(int32_t pos, int32_t count) {
  if (count < 0) throw kz::AppError(kz::kErrInvalidArgument, kSource);
  if (pos < 1 || pos > size() - 1) throw kz::AppError(kz::kErrSubscript, kSource);
  if (count == 0) return;
  cells_.InsertEmpty(static_cast<size_t>(pos), static_cast<size_t>(count));
}

void clsTXTObject::RemoveSpaceFromArray(int32_t pos, int32_t count) {
  if (count < 0) throw kz::AppError(kz::kErrInvalidArgument, kSource);
  if (pos < 1 || int64_t(pos) + count > int64_t(size()) - 1) throw kz::AppError(kz::kErrSubscript, kSource);
  if (count == 0) return;
  cells_.Erase(static_cast<size_t>(pos), static_cast<size_t>(count));
}

std::string clsTXTObject::GetObjectTData() const {
  std::string line;
  for (const Cell& c : cells_) {
    if (c.Kind() == kz::VariantKind::String)
      line += c.Text();
    else if (c.KeepsNumberText())
      line += c.NumberText();
    else
      line += kz::CStr(c.Get());
    line += ';';
  }
  return line;
}

std::vector<kz::Variant> clsTXTObject::Values() const {
  std::vector<kz::Variant> values;
  values.reserve(cells_.size());
  for (const Cell& c : cells_) values.push_back(c.Get());
  return values;
}

void clsTXTObject::AssignValues(std::vector<kz::Variant>&& values) {
  CellList cells(cells_.resource());
  cells.resize(values.size());
  for (size_t i = 0; i < values.size(); ++i) cells[i].Set(values[i]);
  cells_ = std::move(cells);
  values.clear();
}

void clsTXTObject::TakeValues(clsTXTObject& from) {
  if (cells_.SameResource(from.cells_))
    cells_.swap(from.cells_);
  else
    cells_ = from.cells_;
}

kz::VariantKind clsTXTObject::KindAt(int32_t i) const { return At(i).Kind(); }
std::string_view clsTXTObject::NumberTextAt(int32_t i) const { return At(i).NumberText(); }
std::string_view clsTXTObject::TextAt(int32_t i) const { return At(i).Text(); }
int32_t clsTXTObject::LongAt(int32_t i) const { return At(i).Long(); }
double clsTXTObject::DoubleAt(int32_t i) const { return At(i).Double(); }

int32_t clsTXTObject::ViewValues(int32_t first, int32_t count, ValueView* out) const {
  if (first < 0 || count <= 0 || first >= size()) return 0;
  const int32_t n = std::min(count, size() - first);
  const Cell* cell = cells_.data() + first;
  for (int32_t k = 0; k < n; ++k) cell[k].View(out[k]);
  return n;
}

int32_t clsTXTObject::FormFields(int32_t first, int32_t end, char*& at, char* limit) const {
  end = std::min(end, size());
  int32_t i = std::max(first, 0);
  // The cells' place and the write position in locals: a byte written may be anything's,
  // so that otherwise both would be stored and read again around every field.
  const Cell* const cells = cells_.data();
  char* to = at;
  for (char* next; i < end && (next = cells[i].Form(to, limit)) != nullptr; ++i) to = next;
  at = to;
  return i;
}

int32_t clsTXTObject::TailIndex(int32_t fromEnd, const char* source) const {
  int32_t i = size() - fromEnd;
  if (i < 0) throw kz::AppError(kz::kErrSubscript, source);
  return i;
}

int32_t clsTXTObject::Volume() const { return kz::CLng(Value(TailIndex(5, kSource))); }
void clsTXTObject::SetVolume(int32_t v) { SetValue(TailIndex(5, kSource), kz::Variant(v)); }
int32_t clsTXTObject::Price() const { return kz::CLng(Value(TailIndex(4, kSource))); }
void clsTXTObject::SetPrice(int32_t v) { SetValue(TailIndex(4, kSource), kz::Variant(v)); }
int32_t clsTXTObject::PriceVarPrim() const { return kz::CLng(Value(TailIndex(3, kSource))); }
void clsTXTObject::SetPriceVarPrim(int32_t v) { SetValue(TailIndex(3, kSource), kz::Variant(v)); }
int32_t clsTXTObject::PriceVarSec() const { return kz::CLng(Value(TailIndex(2, kSource))); }
void clsTXTObject::SetPriceVarSec(int32_t v) { SetValue(TailIndex(2, kSource), kz::Variant(v)); }

std::string clsTXTObject::PropertyName(int32_t) const { return {}; }

const std::string& clsTXTObject::GetLastError() const noexcept {
  static const std::string kNone;
  return kNone;
}

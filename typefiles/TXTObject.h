#pragma once
// clsTXTObject: one record of a type file. A zero-based list of values addressed by
// field index; the last value is the record's ID (its name in the game data).
//
// Values are kept in 8-byte cells (numbers and texts of up to 5 bytes inside the cell,
// longer texts in one exact-size block), so that a loaded file takes little more memory
// than its text; Value(i) hands out a kz::Variant made from the cell.
//
// A number read from a file in another form than the writer's own ("007", "0.050000",
// ".5") keeps the text it was read from (the number and the text in one block), and is
// written back as that text until it is set to a value that is not equal to it: an
// untouched value is saved as the bytes it was read from. Numbers in the writer's own
// form, the common case, need nothing more than their cell; so does one that keeps its
// text where it stands in the bytes it was read from (PushLong / PushDouble with its
// place, under the rules of texts kept so, below): its value is read from that text.
//
// A record made on a memory resource (the type-file reader's arena) keeps its values and
// the long texts it is given by the Push* members there; whoever makes it so keeps the
// resource alive as long as the record. Such a record may also keep a text where it
// stands in the bytes it was read from (PushText with its place): whoever pushes it so
// keeps those bytes alive, unchanged, as long as the record. Copying or moving such a record into
// another gives the target values of its own, and a text set anew has storage of its
// own.
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include "core/Variant.h"

struct Kz_Value;

class clsTXTObject : public kz::Object {
 public:
  int32_t otype = 0;   // type code of the file the record belongs to (0: none set)
  int32_t index = 0;   // 0-based position in its parser's file order
  int32_t id = 0;      // key number, unique within a parser
  bool Dirty = false;  // changed since read or saved

 private:
  // The values live on a resource of their own (not the global heap): fixed when the
  // record is made (beside Dirty, in room the layout leaves).
  bool onResource_ = false;

 public:
  clsTXTObject() = default;
  // A record whose values live on `resource` (see above).
  explicit clsTXTObject(std::pmr::memory_resource* resource) : onResource_(resource != Heap()), cells_(resource) {}
  clsTXTObject(const clsTXTObject& o);
  clsTXTObject& operator=(const clsTXTObject& o);
  clsTXTObject(clsTXTObject&& o);
  clsTXTObject& operator=(clsTXTObject&& o);

  // "<id>k", the record's key in its parser's collections.
  std::string key() const;
  int32_t size() const noexcept { return static_cast<int32_t>(cells_.size()); }

  // Value i (0-based), as a copy; AppError 9 (subscript out of range) outside 0..size-1.
  kz::Variant Value(int32_t i) const;
  // Stores v at i; Dirty becomes True when v differs from the stored value
  // (a number never equals a text). A number that keeps the text it was read from and
  // is set to an equal number (a page handing back the value it shows, of its kind or
  // another) stays as it was read: its kind, its value and its text. AppError 9
  // outside 0..size-1.
  void SetValue(int32_t i, const kz::Variant& v);

  // The last value as text; "" when there are no values.
  std::string ObjectName() const;
  // Stores the text as the last value (through SetValue). AppError 9 when empty.
  void SetObjectName(const std::string& name);

  // Replaces the values by n values of the 16-bit integer 0, then the last one by ""
  // (so Dirty becomes True). AppError 5 when n < 1.
  void Construct(int32_t n);
  // Copies id, otype, index and Dirty to target, then target.Construct(size) and every
  // value through target.SetValue (numbers with the texts they were read from). A record
  // without values leaves target without values.
  void CopyTo(clsTXTObject& target) const;
  // A new record made with CopyTo (same key number).
  std::shared_ptr<clsTXTObject> Clone() const;

  // Makes room for count empty values before pos (1 <= pos <= size-1). Dirty unchanged.
  // AppError 9 for a position outside that range, 5 for a negative count.
  void InsertSpaceToArray(int32_t pos, int32_t count);
  // Drops count values from pos (pos >= 1, pos + count <= size-1). Dirty unchanged.
  void RemoveSpaceFromArray(int32_t pos, int32_t count);

  // The record as one type-file line: every value as text followed by ";", no line end
  // (a number that keeps its read text as that text).
  std::string GetObjectTData() const;

  // Fixed positions of ware-like records, counted from the end, as 32-bit integers.
  int32_t Volume() const;
  void SetVolume(int32_t v);
  int32_t Price() const;
  void SetPrice(int32_t v);
  int32_t PriceVarPrim() const;
  void SetPriceVarPrim(int32_t v);
  int32_t PriceVarSec() const;
  void SetPriceVarSec(int32_t v);
  // Every field has an empty property name here.
  std::string PropertyName(int32_t i) const;

  // No operation of a record sets an error: always "".
  const std::string& GetLastError() const noexcept;

  // ---- Whole value lists and cheap access (readers, writers, the ship model) ----
  // Every value, as copies.
  std::vector<kz::Variant> Values() const;
  // Replaces every value (no Dirty bookkeeping).
  void AssignValues(std::vector<kz::Variant>&& values);
  // Takes every value of `from` (read texts included), which is left with values
  // unspecified: moved when both keep their values in the same place, else copied.
  void TakeValues(clsTXTObject& from);
  // The kind of value i without copying it (AppError 9 outside the values).
  kz::VariantKind KindAt(int32_t i) const;
  // The text of value i when it is a text, else "" (valid until the value changes).
  std::string_view TextAt(int32_t i) const;
  // Value i as a number: 16/32-bit integers and Booleans (-1/0) as whole numbers,
  // Single and Double as they are; 0 for other kinds.
  int32_t LongAt(int32_t i) const;
  double DoubleAt(int32_t i) const;
  // The text number i was read from, when it keeps one (else "", also for non-numbers).
  std::string_view NumberTextAt(int32_t i) const;
  // The ID as a text view when it is stored as a text; false otherwise.
  bool NameView(std::string_view& name) const;
  // A value as a writer reads it: its kind and what it holds (whole numbers as LongAt,
  // numbers as DoubleAt, texts as TextAt give them; the text valid until it changes).
  // Only the member of its kind is set, and for numbers the text: the one they keep
  // from the file (textSize 0 when none), which a writer writes in their place.
  struct ValueView {
    kz::VariantKind kind;
    int32_t whole;
    double number;
    const char* textData;
    size_t textSize;
    std::string_view text() const noexcept { return {textData, textSize}; }
  };
  // Up to `count` values from `first` on into `out`, in one call; gives how many (fewer
  // at the end of the values, 0 outside them).
  int32_t ViewValues(int32_t first, int32_t count, ValueView* out) const;
  // Forms the values from `first` up to `end` as type-file fields (the writer's rules,
  // videdoded/TxtFields.h; a number that keeps its read text as that text) at `at`,
  // which moves past them. Stops at a value those rules do not take here (texts that
  // are not plain ASCII or would shift the fields, numbers that are not finite,
  // objects) or that would not fit before `limit`; gives the index of the first value
  // not formed.
  int32_t FormFields(int32_t first, int32_t end, char*& at, char* limit) const;

  // Appending values (no Dirty bookkeeping), for the readers.
  void ReserveValues(size_t n) { cells_.reserve(n); }
  void ShrinkValues() { cells_.shrink_to_fit(); }
  void PushLong(int32_t v) { cells_.emplace_back().SetLong(v); }
  void PushDouble(double v) { cells_.emplace_back().SetDouble(v); }
  // A number with the text it was read from ("" when it is in the writer's form: then
  // as PushLong / PushDouble). Kept on the record's resource when it has one.
  void PushLong(int32_t v, std::string_view text) {
    if (text.empty())
      PushLong(v);
    else
      PushNumberText(Cell::LongBits(v), text);
  }
  void PushDouble(double v, std::string_view text) {
    if (text.empty())
      PushDouble(v);
    else
      PushNumberText(Cell::DoubleCellBits(v), text);
  }
  // The same, the text kept where it stands when `inPlace` is not null and the record
  // lives on a resource, under the rules of PushText with a place (v's text is there,
  // followed by ";"): the cell alone then, no block. Otherwise as above.
  void PushLong(int32_t v, std::string_view text, const char* inPlace) {
    if (text.empty())
      PushLong(v);
    else if (!inPlace || !PushNumberInPlace(Cell::LongBits(v), false, text, inPlace))
      PushNumberText(Cell::LongBits(v), text);
  }
  void PushDouble(double v, std::string_view text, const char* inPlace) {
    if (text.empty())
      PushDouble(v);
    else if (!inPlace || !PushNumberInPlace(Cell::DoubleCellBits(v), true, text, inPlace))
      PushNumberText(Cell::DoubleCellBits(v), text);
  }
  void PushText(std::string_view v);
  // The text v, kept where it stands when `inPlace` is not null and the record lives on
  // a resource (whoever keeps that alive keeps the bytes too): v's bytes are there,
  // followed by ";" (see above). Short texts are kept in their cell all the same, and a
  // record on the plain heap copies the text.
  void PushText(std::string_view v, const char* inPlace) {
    if (inPlace && v.size() > Cell::kInlineMax && v.size() <= Cell::kInPlaceMost &&
        reinterpret_cast<uintptr_t>(inPlace) < Cell::kInPlaceAddressMost && OnResource())
      cells_.emplace_back().SetTextInPlace(inPlace);
    else
      PushText(v);
  }
  void PushValue(const kz::Variant& v) { cells_.emplace_back().Set(v); }
  // n values as the type-file reader took them, each as PushLong / PushDouble / PushText
  // with its place would push it, or Empty; places only within `lasting`, the bytes kept
  // alive with the record (empty: none). placed: the values were read with
  // kKzValuePlaced (a text standing as it is given by its place and length).
  void PushRead(const Kz_Value* values, int32_t n, std::string_view lasting, bool placed = false);

 private:
  // One value in 8 bytes, sorted by its top 16 bits: 0 a pointer (a long text block of
  // the cell's own or borrowed, or an object, told apart by the pointer's two low bits;
  // a text block holds its length in 4 bytes, then the bytes) or, all bits 0, Empty;
  // a number block of the cell's own is such a pointer too, with the low bits 3; 0x0001 a
  // pointer to a borrowed number block (low bits 1). A number block holds the number's
  // own cell (8 bytes, a 32-bit integer or a double), then a text block of the text it
  // was read from; 0x0002-0xFFFA a double, kept as its bits plus 2^49 (NaNs
  // kept as the plain quiet NaN of their sign); 0xFFFB-0xFFFF a box of 48 bits:
  // 16/32-bit integers, a Single's bits, Booleans, or a text of up to 5 bytes (byte i
  // at bits 8i, the length in bits 40-47). Pointers stay plain words, so leak checkers
  // see what a cell holds. Under 0x0001 too, with the lowest bit 0: a text kept where
  // it stands in the bytes it was read from, up to the ";" that follows it, as its
  // (47-bit) address shifted up by one. 0x7FF4 (a 32-bit integer) and 0x7FF5 (a double),
  // codes no double takes (NaNs other than the plain one): a number whose read text
  // stands in those bytes, up to the ";" after it, at the address in the low 48 bits; its
  // value is read from that text again when asked for (the push makes sure it reads so).
  class Cell {
   public:
    static constexpr size_t kInlineMax = 5;

    Cell() noexcept = default;
    Cell(const Cell& o);
    Cell(Cell&& o) noexcept;
    Cell& operator=(const Cell& o);
    Cell& operator=(Cell&& o) noexcept;
    ~Cell() { Release(); }

    kz::VariantKind Kind() const noexcept;
    void View(ValueView& out) const noexcept;
    // This value as a field at `at` (see FormFields); null when it is not formed here.
    char* Form(char* at, char* limit) const noexcept;
    void Set(const kz::Variant& v);
    // Inline: a reader sets every number it pushes so.
    void SetLong(int32_t v) noexcept {
      Release();
      bits_ = Box(kBoxInt32, static_cast<uint32_t>(v));
    }
    void SetDouble(double v) noexcept {
      Release();
      uint64_t bits;
      std::memcpy(&bits, &v, 8);
      if (v != v) bits = (bits & (uint64_t{1} << 63)) | 0x7FF8000000000000ull;  // the quiet NaN of its sign
      bits_ = bits + kDoubleOffset;
    }
    void SetText(std::string_view v);
    // A long text in a block (length, then bytes) that the cell does not own (it stays
    // where it is).
    void SetBorrowedText(const char* block);
    // A text where it stands, up to the ";" after it (no more than kInPlaceMost bytes,
    // at an address below kInPlaceAddressMost).
    static constexpr size_t kInPlaceMost = 65535;
    static constexpr uint64_t kInPlaceAddressMost = uint64_t{1} << 47;
    void SetTextInPlace(const char* at) noexcept {
      const uint64_t address = reinterpret_cast<uintptr_t>(at);
      Release();
      bits_ = Box(kNumberCode, address << 1);
    }
    bool Borrowed() const noexcept { return TagOf() == kTextBorrowed; }
    // The cell bits of a plain 32-bit integer or double (for a number block).
    static uint64_t LongBits(int32_t v) noexcept { return Box(kBoxInt32, static_cast<uint32_t>(v)); }
    static uint64_t DoubleCellBits(double v) noexcept {
      Cell c;
      c.SetDouble(v);
      return c.bits_;
    }
    // A number block (see above): `number` the number's cell bits; owned or borrowed.
    static size_t NumberBlockSize(std::string_view text) noexcept { return 12 + text.size(); }
    static void FillNumberBlock(char* block, uint64_t number, std::string_view text) noexcept;
    void SetNumberBlock(const char* block, bool owned);
    // A number with its read text in a block of the cell's own.
    void SetNumberText(uint64_t number, std::string_view text);
    // The text a number keeps ("" when none).
    std::string_view NumberText() const noexcept;
    bool KeepsNumberText() const noexcept {
      return ((bits_ >> 48) == kNumberCode && (bits_ & 1) != 0) || ((bits_ >> 48) == 0 && (bits_ & 3) == kPtrNumberText) ||
             NumberInPlace();
    }
    // A number whose read text stands in the bytes it was read from, at `at` (followed by
    // ";"): false, the cell unchanged, when that text does not read as `number` (the
    // cell bits of a 32-bit integer, or of a double when `isDouble`) or is out of reach.
    bool SetNumberInPlace(uint64_t number, bool isDouble, std::string_view text, const char* at) noexcept;
    kz::Variant Get() const;
    std::string_view Text() const noexcept;  // "" for non-texts
    int32_t Long() const noexcept;
    double Double() const noexcept;
    bool Equals(const kz::Variant& v) const;

   private:
    enum Tag : unsigned char { kEmpty, kInt16, kInt32, kSingle, kDouble, kTextInline, kTextHeap, kBool, kObject, kTextBorrowed, kNumberText, kTextInPlace };
    static constexpr uint64_t kNumberCode = 1;
    static constexpr uint64_t kLongInPlaceCode = 0x7FF4, kDoubleInPlaceCode = 0x7FF5;
    static constexpr uint64_t kAddressBits = 0x0000FFFFFFFFFFFFull;
    bool NumberInPlace() const noexcept { return (bits_ >> 48) - kLongInPlaceCode < 2; }
    const char* NumberPlace() const noexcept { return reinterpret_cast<const char*>(bits_ & kAddressBits); }
    // The cell bits of the number a text reads as (a 32-bit integer, or a double when
    // isDouble), as the type-file reader reads it; false when it does not read so.
    static bool ReadNumber(std::string_view text, bool isDouble, uint64_t& bits) noexcept;
    enum : uint64_t { kBoxInt16 = 0xFFFB, kBoxInt32, kBoxSingle, kBoxBool, kBoxInline };
    enum : uint64_t { kPtrHeapText = 0, kPtrBorrowedText = 1, kPtrObject = 2, kPtrNumberText = 3 };
    static constexpr uint64_t kDoubleOffset = uint64_t{1} << 49;
    static constexpr uint64_t kPointerBits = 0x0000FFFFFFFFFFFCull;
    static constexpr uint64_t Box(uint64_t code, uint64_t content) noexcept { return (code << 48) | content; }
    static constexpr uint64_t kEmptyBits = 0;

    Tag TagOf() const noexcept;
    int16_t Int16() const noexcept { return static_cast<int16_t>(static_cast<uint16_t>(bits_)); }
    int32_t Int32() const noexcept { return static_cast<int32_t>(static_cast<uint32_t>(bits_)); }
    bool BoolBit() const noexcept { return (bits_ & 1) != 0; }
    float Single() const noexcept {
      const uint32_t b = static_cast<uint32_t>(bits_);
      float f;
      std::memcpy(&f, &b, 4);
      return f;
    }
    double DoubleBits() const noexcept {
      const uint64_t b = bits_ - kDoubleOffset;
      double d;
      std::memcpy(&d, &b, 8);
      return d;
    }
    const char* Block() const noexcept;
    // The number a number block holds, as a plain cell (nothing to free).
    Cell Number() const noexcept;
    void SetPointer(const void* p, uint64_t kind);
    void SetObject(std::unique_ptr<kz::Variant::ObjectPtr> copy);
    static std::unique_ptr<char[]> NewTextBlock(std::string_view v);
    void SetTextBlock(std::unique_ptr<char[]> block);
    // Lets go of what the cell holds; inline, so that a fresh cell (Empty) or a number
    // costs no call, and a cell dies without one unless it owns a block.
    void Release() noexcept {
      if ((bits_ >> 48) == 0 && bits_ != kEmptyBits) FreePointer();
      bits_ = kEmptyBits;
    }
    // Frees the block or object of a pointer cell of its own (a borrowed one stays).
    void FreePointer() noexcept;
    void CopyFrom(const Cell& o);

    uint64_t bits_ = kEmptyBits;
  };
  static_assert(std::endian::native == std::endian::little, "texts inside a cell are read in byte order");

  // The record's cells, on its resource: their place, count and room (32 bits each) and
  // the resource, in 24 bytes where a std::pmr::vector takes 32 (a record is 48 bytes, not
  // 56). It grows as that vector does (to the count asked for or twice its count, the
  // larger), so a reader's arena gives out the same blocks; a copy has just the room for
  // its cells. A count past 32 bits throws std::length_error.
  class CellList {
   public:
    explicit CellList(std::pmr::memory_resource* resource) noexcept : resource_(resource) {}
    // A copy of o's cells on `resource`.
    CellList(const CellList& o, std::pmr::memory_resource* resource);
    CellList(const CellList&) = delete;
    // o's cells copied onto this list's resource (unchanged when a copy throws).
    CellList& operator=(const CellList& o);
    // o's cells taken over when both lists are on the same resource, else moved one by
    // one onto this list's; o is left empty.
    CellList& operator=(CellList&& o);
    ~CellList() { Free(); }

    std::pmr::memory_resource* resource() const noexcept { return resource_; }
    bool SameResource(const CellList& o) const noexcept {
      return resource_ == o.resource_ || resource_->is_equal(*o.resource_);
    }
    size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    Cell* data() noexcept { return cells_; }
    const Cell* data() const noexcept { return cells_; }
    Cell& operator[](size_t i) noexcept { return cells_[i]; }
    const Cell& operator[](size_t i) const noexcept { return cells_[i]; }
    Cell& back() noexcept { return cells_[size_ - 1]; }
    const Cell& back() const noexcept { return cells_[size_ - 1]; }
    Cell* begin() noexcept { return cells_; }
    Cell* end() noexcept { return cells_ + size_; }
    const Cell* begin() const noexcept { return cells_; }
    const Cell* end() const noexcept { return cells_ + size_; }

    // A new Empty cell at the end.
    Cell& emplace_back() {
      if (size_ == capacity_) Grow(1);
      return *::new (static_cast<void*>(cells_ + size_++)) Cell();
    }
    void pop_back() noexcept { cells_[--size_].~Cell(); }
    // n cells: Empty ones added at the end, or the last ones dropped.
    void resize(size_t n);
    void reserve(size_t n);
    void shrink_to_fit();
    void clear() noexcept;
    // count Empty cells before cell `at` (at <= size()).
    void InsertEmpty(size_t at, size_t count);
    // Drops count cells from `at` (at + count <= size()).
    void Erase(size_t at, size_t count) noexcept;
    void swap(CellList& o) noexcept;

   private:
    // Room for `more` cells beyond the count, as the vector grows.
    void Grow(size_t more);
    // The cells moved to a block of `capacity` (>= size()).
    void Reallocate(size_t capacity);
    void Free() noexcept;

    Cell* cells_ = nullptr;
    uint32_t size_ = 0;
    uint32_t capacity_ = 0;
    std::pmr::memory_resource* resource_;
  };

  void PushNumberText(uint64_t number, std::string_view text);
  // The same into a cell of the record's (Empty).
  void NumberTextInto(Cell& c, uint64_t number, std::string_view text);
  void TextInto(Cell& c, std::string_view v);
  bool PushNumberInPlace(uint64_t number, bool isDouble, std::string_view text, const char* inPlace);
  int32_t TailIndex(int32_t fromEnd, const char* source) const;
  const Cell& At(int32_t i) const;

  // True when the values live on a resource of their own (not the global heap).
  bool OnResource() const noexcept { return onResource_; }
  // The global heap (plain operator new and delete).
  static std::pmr::memory_resource* Heap() noexcept;

  CellList cells_{Heap()};
};

using TXTObjectPtr = std::shared_ptr<clsTXTObject>;

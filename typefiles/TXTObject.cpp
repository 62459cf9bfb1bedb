#include "typefiles/TXTObject.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "core/AppError.h"
#include "videdoded/TxtFields.h"

namespace {
constexpr const char* kSource = "clsTXTObject";
}

// ---- Cell ---------------------------------------------------------------------------

template <class T>
T clsTXTObject::Cell::Payload() const noexcept {
  T v;
  std::memcpy(&v, raw_ + 8, sizeof(T));
  return v;
}

template <class T>
void clsTXTObject::Cell::SetPayload(Tag tag, T v) noexcept {
  raw_[0] = tag;
  std::memcpy(raw_ + 8, &v, sizeof(T));
}

void clsTXTObject::Cell::Release() noexcept {
  if (raw_[0] == kTextHeap)
    delete[] Payload<char*>();
  else if (raw_[0] == kObject)
    delete Payload<kz::Variant::ObjectPtr*>();
  raw_[0] = kEmpty;
}

void clsTXTObject::Cell::CopyFrom(const Cell& o) {
  if (o.raw_[0] == kTextHeap || o.raw_[0] == kTextBorrowed) {
    uint32_t len;
    std::memcpy(&len, o.raw_ + 4, 4);
    char* block = new char[len];
    std::memcpy(block, o.Payload<char*>(), len);
    std::memcpy(raw_, o.raw_, 8);
    SetPayload(kTextHeap, block);
  } else if (o.raw_[0] == kObject) {
    auto* copy = new kz::Variant::ObjectPtr(*o.Payload<kz::Variant::ObjectPtr*>());
    SetPayload(kObject, copy);
  } else {
    std::memcpy(raw_, o.raw_, sizeof raw_);
  }
}

clsTXTObject::Cell::Cell(const Cell& o) {
  raw_[0] = kEmpty;
  CopyFrom(o);
}

clsTXTObject::Cell::Cell(Cell&& o) noexcept {
  std::memcpy(raw_, o.raw_, sizeof raw_);
  o.raw_[0] = kEmpty;
}

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
    std::memcpy(raw_, o.raw_, sizeof raw_);
    o.raw_[0] = kEmpty;
  }
  return *this;
}

kz::VariantKind clsTXTObject::Cell::Kind() const noexcept {
  switch (raw_[0]) {
    case kInt16: return kz::VariantKind::Integer;
    case kInt32: return kz::VariantKind::Long;
    case kSingle: return kz::VariantKind::Single;
    case kDouble: return kz::VariantKind::Double;
    case kTextInline:
    case kTextHeap:
    case kTextBorrowed: return kz::VariantKind::String;
    case kBool: return kz::VariantKind::Boolean;
    case kObject: return kz::VariantKind::Object;
    default: return kz::VariantKind::Empty;
  }
}

// One switch on the tag for the kind and the content (a writer reads every value).
void clsTXTObject::Cell::View(ValueView& out) const noexcept {
  switch (raw_[0]) {
    case kInt16: out.kind = kz::VariantKind::Integer, out.whole = Payload<int16_t>(); break;
    case kInt32: out.kind = kz::VariantKind::Long, out.whole = Payload<int32_t>(); break;
    case kBool: out.kind = kz::VariantKind::Boolean, out.whole = Payload<bool>() ? -1 : 0; break;
    case kSingle: out.kind = kz::VariantKind::Single, out.number = Payload<float>(); break;
    case kDouble: out.kind = kz::VariantKind::Double, out.number = Payload<double>(); break;
    case kTextInline:
      out.kind = kz::VariantKind::String;
      out.textData = reinterpret_cast<const char*>(raw_ + 2);
      out.textSize = raw_[1];
      break;
    case kTextHeap:
    case kTextBorrowed: {
      uint32_t len;
      std::memcpy(&len, raw_ + 4, 4);
      out.kind = kz::VariantKind::String;
      out.textData = Payload<const char*>();
      out.textSize = len;
      break;
    }
    case kObject: out.kind = kz::VariantKind::Object; break;
    default: out.kind = kz::VariantKind::Empty; break;
  }
}

char* clsTXTObject::Cell::Form(char* at, char* limit) const noexcept {
  const size_t room = static_cast<size_t>(limit - at);
  switch (raw_[0]) {
    case kEmpty:
      if (room < 1) return nullptr;
      *at = ';';
      return at + 1;
    case kInt16: return room < 12 ? nullptr : videdoded::WriteLongField(at, Payload<int16_t>());
    case kInt32: return room < 12 ? nullptr : videdoded::WriteLongField(at, Payload<int32_t>());
    case kBool: return room < 12 ? nullptr : videdoded::WriteLongField(at, Payload<bool>() ? -1 : 0);
    case kSingle: return room < videdoded::kNumberFieldMax ? nullptr : videdoded::WriteDoubleField(at, Payload<float>());
    case kDouble: return room < videdoded::kNumberFieldMax ? nullptr : videdoded::WriteDoubleField(at, Payload<double>());
    case kTextInline:
    case kTextHeap:
    case kTextBorrowed: {
      const std::string_view text = Text();
      if (room <= text.size() || !videdoded::PlainAsciiField(text)) return nullptr;
      std::memcpy(at, text.data(), text.size());
      at[text.size()] = ';';
      return at + text.size() + 1;
    }
    default: return nullptr;
  }
}

void clsTXTObject::Cell::SetLong(int32_t v) noexcept {
  Release();
  SetPayload(kInt32, v);
}

void clsTXTObject::Cell::SetDouble(double v) noexcept {
  Release();
  SetPayload(kDouble, v);
}

void clsTXTObject::Cell::SetText(std::string_view v) {
  if (v.size() <= kInlineMax) {
    Release();
    raw_[0] = kTextInline;
    raw_[1] = static_cast<unsigned char>(v.size());
    if (!v.empty()) std::memcpy(raw_ + 2, v.data(), v.size());
    return;
  }
  if (v.size() > std::numeric_limits<uint32_t>::max()) throw std::length_error("text too long");
  char* block = new char[v.size()];
  std::memcpy(block, v.data(), v.size());
  Release();
  uint32_t len = static_cast<uint32_t>(v.size());
  std::memcpy(raw_ + 4, &len, 4);
  SetPayload(kTextHeap, block);
}

void clsTXTObject::Cell::SetBorrowedText(const char* data, uint32_t len) noexcept {
  Release();
  std::memcpy(raw_ + 4, &len, 4);
  SetPayload(kTextBorrowed, data);
}

void clsTXTObject::Cell::Set(const kz::Variant& v) {
  switch (v.Kind()) {
    case kz::VariantKind::Empty: Release(); break;
    case kz::VariantKind::Integer: Release(); SetPayload(kInt16, v.AsInteger()); break;
    case kz::VariantKind::Long: SetLong(v.AsLong()); break;
    case kz::VariantKind::Single: Release(); SetPayload(kSingle, v.AsSingle()); break;
    case kz::VariantKind::Double: SetDouble(v.AsDouble()); break;
    case kz::VariantKind::String: SetText(v.AsString()); break;
    case kz::VariantKind::Boolean: Release(); SetPayload(kBool, v.AsBoolean()); break;
    case kz::VariantKind::Object: {
      auto* copy = new kz::Variant::ObjectPtr(v.AsObject());
      Release();
      SetPayload(kObject, copy);
      break;
    }
  }
}

std::string_view clsTXTObject::Cell::Text() const noexcept {
  if (raw_[0] == kTextInline) return std::string_view(reinterpret_cast<const char*>(raw_ + 2), raw_[1]);
  if (raw_[0] == kTextHeap || raw_[0] == kTextBorrowed) {
    uint32_t len;
    std::memcpy(&len, raw_ + 4, 4);
    return std::string_view(Payload<const char*>(), len);
  }
  return {};
}

kz::Variant clsTXTObject::Cell::Get() const {
  switch (raw_[0]) {
    case kInt16: return kz::Variant(Payload<int16_t>());
    case kInt32: return kz::Variant(Payload<int32_t>());
    case kSingle: return kz::Variant(Payload<float>());
    case kDouble: return kz::Variant(Payload<double>());
    case kTextInline:
    case kTextHeap:
    case kTextBorrowed: return kz::Variant(std::string(Text()));
    case kBool: return kz::Variant(Payload<bool>());
    case kObject: return kz::Variant(*Payload<kz::Variant::ObjectPtr*>());
    default: return kz::Variant();
  }
}

int32_t clsTXTObject::Cell::Long() const noexcept {
  switch (raw_[0]) {
    case kInt16: return Payload<int16_t>();
    case kInt32: return Payload<int32_t>();
    case kBool: return Payload<bool>() ? -1 : 0;
    default: return 0;
  }
}

double clsTXTObject::Cell::Double() const noexcept {
  switch (raw_[0]) {
    case kSingle: return Payload<float>();
    case kDouble: return Payload<double>();
    default: return Long();
  }
}

bool clsTXTObject::Cell::Equals(const kz::Variant& v) const {
  if (raw_[0] == kTextInline || raw_[0] == kTextHeap || raw_[0] == kTextBorrowed) return v.IsString() && v.AsString() == Text();
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
    : kz::Object(o), otype(o.otype), index(o.index), id(o.id), Dirty(o.Dirty), cells_(o.cells_) {}

clsTXTObject& clsTXTObject::operator=(const clsTXTObject& o) {
  if (this != &o) {
    std::pmr::vector<Cell> cells(o.cells_, Heap());
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

void clsTXTObject::PushText(std::string_view v) {
  Cell& c = cells_.emplace_back();
  if (v.size() > 14 && OnResource() && v.size() <= std::numeric_limits<uint32_t>::max()) {
    auto* block = static_cast<char*>(cells_.get_allocator().resource()->allocate(v.size(), 1));
    std::memcpy(block, v.data(), v.size());
    c.SetBorrowedText(block, static_cast<uint32_t>(v.size()));
    return;
  }
  c.SetText(v);
}

std::string clsTXTObject::key() const { return std::to_string(id) + "k"; }

const clsTXTObject::Cell& clsTXTObject::At(int32_t i) const {
  if (i < 0 || i >= size()) throw kz::AppError(kz::kErrSubscript, kSource);
  return cells_[static_cast<size_t>(i)];
}

kz::Variant clsTXTObject::Value(int32_t i) const { return At(i).Get(); }

void clsTXTObject::SetValue(int32_t i, const kz::Variant& v) {
  const Cell& cell = At(i);
  if (!cell.Equals(v)) Dirty = true;
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
  std::pmr::vector<Cell> cells(static_cast<size_t>(n), cells_.get_allocator());
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
  cells_.insert(cells_.begin() + pos, static_cast<size_t>(count), Cell());
}

void clsTXTObject::RemoveSpaceFromArray(int32_t pos, int32_t count) {
  if (count < 0) throw kz::AppError(kz::kErrInvalidArgument, kSource);
  if (pos < 1 || int64_t(pos) + count > int64_t(size()) - 1) throw kz::AppError(kz::kErrSubscript, kSource);
  if (count == 0) return;
  cells_.erase(cells_.begin() + pos, cells_.begin() + pos + count);
}

std::string clsTXTObject::GetObjectTData() const {
  std::string line;
  for (const Cell& c : cells_) {
    if (c.Kind() == kz::VariantKind::String)
      line += c.Text();
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
  std::pmr::vector<Cell> cells(values.size(), cells_.get_allocator());
  for (size_t i = 0; i < values.size(); ++i) cells[i].Set(values[i]);
  cells_ = std::move(cells);
  values.clear();
}

kz::VariantKind clsTXTObject::KindAt(int32_t i) const { return At(i).Kind(); }
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
  for (char* next; i < end && (next = cells_[static_cast<size_t>(i)].Form(at, limit)) != nullptr; ++i) at = next;
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

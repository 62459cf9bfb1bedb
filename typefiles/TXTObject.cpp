#include "typefiles/TXTObject.h"

#include "core/AppError.h"

namespace {
constexpr const char* kSource = "clsTXTObject";
}

std::string clsTXTObject::key() const { return std::to_string(id) + "k"; }

const kz::Variant& clsTXTObject::Value(int32_t i) const {
  if (i < 0 || i >= size()) throw kz::AppError(kz::kErrSubscript, kSource);
  return values_[static_cast<size_t>(i)];
}

void clsTXTObject::SetValue(int32_t i, kz::Variant v) {
  if (i < 0 || i >= size()) throw kz::AppError(kz::kErrSubscript, kSource);
  kz::Variant& slot = values_[static_cast<size_t>(i)];
  if (!kz::VariantEquals(slot, v)) Dirty = true;
  slot = std::move(v);
}

std::string clsTXTObject::ObjectName() const {
  if (values_.empty()) return {};
  return kz::CStr(values_.back());
}

void clsTXTObject::SetObjectName(const std::string& name) { SetValue(size() - 1, kz::Variant(name)); }

void clsTXTObject::Construct(int32_t n) {
  if (n < 1) throw kz::AppError(kz::kErrInvalidArgument, kSource);
  values_.assign(static_cast<size_t>(n), kz::Variant(int16_t{0}));
  SetObjectName("");
}

void clsTXTObject::CopyTo(clsTXTObject& target) const {
  target.id = id;
  target.otype = otype;
  target.index = index;
  target.Dirty = Dirty;
  if (values_.empty()) {
    target.values_.clear();
    return;
  }
  target.Construct(size());
  for (int32_t i = 0; i < size(); ++i) target.SetValue(i, values_[static_cast<size_t>(i)]);
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
  values_.insert(values_.begin() + pos, static_cast<size_t>(count), kz::Variant());
}

void clsTXTObject::RemoveSpaceFromArray(int32_t pos, int32_t count) {
  if (count < 0) throw kz::AppError(kz::kErrInvalidArgument, kSource);
  if (pos < 1 || int64_t(pos) + count > int64_t(size()) - 1) throw kz::AppError(kz::kErrSubscript, kSource);
  if (count == 0) return;
  values_.erase(values_.begin() + pos, values_.begin() + pos + count);
}

std::string clsTXTObject::GetObjectTData() const {
  std::string line;
  for (const kz::Variant& v : values_) {
    line += kz::CStr(v);
    line += ';';
  }
  return line;
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

// The list of a record's cells (clsTXTObject::CellList in TXTObject.h).
#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>

#include "typefiles/TXTObject.h"

namespace {
constexpr size_t kMostCells = std::numeric_limits<uint32_t>::max();
}

clsTXTObject::CellList::CellList(const CellList& o, std::pmr::memory_resource* resource) : resource_(resource) {
  if (o.size_ == 0) return;
  auto* block = static_cast<Cell*>(resource_->allocate(size_t{o.size_} * sizeof(Cell), alignof(Cell)));
  size_t made = 0;
  try {
    for (; made < o.size_; ++made) ::new (static_cast<void*>(block + made)) Cell(o.cells_[made]);
  } catch (...) {
    while (made > 0) block[--made].~Cell();
    resource_->deallocate(block, size_t{o.size_} * sizeof(Cell), alignof(Cell));
    throw;
  }
  cells_ = block;
  size_ = capacity_ = o.size_;
}

clsTXTObject::CellList& clsTXTObject::CellList::operator=(const CellList& o) {
  if (this != &o) {
    CellList copy(o, resource_);
    swap(copy);
  }
  return *this;
}

clsTXTObject::CellList& clsTXTObject::CellList::operator=(CellList&& o) {
  if (this == &o) return *this;
  if (SameResource(o)) {
    Free();
    cells_ = o.cells_;
    size_ = o.size_;
    capacity_ = o.capacity_;
    o.cells_ = nullptr;
    o.size_ = o.capacity_ = 0;
    return *this;
  }
  // Cells do not throw when moved.
  CellList moved(resource_);
  moved.reserve(o.size_);
  for (Cell& c : o) ::new (static_cast<void*>(moved.cells_ + moved.size_++)) Cell(std::move(c));
  swap(moved);
  o.clear();
  return *this;
}

void clsTXTObject::CellList::resize(size_t n) {
  if (n <= size_) {
    while (size_ > n) pop_back();
    return;
  }
  if (n > capacity_) Grow(n - size_);
  for (Cell* c = cells_ + size_; c != cells_ + n; ++c) ::new (static_cast<void*>(c)) Cell();
  size_ = static_cast<uint32_t>(n);
}

void clsTXTObject::CellList::reserve(size_t n) {
  if (n > kMostCells) throw std::length_error("clsTXTObject: too many values");
  if (n > capacity_) Reallocate(n);
}

void clsTXTObject::CellList::shrink_to_fit() {
  if (capacity_ > size_) Reallocate(size_);
}

void clsTXTObject::CellList::clear() noexcept {
  while (size_ > 0) pop_back();
}

void clsTXTObject::CellList::InsertEmpty(size_t at, size_t count) {
  if (count == 0) return;
  if (count > capacity_ - size_) Grow(count);
  // The cells from `at` on move up by count, from the last one down (moves do not throw).
  for (size_t i = size_; i-- > at;) {
    ::new (static_cast<void*>(cells_ + i + count)) Cell(std::move(cells_[i]));
    cells_[i].~Cell();
  }
  for (size_t i = at; i < at + count; ++i) ::new (static_cast<void*>(cells_ + i)) Cell();
  size_ += static_cast<uint32_t>(count);
}

void clsTXTObject::CellList::Erase(size_t at, size_t count) noexcept {
  if (count == 0) return;
  for (size_t i = at; i < at + count; ++i) cells_[i].~Cell();
  for (size_t i = at + count; i < size_; ++i) {
    ::new (static_cast<void*>(cells_ + i - count)) Cell(std::move(cells_[i]));
    cells_[i].~Cell();
  }
  size_ -= static_cast<uint32_t>(count);
}

void clsTXTObject::CellList::swap(CellList& o) noexcept {
  std::swap(cells_, o.cells_);
  std::swap(size_, o.size_);
  std::swap(capacity_, o.capacity_);
  std::swap(resource_, o.resource_);
}

void clsTXTObject::CellList::Grow(size_t more) {
  if (more > kMostCells - size_) throw std::length_error("clsTXTObject: too many values");
  Reallocate(std::min(kMostCells, size_t{size_} + std::max(size_t{size_}, more)));
}

void clsTXTObject::CellList::Reallocate(size_t capacity) {
  Cell* block = capacity == 0 ? nullptr : static_cast<Cell*>(resource_->allocate(capacity * sizeof(Cell), alignof(Cell)));
  for (size_t i = 0; i < size_; ++i) {
    ::new (static_cast<void*>(block + i)) Cell(std::move(cells_[i]));
    cells_[i].~Cell();
  }
  if (cells_) resource_->deallocate(cells_, size_t{capacity_} * sizeof(Cell), alignof(Cell));
  cells_ = block;
  capacity_ = static_cast<uint32_t>(capacity);
}

void clsTXTObject::CellList::Free() noexcept {
  static_assert(sizeof(void*) != 8 || sizeof(CellList) == 24, "a record's cells take 24 bytes");
  clear();
  if (cells_) resource_->deallocate(cells_, size_t{capacity_} * sizeof(Cell), alignof(Cell));
  cells_ = nullptr;
  capacity_ = 0;
}

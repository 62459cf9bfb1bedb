#pragma once
// kz::NameTable: a one-dimensional table of texts with its own lower bound (the name
// tables of the program: races 1..19, languages 0..2, field captions 0..6, ...).
// Positions outside LBound()..UBound() hold nothing; an entry may be empty.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace kz {

class NameTable {
 public:
  NameTable() = default;
  // A table of the positions lbound..ubound, every entry empty (none when ubound < lbound).
  NameTable(int32_t lbound, int32_t ubound) { Resize(lbound, ubound); }
  // A table whose entries are `names`, the first at position `lbound`.
  NameTable(int32_t lbound, std::initializer_list<const char*> names) : lbound_(lbound) {
    for (const char* n : names) items_.emplace_back(n ? n : "");
  }

  // Replaces the table by the positions lbound..ubound, every entry empty.
  void Resize(int32_t lbound, int32_t ubound) {
    lbound_ = lbound;
    items_.assign(ubound >= lbound ? static_cast<size_t>(int64_t(ubound) - lbound + 1) : 0, std::string());
  }
  void Clear() noexcept {
    items_.clear();
    lbound_ = 0;
  }

  int32_t LBound() const noexcept { return lbound_; }
  // The last position; LBound() - 1 when the table is empty.
  int32_t UBound() const noexcept { return static_cast<int32_t>(int64_t(lbound_) + int64_t(items_.size()) - 1); }
  int32_t Count() const noexcept { return static_cast<int32_t>(items_.size()); }
  bool Empty() const noexcept { return items_.empty(); }
  bool Contains(int64_t pos) const noexcept { return pos >= lbound_ && pos - lbound_ < int64_t(items_.size()); }

  // The entry at a position ("" for a position outside the table).
  const std::string& At(int64_t pos) const noexcept {
    static const std::string kNone;
    return Contains(pos) ? items_[static_cast<size_t>(pos - lbound_)] : kNone;
  }
  const std::string& operator[](int64_t pos) const noexcept { return At(pos); }
  // Stores an entry; the table grows to hold the position (an empty table takes it as
  // its lower bound).
  void Set(int32_t pos, std::string text) {
    if (items_.empty()) lbound_ = pos;
    if (pos < lbound_) {
      items_.insert(items_.begin(), static_cast<size_t>(int64_t(lbound_) - pos), std::string());
      lbound_ = pos;
    } else if (int64_t(pos) - lbound_ >= int64_t(items_.size())) {
      items_.resize(static_cast<size_t>(int64_t(pos) - lbound_ + 1));
    }
    items_[static_cast<size_t>(int64_t(pos) - lbound_)] = std::move(text);
  }

  const std::vector<std::string>& Items() const noexcept { return items_; }

 private:
  int32_t lbound_ = 0;
  std::vector<std::string> items_;
};

}  // namespace kz

#pragma once
// clsTRERows: the rows of one list of the text resource editor, read from the game
// object library in one go: the pages of a document (ID and title) or the strings of a
// page (ID and raw or processed text).
//
// The texts are kept in one buffer. A processed text much longer than its raw text
// (references that expand it) is not kept but read again from the library when it is
// shown or searched, so the rows never take much more memory than the file they show.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class clsTRERows {
 public:
  // Texts longer than this are cut for the list (find still sees the whole text).
  static constexpr size_t kShownMax = 1024;

  // Reads the pages of a document or of the store (handle 1); a handle that gives
  // nothing leaves the rows empty. False when the library refused the handle.
  bool FillPages(int32_t container);
  // Reads the strings of a page: their raw texts, or the processed ones when
  // `formatted`.
  bool FillStrings(int32_t page, bool formatted);
  void Clear();

  int32_t Count() const noexcept { return static_cast<int32_t>(rows_.size()); }
  bool Empty() const noexcept { return rows_.empty(); }
  int32_t Handle(int32_t row) const { return rows_[static_cast<size_t>(row)].handle; }
  int32_t Id(int32_t row) const { return rows_[static_cast<size_t>(row)].id; }
  // The row's whole text (title or string text).
  std::string Text(int32_t row) const;
  // The row's text as the list shows it: cut after kShownMax bytes (at a character
  // boundary) with "..." added.
  std::string ShownText(int32_t row) const;
  // The row's text without a copy when it is kept (false for a text read on demand).
  bool KeptText(int32_t row, std::string_view& text) const;
  // The same folded for a compare without regard to case (tre::FoldCase), made for all
  // kept texts at the first call after a fill.
  bool FoldedKeptText(int32_t row, std::string_view& text) const;
  // The row of a handle, -1 when none.
  int32_t IndexOf(int32_t handle) const;
  // Takes a row out.
  void Remove(int32_t row);
  // Bytes held by the rows (for the memory checks), folded copy included.
  size_t MemoryUse() const noexcept;

 private:
  static constexpr uint32_t kOnDemand = 0xFFFFFFFFu;
  struct Row {
    int32_t handle;
    int32_t id;
    uint32_t offset;
    uint32_t length;  // kOnDemand: read from the library when needed
  };
  bool pages_ = true;
  bool formatted_ = false;
  std::vector<Row> rows_;
  std::string texts_;
  mutable std::string folded_;  // texts_ folded (the same byte lengths); empty until asked
  mutable bool foldedValid_ = false;
};

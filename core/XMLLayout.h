// Writing a document read from a text back in that text's own layout.
//
// A document keeps the text it was read from and marks, node by node, what the cursor
// changed. Writing it again copies every unchanged part of the text as it stands (line
// ends, indentation, quotes, the blank before "/>", comments, the declaration) and forms
// anew only what changed: an element whose attributes changed keeps its own quotes and
// the spacing of the attributes it kept; an element added takes the indentation of its
// siblings and the quotes and empty-element end of its neighbours; an element deleted
// takes its own line with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace kzxml {

// What the cursor changed in a document read from a text, node by node: an open
// addressing table over node addresses (one probe answers every question of a node).
class EditMarks {
 public:
  enum : uint8_t {
    kTouched = 1,   // changed, or an ancestor of a node that changed
    kRetagged = 2,  // an element whose attributes changed; a text node whose value changed
    kReshaped = 4,  // an element (or the document) whose children changed: added,
                    // removed, moved, or text set
  };

  void Tag(pugi::xml_node n) {
    if (!n) return;
    Or(n.internal_object(), kRetagged);
    Touch(n);
  }
  void Shape(pugi::xml_node n) {
    if (!n) return;
    Or(n.internal_object(), kReshaped);
    Touch(n);
  }
  // A subtree about to be freed: a node made later at one of its addresses starts unmarked.
  void Forget(pugi::xml_node gone);
  void Clear() {
    table_.clear();
    count_ = 0;
  }
  bool Empty() const noexcept { return count_ == 0; }
  uint8_t Of(const void* node) const noexcept {
    if (count_ == 0) return 0;
    const Entry& e = table_[SlotOf(node)];
    return e.node ? e.bits : 0;
  }
  uint8_t Of(pugi::xml_node n) const noexcept { return Of(n.internal_object()); }
  // Asks for the table entry of a node ahead of its Of (the entries lie scattered).
  void Prefetch(pugi::xml_node n) const noexcept {
    if (count_ != 0) __builtin_prefetch(&table_[Home(n.internal_object())]);
  }

 private:
  struct Entry {
    const void* node = nullptr;
    uint8_t bits = 0;
  };
  void Touch(pugi::xml_node n) {
    // The ancestors of a touched node are touched already.
    for (; n; n = n.parent())
      if (Or(n.internal_object(), kTouched) & kTouched) break;
  }
  // Sets bits of a node; the bits it had.
  uint8_t Or(const void* node, uint8_t bits);
  void Erase(const void* node);
  size_t SlotOf(const void* node) const noexcept;
  size_t Home(const void* node) const noexcept {
    // Fibonacci hashing of the address: spreads nodes evenly whatever their spacing.
    return static_cast<size_t>((reinterpret_cast<uintptr_t>(node) >> 4) * 0x9E3779B97F4A7C15ull >> 20) &
           (table_.size() - 1);
  }

  std::vector<Entry> table_;  // size 0 or a power of two, at most half full
  size_t count_ = 0;
};

// Appends the document to `out` as its source text with the marked changes. False (with
// `out` as it was) when the changes reach the document level itself, or a node cannot
// be placed in the text: the caller then writes the document in its own layout.
bool WriteKeepingLayout(const pugi::xml_document& doc, std::string_view source, const EditMarks& marks,
                        std::string& out);

}  // namespace kzxml

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
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "core/XMLNodeTable.h"

namespace kzxml {

// The address of the node a handle names, read from the handle itself (a handle holds
// only that address), without a call into the library.
inline const void* NodeAddress(const pugi::xml_node& n) noexcept {
  static_assert(sizeof(pugi::xml_node) == sizeof(void*));
  const void* p;
  std::memcpy(&p, &n, sizeof p);
  return p;
}

// What the cursor changed in a document read from a text, node by node (a node table:
// a walk in document order finds the marks side by side).
class EditMarks {
 public:
  enum : uint8_t {
    kTouched = 1,   // changed, or an ancestor of a node that changed
    kRetagged = 2,  // an element whose attributes changed; a text node whose value changed
    kReshaped = 4,  // an element (or the document) whose children changed: added,
                    // removed, moved, or text set
  };

  void Tag(pugi::xml_node n) { Mark(n, kRetagged); }
  void Shape(pugi::xml_node n) { Mark(n, kReshaped); }
  // A subtree about to be freed: a node made later at one of its addresses starts unmarked.
  void Forget(pugi::xml_node gone);
  void Clear() { table_.Clear(); }
  bool Empty() const noexcept { return table_.Empty(); }
  uint8_t Of(const void* node) const noexcept { return table_.Get(node); }
  uint8_t Of(pugi::xml_node n) const noexcept { return Of(NodeAddress(n)); }

 private:
  void Mark(pugi::xml_node n, uint8_t bits) {
    if (!n) return;
    // The ancestors of a touched node are touched already.
    if (Or(n.internal_object(), static_cast<uint8_t>(bits | kTouched)) & kTouched) return;
    for (n = n.parent(); n; n = n.parent())
      if (Or(n.internal_object(), kTouched) & kTouched) break;
  }
  // Sets bits of a node; the bits it had.
  uint8_t Or(const void* node, uint8_t bits) {
    const uint8_t had = table_.Get(node);
    if ((had | bits) != had) table_.Set(node, static_cast<uint8_t>(had | bits));
    return had;
  }

  NodeTable<uint8_t> table_;
};

// Appends the document to `out` as its source text with the marked changes. False (with
// `out` as it was) when the changes reach the document level itself, or a node cannot
// be placed in the text: the caller then writes the document in its own layout.
bool WriteKeepingLayout(const pugi::xml_document& doc, std::string_view source, const EditMarks& marks,
                        std::string& out);

}  // namespace kzxml

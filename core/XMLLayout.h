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

#include <string>
#include <string_view>
#include <unordered_set>

#include <pugixml.hpp>

namespace kzxml {

// What the cursor changed in a document read from a text.
struct EditMarks {
  // Elements whose attributes changed; text nodes whose value changed.
  std::unordered_set<const void*> retagged;
  // Elements (or the document) whose children changed: added, removed, moved, or text set.
  std::unordered_set<const void*> reshaped;
  // Every node of the two sets and all its ancestors.
  std::unordered_set<const void*> touched;

  void Tag(pugi::xml_node n) {
    if (!n) return;
    retagged.insert(n.internal_object());
    Touch(n);
  }
  void Shape(pugi::xml_node n) {
    if (!n) return;
    reshaped.insert(n.internal_object());
    Touch(n);
  }
  // A subtree about to be freed: a node made later at one of its addresses starts unmarked.
  void Forget(pugi::xml_node gone);
  void Clear() {
    retagged.clear();
    reshaped.clear();
    touched.clear();
  }
  bool Empty() const noexcept { return touched.empty(); }

 private:
  void Touch(pugi::xml_node n) {
    // The ancestors of a touched node are touched already.
    for (; n; n = n.parent())
      if (!touched.insert(n.internal_object()).second) break;
  }
};

// Appends the document to `out` as its source text with the marked changes. False (with
// `out` as it was) when the changes reach the document level itself, or a node cannot
// be placed in the text: the caller then writes the document in its own layout.
bool WriteKeepingLayout(const pugi::xml_document& doc, std::string_view source, const EditMarks& marks,
                        std::string& out);

}  // namespace kzxml

// The address step of the node tables: the smallest distance between two nodes.
#include "core/XMLNodeTable.h"

#include <algorithm>

#include <pugixml.hpp>

namespace kzxml {

unsigned NodeAddressShift() noexcept {
  static const unsigned shift = [] {
    // Nodes made one after another lie one node apart: that distance is a node's size.
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("a");
    uintptr_t least = ~uintptr_t{0};
    uintptr_t last = 0;
    for (int i = 0; i < 8; ++i) {
      const uintptr_t at = reinterpret_cast<uintptr_t>(root.append_child("b").internal_object());
      if (last) least = std::min(least, at > last ? at - last : last - at);
      last = at;
    }
    unsigned s = 0;
    while (s < 6 && (uintptr_t{2} << s) <= least) ++s;
    return s;
  }();
  return shift;
}

}  // namespace kzxml

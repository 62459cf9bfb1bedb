// The check of the attribute records that kzxml::Attr reads in place.
#include "core/XMLAttrWalk.h"

#include <string>

namespace kzxml {

namespace {

using detail::AttrRecord;

const AttrRecord* RecordOf(pugi::xml_attribute a) {
  const AttrRecord* r;
  std::memcpy(&r, &a, sizeof r);
  return r;
}

// Every attribute of the element, read both ways: the same name, value and next
// attribute, down to the same addresses.
bool SameBothWays(pugi::xml_node e) {
  int count = 0;
  for (pugi::xml_attribute a = e.first_attribute(); a; a = a.next_attribute(), ++count) {
    const AttrRecord* r = RecordOf(a);
    if (r->name != a.name() || r->value != a.value()) return false;
    if (static_cast<const void*>(r->next) != static_cast<const void*>(a.next_attribute().internal_object()))
      return false;
  }
  return count > 0;
}

bool Probe() noexcept {
  static_assert(sizeof(pugi::xml_attribute) == sizeof(void*));
  try {
    // Attributes read from a text (names and values in the document's copy of it), one
    // set longer than it was read (its value on the heap), one taken away, one added.
    static const char kText[] = "<r a='1' bb='two' c='' d='&amp;'/>";
    pugi::xml_document doc;
    if (!doc.load_buffer(kText, sizeof kText - 1)) return false;
    pugi::xml_node r = doc.child("r");
    if (!SameBothWays(r)) return false;
    if (!r.attribute("a").set_value(std::string(100, 'v').c_str())) return false;
    if (!r.remove_attribute("c")) return false;
    if (!r.append_attribute("added").set_value("x")) return false;
    if (!SameBothWays(r)) return false;
    // What a walk in place reads.
    const char* expected[][2] = {{"a", nullptr}, {"bb", "two"}, {"d", "&"}, {"added", "x"}};
    Attr w = Attr::First(r);
    for (const auto& [name, value] : expected) {
      if (!w || std::strcmp(RecordOf(w.Handle())->name, name) != 0) return false;
      if (value && std::strcmp(RecordOf(w.Handle())->value, value) != 0) return false;
      w = Attr(w.Handle().next_attribute());
    }
    return !w;
  } catch (...) {
    return false;
  }
}

}  // namespace

namespace detail {
const bool attrRecordsReadable = Probe();
}  // namespace detail

bool AttrRecordsReadable() noexcept { return detail::attrRecordsReadable; }

}  // namespace kzxml

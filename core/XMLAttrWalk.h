// kzxml::Attr: an attribute of a pugixml document, walked without a call into the
// library for each name, value and step.
//
// The library keeps an attribute as a record of five words (a header, the name, the
// value, the attribute before it and the one after it), and a handle holds only the
// record's address. A save walks every attribute of every element it writes, twice
// (setting the values, then forming the text), and one library call for each name,
// value and step costs more than the reading they do: these walks read the records in
// place. Whether the library in use lays its records out so is checked once, on a small
// document, against the library's own answers (AttrRecordsReadable); where it does not,
// the same walks go through the library's calls. Anything that changes an attribute
// still goes through the library (`Handle()`).
#pragma once

#include <cstdint>
#include <cstring>

#include <pugixml.hpp>

namespace kzxml {

// Whether attribute records are read in place (see above).
bool AttrRecordsReadable() noexcept;

namespace detail {
struct AttrRecord {
  uintptr_t header;
  char* name;
  char* value;
  AttrRecord* prevInRing;
  AttrRecord* next;
};
// Checked before main() runs; a walk that comes before the check reads through the
// library's calls (the value starts false).
extern const bool attrRecordsReadable;
}  // namespace detail

class Attr {
 public:
  Attr() = default;
  explicit Attr(pugi::xml_attribute a) noexcept { std::memcpy(&r_, &a, sizeof r_); }
  // The first attribute of a node (null for none, or for a node that is no element).
  static Attr First(pugi::xml_node n) { return Attr(n.first_attribute()); }

  explicit operator bool() const noexcept { return r_ != nullptr; }
  // "" for a null attribute, as the library gives.
  const char* name() const noexcept {
    if (!detail::attrRecordsReadable) return Handle().name();
    return r_ && r_->name ? r_->name : "";
  }
  const char* value() const noexcept {
    if (!detail::attrRecordsReadable) return Handle().value();
    return r_ && r_->value ? r_->value : "";
  }
  Attr next() const noexcept {
    if (!detail::attrRecordsReadable) return Attr(Handle().next_attribute());
    Attr a;
    a.r_ = r_ ? r_->next : nullptr;
    return a;
  }
  // The library's handle of the same attribute.
  pugi::xml_attribute Handle() const noexcept {
    static_assert(sizeof(pugi::xml_attribute) == sizeof(detail::AttrRecord*));
    pugi::xml_attribute a;
    std::memcpy(static_cast<void*>(&a), &r_, sizeof r_);
    return a;
  }
  const void* Address() const noexcept { return r_; }

 private:
  detail::AttrRecord* r_ = nullptr;
};

}  // namespace kzxml

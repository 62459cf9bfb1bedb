#pragma once
// clsGalaxyObject: one object of a universe map (one `o` element): a sector, or an
// object inside one. Every attribute of the element is a property (clsProperty), kept in
// the order read, new names appended; attribute names are case-sensitive.
//
// Objects are shared by reference. The document that made an object owns it; `parser`
// and Parent are back references (none for a sector and for a free-standing object).
// An object remembers the cursor bookmark of its own element (XMLBookmark, 0 while it
// has none), so that it is written back in place.
//
// Iterating an object (range for) yields its properties, not its children.
//
// An object read from a document keeps no properties of its own while nobody asks for
// them as properties: it reads its element's attributes, the document being held for as
// long as the object is (the numbers and texts it gives are those a property would hold).
// Asked for a property (by position, by name, to iterate, to change one or to copy), it
// takes its properties from the element once and keeps them from then on; so it does
// before its element leaves the document.
#include <cstdint>
#include <ext/atomicity.h>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Collection.h"
#include <pugixml.hpp>

#include "core/Variant.h"
#include "galaxy/model/GalaxyChildList.h"
#include "galaxy/model/Property.h"

class clsGalaxyParser;
class clsXMLParser;
class clsGalaxyObject;
using GalaxyObjectPtr = std::shared_ptr<clsGalaxyObject>;

// The properties an object holds of its own, in order: one pointer in the object (null
// while there are none, as for every object that still reads its element), the count,
// room and items in one block behind it, so that reaching an item costs what a vector's
// does.
class GalaxyPropertyList {
 public:
  using const_iterator = const PropertyPtr*;

  GalaxyPropertyList() = default;
  GalaxyPropertyList(const GalaxyPropertyList&) = delete;
  GalaxyPropertyList& operator=(const GalaxyPropertyList&) = delete;
  ~GalaxyPropertyList() { clear(); }

  size_t size() const noexcept { return block_ ? block_->size : 0; }
  bool empty() const noexcept { return size() == 0; }
  const_iterator begin() const noexcept { return block_ ? block_->items() : nullptr; }
  const_iterator end() const noexcept { return block_ ? block_->items() + block_->size : nullptr; }
  const PropertyPtr& operator[](size_t i) const noexcept { return block_->items()[i]; }
  // Room for n items in a list that is empty.
  void reserve(size_t n);
  void push_back(PropertyPtr p);
  void erase(const_iterator at) noexcept;
  void clear() noexcept;

 private:
  struct Block {
    uint32_t size;
    uint32_t room;
    PropertyPtr* items() noexcept { return reinterpret_cast<PropertyPtr*>(this + 1); }
  };
  static_assert(sizeof(Block) % alignof(PropertyPtr) == 0);
  static Block* Allocate(uint32_t room);
  Block* block_ = nullptr;
};

// A hold of a document in one word, shared by the objects read from it at one time (one
// count for all of them, so each object holds the document for one pointer).
class SharedDocument {
 public:
  SharedDocument() noexcept = default;
  explicit SharedDocument(std::shared_ptr<const pugi::xml_document> doc);
  SharedDocument(const SharedDocument& o) noexcept : hold_(o.hold_) {
    if (hold_) __gnu_cxx::__atomic_add_dispatch(&hold_->refs, 1);
  }
  SharedDocument& operator=(const SharedDocument& o) noexcept {
    SharedDocument copy(o);
    std::swap(hold_, copy.hold_);
    return *this;
  }
  ~SharedDocument() { reset(); }
  void reset() noexcept;
  explicit operator bool() const noexcept { return hold_ != nullptr; }

 private:
  // Counted as a shared pointer's count is (atomic only once the program has threads).
  struct Hold {
    _Atomic_word refs;
    std::shared_ptr<const pugi::xml_document> doc;
  };
  Hold* hold_ = nullptr;
};

class clsGalaxyObject : public kz::Object, public std::enable_shared_from_this<clsGalaxyObject> {
 public:
  // Objects nested deeper than this (a sector is level 1) are refused at load.
  static constexpr int32_t kMaxDepth = 64;

  // The document that made the object (none for a free-standing object).
  std::weak_ptr<clsGalaxyParser> parser;
  // Unique within the document; the first object gets 1.
  int32_t id = 0;
  // For a sector its 0-based position in the document's sector list at load.
  int32_t index = 0;
  // The cursor's bookmark of the object's element; 0 while it has none.
  int32_t XMLBookmark = 0;
  // The complete child list has been read (or the object was made in memory).
  bool Loaded = false;
  // The properties changed since they were read or last saved.
  bool Dirty = true;

 private:
  // The last error: most objects never have one, so it takes no room until one comes
  // (the texts of those that have one are kept beside, under the object's address, and
  // the object holds the one byte that tells, next to the flags above).
  class ErrorText {
   public:
    ErrorText() = default;
    ErrorText(const ErrorText&) = delete;
    ErrorText& operator=(const ErrorText&) = delete;
    ~ErrorText();
    ErrorText& operator=(std::string text);
    const std::string& Text() const noexcept;

   private:
    bool has_ = false;
  };
  ErrorText lastError_;

 public:
  // The child objects under their keys, in document order when read.
  GalaxyChildList Childs;

  // The containing object, null at the top (or when it is gone).
  std::shared_ptr<clsGalaxyObject> Parent() const noexcept;
  void SetParent(const std::shared_ptr<clsGalaxyObject>& parent) noexcept;

  // The property at a 1-based position, or by name; null when there is none.
  PropertyPtr Property(int32_t position) const;
  PropertyPtr Property(std::string_view name) const;
  PropertyPtr Property(const kz::Variant& indexOrName) const;
  int32_t PropertyCount() const noexcept;
  // Whether the object has a property of that name (Property(name) without taking one).
  bool HasProperty(std::string_view name) const noexcept;
  // The value of a property; Empty when there is none.
  kz::Variant NamedProperty(std::string_view name) const;

  // `t` as a 32-bit integer (0 when missing or not a number); set through AddProperty.
  int32_t otype() const noexcept;
  void SetOtype(int32_t t);
  // `s` exactly as stored (Empty, a number or a text).
  kz::Variant subtype() const;
  void SetSubtype(const kz::Variant& s);
  // `x`, `y`, `z` as `t`.
  int32_t x() const noexcept;
  void SetX(int32_t v);
  int32_t y() const noexcept;
  void SetY(int32_t v);
  int32_t z() const noexcept;
  void SetZ(int32_t v);

  // "<id>k".
  std::string key() const;
  const std::string& GetLastError() const noexcept { return lastError_.Text(); }
  void SetLastError(std::string text) { lastError_ = std::move(text); }

  // Reads the object from the cursor's current element; with gatesOnly only the gate
  // children (each with its whole subtree) are read and Loaded is left alone. False
  // with the reason in GetLastError; the cursor then stays where reading stopped.
  bool FromXML(clsGalaxyParser& parser, clsXMLParser& xml, bool gatesOnly);
  // The name of otype in the type names ("N/A" outside, "Unknown value" for a gap).
  std::string ObjectTypeName() const;

  // The properties in order.
  GalaxyPropertyList::const_iterator begin() const {
    TakeProperties();
    return properties_.begin();
  }
  GalaxyPropertyList::const_iterator end() const {
    TakeProperties();
    return properties_.end();
  }

  // Removes a property (nothing when absent) and sets Dirty.
  void RemoveProperty(std::string_view name);
  // Replaces the value of the property of that name (its place stays) or appends a new
  // one; sets Dirty.
  void AddProperty(const std::string& name, const kz::Variant& value);

  // Writes the object and its children into the document: in place when it has an
  // element, else as a new last child of its parent's element (or of the root). The
  // attributes are rewritten only when Dirty. False when a bookmark cannot be selected
  // or a child failed (every child is still written).
  bool ToXML(clsXMLParser& xml);
  // Removes the object's element with everything inside it from the document.
  bool DeleteFromXML(clsXMLParser& xml);
  // A deep copy of the properties and of the children in memory, registered with the
  // document under a new id, with the same Parent but not in its Childs; no element yet.
  GalaxyObjectPtr Copy();

  // The level of the object: 1 without a parent, one more for each ancestor.
  int32_t Depth() const noexcept;
  // The levels of the object's subtree in memory: 1 without children.
  int32_t Height() const noexcept;

  // Every descendant element's bookmark back to 0 and Dirty, after the element of this
  // object was taken out of the document (so the subtree can be written anew).
  void ForgetElements();

 private:
  friend class clsGalaxyParser;
  // What reading one document's elements shares (GalaxyObject.cpp).
  struct Reading;
  // Reads the object from an element of the document, walking its subtree directly.
  bool ReadElement(Reading& reading, pugi::xml_node element, bool gatesOnly, int32_t depth);
  // The children just read, appended to Childs (and taken out of `read`).
  void PlaceChildren(std::vector<GalaxyObjectPtr>& read);
  int32_t NumberOf(std::string_view name) const noexcept;
  GalaxyPropertyList::const_iterator FindName(std::string_view name) const noexcept;
  // The attribute of the element read of that name (null when none or not reading one).
  const char* ReadValue(std::string_view name) const noexcept;
  // The properties taken from the element read, when the object still reads it.
  void TakeProperties() const {
    if (element_) TakeFromElement();
  }
  void TakeFromElement() const;
  // TakeProperties for the object and every descendant in memory.
  void TakeSubtreeProperties();

  std::weak_ptr<clsGalaxyObject> parent_;
  mutable GalaxyPropertyList properties_;
  // The element whose attributes are the properties, and its document (held: the
  // element stays readable whatever becomes of the cursor); null once they are taken.
  mutable pugi::xml_node element_;
  mutable SharedDocument elementDoc_;
};

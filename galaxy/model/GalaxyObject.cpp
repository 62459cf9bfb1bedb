#include "galaxy/model/GalaxyObject.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/XMLParser.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/GalaxyValues.h"

using kz::Variant;

SharedDocument::SharedDocument(std::shared_ptr<const pugi::xml_document> doc)
    : hold_(doc ? new Hold{{1}, std::move(doc)} : nullptr) {}

void SharedDocument::reset() noexcept {
  if (hold_ && __gnu_cxx::__exchange_and_add_dispatch(&hold_->refs, -1) == 1) delete hold_;
  hold_ = nullptr;
}

namespace {
// The error texts of the objects that have one, under the address of their ErrorText.
struct ErrorTexts {
  std::mutex lock;
  std::unordered_map<const void*, std::string> texts;
};
ErrorTexts& Errors() {
  static ErrorTexts* errors = new ErrorTexts();  // objects may go while the program ends
  return *errors;
}
}  // namespace

clsGalaxyObject::ErrorText::~ErrorText() {
  if (!has_) return;
  ErrorTexts& e = Errors();
  std::lock_guard<std::mutex> hold(e.lock);
  e.texts.erase(this);
}

clsGalaxyObject::ErrorText& clsGalaxyObject::ErrorText::operator=(std::string text) {
  if (!has_ && text.empty()) return *this;
  ErrorTexts& e = Errors();
  std::lock_guard<std::mutex> hold(e.lock);
  e.texts[this] = std::move(text);
  has_ = true;
  return *this;
}

const std::string& clsGalaxyObject::ErrorText::Text() const noexcept {
  static const std::string none;
  if (!has_) return none;
  ErrorTexts& e = Errors();
  std::lock_guard<std::mutex> hold(e.lock);
  auto it = e.texts.find(this);
  return it == e.texts.end() ? none : it->second;
}

std::shared_ptr<clsGalaxyObject> clsGalaxyObject::Parent() const noexcept { return parent_.lock(); }
void clsGalaxyObject::SetParent(const std::shared_ptr<clsGalaxyObject>& parent) noexcept { parent_ = parent; }

GalaxyPropertyList::Block* GalaxyPropertyList::Allocate(uint32_t room) {
  void* raw = ::operator new(sizeof(Block) + sizeof(PropertyPtr) * room);
  return new (raw) Block{0, room};
}

void GalaxyPropertyList::reserve(size_t n) {
  if (block_ || n == 0) return;
  block_ = Allocate(static_cast<uint32_t>(n));
}

void GalaxyPropertyList::push_back(PropertyPtr p) {
  if (!block_ || block_->size == block_->room) {
    const uint32_t room = block_ ? block_->room * 2 : 4;
    Block* b = Allocate(room);
    for (uint32_t i = 0; block_ && i < block_->size; ++i) {
      new (b->items() + i) PropertyPtr(std::move(block_->items()[i]));
      block_->items()[i].~PropertyPtr();
    }
    b->size = block_ ? block_->size : 0;
    ::operator delete(block_);
    block_ = b;
  }
  new (block_->items() + block_->size++) PropertyPtr(std::move(p));
}

void GalaxyPropertyList::erase(const_iterator at) noexcept {
  PropertyPtr* items = block_->items();
  for (size_t i = static_cast<size_t>(at - items); i + 1 < block_->size; ++i) items[i] = std::move(items[i + 1]);
  items[--block_->size].~PropertyPtr();
}

void GalaxyPropertyList::clear() noexcept {
  if (!block_) return;
  for (uint32_t i = 0; i < block_->size; ++i) block_->items()[i].~PropertyPtr();
  ::operator delete(block_);
  block_ = nullptr;
}

GalaxyPropertyList::const_iterator clsGalaxyObject::FindName(std::string_view name) const noexcept {
  return std::find_if(properties_.begin(), properties_.end(), [&](const PropertyPtr& p) { return p->Name == name; });
}

namespace {

// Names are short: a plain loop beats measuring the attribute's name first.
inline bool SameName(const char* a, std::string_view b) noexcept {
  for (char c : b)
    if (*a++ != c) return false;
  return *a == '\0';
}

// A value as a property holds it; a text when it would not fit (a value written later
// than the load was checked, into an element an object still reads).
Variant ValueOf(const char* text) noexcept {
  try {
    return mdlGalaxy::ReadAttributeValue(text);
  } catch (...) {
    try {
      return Variant(std::string_view(text));
    } catch (...) {
      return Variant();
    }
  }
}

// AppError 6 (as reading the value into a property gives) when a value is a number out
// of the 32-bit range. Plain whole numbers of up to nine digits, most values, need no look.
// A text that begins with a letter or "_" (a subtype name, most other values) is no number.
void CheckValue(const char* text) {
  const char c = *text;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_') return;
  const char* p = text + (c == '-');
  const char* digits = p;
  while (*p >= '0' && *p <= '9') ++p;
  if (*p == '\0' && p > digits && p - digits <= 9) return;
  (void)mdlGalaxy::ReadAttributeValue(text);
}

// Whether a `t` value reads as the gate type: plain digits (most values) compared as
// they stand, anything else read as a number.
bool IsGateType(const char* type) {
  if (!type) return false;
  int32_t v = 0;
  const char* p = type;
  while (*p >= '0' && *p <= '9' && p - type < 9) v = v * 10 + (*p++ - '0');
  if (*p == '\0' && p > type) return v == 18;
  double t = 0;
  return kz::TryParseNumber(type, t) && t == 18.0;
}

}  // namespace

const char* clsGalaxyObject::ReadValue(std::string_view name) const noexcept {
  for (pugi::xml_attribute a = element_.first_attribute(); a; a = a.next_attribute())
    if (SameName(a.name(), name)) return a.value();
  return nullptr;
}

void clsGalaxyObject::TakeFromElement() const {
  // Made where the document makes the properties it reads, while the document is there.
  std::shared_ptr<clsGalaxyParser> doc = parser.lock();
  size_t count = 0;
  for (pugi::xml_attribute a = element_.first_attribute(); a; a = a.next_attribute()) ++count;
  // Room for one more: a property taken is mostly taken to be changed, often by one added.
  properties_.clear();
  properties_.reserve(count + 1);
  for (pugi::xml_attribute a = element_.first_attribute(); a; a = a.next_attribute()) {
    if (doc)
      properties_.push_back(PropertyArena::Make(doc->Arena(), a.name(), ValueOf(a.value())));
    else
      properties_.push_back(std::make_shared<clsProperty>(a.name(), ValueOf(a.value())));
  }
  element_ = pugi::xml_node();
  elementDoc_.reset();
}

void clsGalaxyObject::TakeSubtreeProperties() {
  TakeProperties();
  for (const GalaxyObjectPtr& child : Childs) child->TakeSubtreeProperties();
}

int32_t clsGalaxyObject::PropertyCount() const noexcept {
  if (!element_) return static_cast<int32_t>(properties_.size());
  int32_t n = 0;
  for (pugi::xml_attribute a = element_.first_attribute(); a; a = a.next_attribute()) ++n;
  return n;
}

bool clsGalaxyObject::HasProperty(std::string_view name) const noexcept {
  return element_ ? ReadValue(name) != nullptr : FindName(name) != properties_.end();
}

PropertyPtr clsGalaxyObject::Property(int32_t position) const {
  if (position < 1 || position > PropertyCount()) return nullptr;
  TakeProperties();
  return properties_[static_cast<size_t>(position) - 1];
}

PropertyPtr clsGalaxyObject::Property(std::string_view name) const {
  if (element_ && !ReadValue(name)) return nullptr;
  TakeProperties();
  auto it = FindName(name);
  return it == properties_.end() ? nullptr : *it;
}

PropertyPtr clsGalaxyObject::Property(const Variant& indexOrName) const {
  if (indexOrName.IsString()) return Property(std::string_view(indexOrName.AsString()));
  int32_t n = 0;
  if (!indexOrName.IsNumeric() || !mdlGalaxy::GalaxyNumber(indexOrName, n)) return nullptr;
  return Property(n);
}

Variant clsGalaxyObject::NamedProperty(std::string_view name) const {
  if (element_) {
    const char* text = ReadValue(name);
    return text ? ValueOf(text) : Variant();
  }
  auto it = FindName(name);
  return it == properties_.end() ? Variant() : (*it)->Value;
}

int32_t clsGalaxyObject::NumberOf(std::string_view name) const noexcept {
  if (element_) {
    const char* text = ReadValue(name);
    return text ? mdlGalaxy::GalaxyLong(ValueOf(text)) : 0;
  }
  auto it = FindName(name);
  return it == properties_.end() ? 0 : mdlGalaxy::GalaxyLong((*it)->Value);
}

int32_t clsGalaxyObject::otype() const noexcept { return NumberOf("t"); }
void clsGalaxyObject::SetOtype(int32_t t) { AddProperty("t", Variant(t)); }
Variant clsGalaxyObject::subtype() const { return NamedProperty("s"); }
void clsGalaxyObject::SetSubtype(const Variant& s) { AddProperty("s", s); }
int32_t clsGalaxyObject::x() const noexcept { return NumberOf("x"); }
void clsGalaxyObject::SetX(int32_t v) { AddProperty("x", Variant(v)); }
int32_t clsGalaxyObject::y() const noexcept { return NumberOf("y"); }
void clsGalaxyObject::SetY(int32_t v) { AddProperty("y", Variant(v)); }
int32_t clsGalaxyObject::z() const noexcept { return NumberOf("z"); }
void clsGalaxyObject::SetZ(int32_t v) { AddProperty("z", Variant(v)); }

std::string clsGalaxyObject::key() const { return std::to_string(id) + "k"; }

std::string clsGalaxyObject::ObjectTypeName() const {
  return kz::LookupName(mdlGalaxy::GalaxyTypeNames, otype(), true);
}

void clsGalaxyObject::RemoveProperty(std::string_view name) {
  TakeProperties();
  auto it = FindName(name);
  if (it == properties_.end()) return;
  properties_.erase(it);
  Dirty = true;
}

void clsGalaxyObject::AddProperty(const std::string& name, const Variant& value) {
  TakeProperties();
  auto it = FindName(name);
  if (it != properties_.end())
    (*it)->Value = value;
  else
    properties_.push_back(std::make_shared<clsProperty>(name, value));
  Dirty = true;
}

void clsGalaxyObject::PlaceChildren(std::vector<GalaxyObjectPtr>& read) { Childs.AssignRead(read); }

namespace {

// Whether a handle of pugixml (a node or an attribute: its object's address) is null,
// read in place rather than through a call into the library at every step of a walk.
template <class Handle>
inline bool IsNull(const Handle& h) noexcept {
  static_assert(sizeof(Handle) == sizeof(void*));
  const void* p;
  std::memcpy(&p, &h, sizeof p);
  return p == nullptr;
}

// The value of an element's `t` attribute; null when it has none.
const char* TypeOf(pugi::xml_node element) {
  for (pugi::xml_attribute a = element.first_attribute(); !IsNull(a); a = a.next_attribute())
    if (SameName(a.name(), "t")) return a.value();
  return nullptr;
}

}  // namespace

struct clsGalaxyObject::Reading {
  clsGalaxyParser& parser;
  // The document read: each object that reads its element holds it.
  SharedDocument doc;
  clsXMLParser& xml;
  // The element where reading failed (null while none did).
  pugi::xml_node stoppedAt;
  // The children read, a list for each level (kept from one element to the next).
  std::vector<std::vector<GalaxyObjectPtr>>& levels;
};

bool clsGalaxyObject::FromXML(clsGalaxyParser& parser, clsXMLParser& xml, bool gatesOnly) {
  if (!xml.IsElementNamed("o")) {
    lastError_ = "Starting tag is not 'o'";
    return false;
  }
  static thread_local std::vector<std::vector<GalaxyObjectPtr>> levels(kMaxDepth + 2);
  Reading reading{parser, SharedDocument(xml.Document()), xml, pugi::xml_node(), levels};
  // The elements are walked in the document itself: the cursor stays on this one, and
  // goes to the element where reading stopped when it fails.
  if (ReadElement(reading, xml.CurrentNode(), gatesOnly, 1)) return true;
  xml.MoveTo(reading.stoppedAt);
  return false;
}

bool clsGalaxyObject::ReadElement(Reading& reading, pugi::xml_node element, bool gatesOnly, int32_t depth) {
  try {
    if (!SameName(element.name(), "o")) {
      lastError_ = "Starting tag is not 'o'";
      reading.stoppedAt = element;
      return false;
    }
    if (depth > kMaxDepth) {
      lastError_ = "Objects are nested deeper than " + std::to_string(kMaxDepth) + " levels.";
      reading.stoppedAt = element;
      return false;
    }
    if (XMLBookmark == 0) XMLBookmark = reading.xml.AddBookmark(element);

    // The properties are the element's attributes, read where they stand; a value a
    // property could not hold fails the load here, as it would taking the property.
    properties_.clear();
    elementDoc_ = reading.doc;
    element_ = element;
    for (pugi::xml_attribute a = element.first_attribute(); !IsNull(a); a = a.next_attribute()) CheckValue(a.value());

    if (!gatesOnly) Loaded = true;
    pugi::xml_node c = element.first_child();
    while (!IsNull(c) && c.type() != pugi::node_element) c = c.next_sibling();
    if (!IsNull(c)) {
      auto self = shared_from_this();
      // The children read are gathered and go into Childs at once, as read.
      std::vector<GalaxyObjectPtr>& read = reading.levels[static_cast<size_t>(depth)];
      read.clear();
      bool ok = true;
      for (; !IsNull(c); c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        if (gatesOnly && !IsGateType(TypeOf(c))) continue;
        GalaxyObjectPtr child = reading.parser.NewGalObject(self);
        if (!child->ReadElement(reading, c, false, depth + 1)) {
          lastError_ = child->GetLastError();
          ok = false;
          break;
        }
        // Its own subtree is registered already, by the reading just done; it has a
        // parent, so it is no sector.
        reading.parser.objects.AddId(child, child->id);
        read.push_back(std::move(child));
      }
      PlaceChildren(read);
      if (!ok) return false;
    }
    Dirty = false;
    return true;
  } catch (const kz::AppError& e) {
    lastError_ = e.Description;
  } catch (const std::exception& e) {
    lastError_ = e.what();
  }
  if (IsNull(reading.stoppedAt)) reading.stoppedAt = element;
  return false;
}

namespace {

bool IsOneLetter(const std::string& name, char c) { return name.size() == 1 && name[0] == c; }

// The attributes an object's element is given, formed before they are handed to the
// cursor at once: numbers are written into `numbers` (room for one each), texts stay
// where the property holds them, other values are written into `others` (kept apart, so
// that what points into them stays put while more are made).
class ElementAttrs {
 public:
  void Clear() {
    list_.clear();
    used_ = 0;
    others_.clear();
  }
  void Number(const char* name, int32_t n) {
    if (used_ == numbers_.size()) numbers_.emplace_back();
    char* buf = numbers_[used_++].data();
    char* end = std::to_chars(buf, buf + kNumberRoom - 1, n).ptr;
    *end = '\0';
    list_.push_back({name, buf, static_cast<size_t>(end - buf)});
  }
  void Value(const char* name, const Variant& v) {
    switch (v.Kind()) {
      case kz::VariantKind::Integer: Number(name, v.AsInteger()); return;
      case kz::VariantKind::Long: Number(name, v.AsLong()); return;
      case kz::VariantKind::String: {
        const std::string& text = v.AsString();
        list_.push_back({name, text.c_str(), text.size()});
        return;
      }
      default: {
        const std::string& text = others_.emplace_back(kz::CStr(v));
        list_.push_back({name, text.c_str(), text.size()});
        return;
      }
    }
  }
  // The first number given again (its room is the same).
  void RenumberFirst(int32_t n) {
    clsXMLParser::AttrText& first = list_.front();
    char* buf = numbers_.front().data();
    char* end = std::to_chars(buf, buf + kNumberRoom - 1, n).ptr;
    *end = '\0';
    first.value = buf;
    first.size = static_cast<size_t>(end - buf);
  }
  // The last given moved to the second place.
  void LastToSecond() {
    if (list_.size() > 2) std::rotate(list_.begin() + 1, list_.end() - 1, list_.end());
  }
  const clsXMLParser::AttrText* data() const noexcept { return list_.data(); }
  size_t size() const noexcept { return list_.size(); }

 private:
  static constexpr size_t kNumberRoom = 16;
  std::vector<clsXMLParser::AttrText> list_;
  std::deque<std::array<char, kNumberRoom>> numbers_;
  size_t used_ = 0;
  std::deque<std::string> others_;
};

}  // namespace

bool clsGalaxyObject::ToXML(clsXMLParser& xml) {
  // The cursor is placed only where something is written: an unchanged object that has
  // its element costs no cursor move.
  if (XMLBookmark <= 0) {
    GalaxyObjectPtr parent = Parent();
    // A map is never written deeper than it could be read back.
    if (Depth() > kMaxDepth) {
      lastError_ = "Objects are nested deeper than " + std::to_string(kMaxDepth) + " levels.";
      return false;
    }
    auto doc = parser.lock();
    int32_t at = parent ? parent->XMLBookmark : doc ? doc->UniverseBookmark : 0;
    if (at <= 0 || !xml.SelectBookmark(at)) {
      lastError_ = "Unable to select parent's bookmark: " + xml.GetLastError();
      return false;
    }
    if (!xml.CreateNode("o", Variant(), doc ? doc->Namespace : std::string())) {
      lastError_ = "Unable to create the element: " + xml.GetLastError();
      return false;
    }
    XMLBookmark = xml.AddBookmark();
    Dirty = true;  // a new element gets every property
  } else if (Dirty && !xml.SelectBookmark(XMLBookmark)) {
    lastError_ = "Unable to select my bookmark: " + xml.GetLastError();
    return false;
  }

  if (Dirty) {
    TakeProperties();
    // Every attribute goes but the namespace declarations, which place the element;
    // then `t`, `s` and the rest in order: the first `t` and `s` found, the rest formed
    // in the same pass, and all of them handed to the cursor at once.
    static thread_local ElementAttrs attrs;
    attrs.Clear();
    const clsProperty* t = nullptr;
    const clsProperty* sub = nullptr;
    attrs.Number("t", 0);  // given its value once it is found
    for (const PropertyPtr& p : properties_) {
      const std::string& name = p->Name;
      if (name.empty()) continue;
      if (IsOneLetter(name, 't')) {
        if (!t) t = p.get();
        continue;
      }
      if (IsOneLetter(name, 's')) {
        if (!sub) sub = p.get();
        continue;
      }
      if (name.compare(0, 5, "xmlns") == 0 && (name.size() == 5 || name[5] == ':')) continue;  // kept in place above
      attrs.Value(name.c_str(), p->Value);
    }
    // `t` stands first, a number whatever its value's kind.
    if (t) attrs.RenumberFirst(mdlGalaxy::GalaxyLong(t->Value));
    // A missing subtype stays missing: an empty `s` would read back as a subtype.
    if (sub) {
      attrs.Value("s", sub->Value);
      attrs.LastToSecond();
    }
    xml.SetNodeAttrs(attrs.data(), attrs.size());
  }

  bool result = true;
  // The children lie scattered over the heap: each is asked for two turns ahead, so
  // that its cache misses overlap with the work on the ones before. (Walked as they are
  // shown: no copy of the list is parted for a walk.)
  const GalaxyChildList& children = Childs;
  const auto last = children.end();
  for (auto it = children.begin(); it != last; ++it) {
    if (last - it > 2) {
      const clsGalaxyObject* ahead = it[2].get();
      __builtin_prefetch(&ahead->XMLBookmark);
      __builtin_prefetch(&ahead->properties_);
    }
    const GalaxyObjectPtr& child = *it;
    if (!child->ToXML(xml)) {
      if (result) lastError_ = child->GetLastError();
      result = false;
    }
  }
  return result;
}

bool clsGalaxyObject::DeleteFromXML(clsXMLParser& xml) {
  xml.Push();
  bool ok = false;
  if (XMLBookmark <= 0 || !xml.SelectBookmark(XMLBookmark)) {
    lastError_ = "Unable to select object bookmark.";
    // The properties of the subtree are taken from its elements before they go.
  } else if (TakeSubtreeProperties(); !xml.DeleteNode(".")) {
    lastError_ = "Error deleting xml:\r\n" + xml.GetLastError();
  } else {
    xml.RemoveBookmark(XMLBookmark);
    XMLBookmark = 0;
    Dirty = true;
    for (const GalaxyObjectPtr& child : Childs) child->ForgetElements();
    ok = true;
  }
  xml.Pop();
  return ok;
}

int32_t clsGalaxyObject::Depth() const noexcept {
  int32_t depth = 1;
  for (GalaxyObjectPtr p = Parent(); p && depth <= 1000000; p = p->Parent()) ++depth;
  return depth;
}

int32_t clsGalaxyObject::Height() const noexcept {
  int32_t h = 0;
  for (const GalaxyObjectPtr& c : Childs) h = std::max(h, c->Height());
  return h + 1;
}

void clsGalaxyObject::ForgetElements() {
  TakeProperties();
  XMLBookmark = 0;
  Dirty = true;
  for (const GalaxyObjectPtr& child : Childs) child->ForgetElements();
}

GalaxyObjectPtr clsGalaxyObject::Copy() {
  GalaxyObjectPtr copy;
  if (auto doc = parser.lock()) {
    copy = doc->CreateGalObject(Parent());
  } else {
    copy = std::make_shared<clsGalaxyObject>();
    copy->SetParent(Parent());
  }
  TakeProperties();
  for (const PropertyPtr& p : properties_) copy->AddProperty(p->Name, p->Value);
  for (const GalaxyObjectPtr& child : Childs) {
    GalaxyObjectPtr c = child->Copy();
    copy->Childs.Add(c, c->id ? c->key() : std::string());
    c->SetParent(copy);
  }
  copy->Loaded = true;
  return copy;
}

#include "core/XMLParser.h"

#include <algorithm>
#include <cstring>

#include "core/AppError.h"
#include "core/ViDedodedBindings.h"

namespace {

constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype;

// The namespace prefix of a qualified name ("" when it has none).
std::string PrefixOf(const char* name) {
  const char* colon = std::strchr(name, ':');
  return colon ? std::string(name, colon) : std::string();
}

// The namespace URI that a prefix has at a node (from the xmlns attributes of the
// node and its ancestors).
std::string NamespaceAt(pugi::xml_node n, const std::string& prefix) {
  std::string attr = prefix.empty() ? "xmlns" : "xmlns:" + prefix;
  for (; n; n = n.parent()) {
    if (n.type() != pugi::node_element) continue;
    if (pugi::xml_attribute a = n.attribute(attr.c_str())) return a.value();
  }
  if (prefix == "xml") return "http://www.w3.org/XML/1998/namespace";
  return std::string();
}

bool IsAncestorOrSelf(pugi::xml_node ancestor, pugi::xml_node n) {
  for (; n; n = n.parent())
    if (n == ancestor) return true;
  return false;
}

}  // namespace

clsXMLParser::clsXMLParser() { NewDocument(); }
clsXMLParser::~clsXMLParser() = default;

void clsXMLParser::NewDocument() {
  doc_ = std::make_shared<pugi::xml_document>();
  NextGeneration();
  current_ = pugi::xml_node();
  putAt_ = kzxml::Attr();  // no attribute sequence goes on into a new document
  putName_ = nullptr;
  putNode_ = pugi::xml_node();
  // Bookmarks of the old document are dropped, but their numbers are never given out
  // again: an object that still holds one must not select a node of the new document.
  base_ = counter_;
  bookmarks_.clear();
  IndexClear();
  source_.clear();
  byteOrderMark_ = false;
  marks_.Clear();
}


bool clsXMLParser::OpenFile(const std::string& path) {
  lastError_.clear();
  NewDocument();
  stack_.clear();
  stack_.reserve(20);
  std::string text;
  bool byteOrderMark = false;
  if (Kz_DecodeXMLFile(path, text, &byteOrderMark) == 0) {
    lastError_ = kz::GetViDedodedError();
    return false;
  }
  if (!LoadOwned(std::move(text))) return false;
  byteOrderMark_ = byteOrderMark;
  return true;
}

bool clsXMLParser::LoadText(const std::string& text) { return LoadOwned(std::string(text)); }

bool clsXMLParser::LoadOwned(std::string&& text) {
  lastError_.clear();
  NewDocument();
  pugi::xml_parse_result r = doc_->load_buffer(text.data(), text.size(), kParseFlags, pugi::encoding_utf8);
  if (!r) {
    // The line of the error, counted from its offset, and that line's text.
    size_t off = r.offset < 0 ? 0 : std::min(text.size(), static_cast<size_t>(r.offset));
    size_t line = 1, lineStart = 0;
    for (size_t i = 0; i < off; ++i)
      if (text[i] == '\n') {
        ++line;
        lineStart = i + 1;
      }
    size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    std::string source = text.substr(lineStart, std::min<size_t>(lineEnd - lineStart, 200));
    if (!source.empty() && source.back() == '\r') source.pop_back();
    lastError_ = std::string("Error: ") + r.description() + "\r\n" + "Source: " + source + " Line: " +
                 std::to_string(line);
    NewDocument();
    return false;
  }
  current_ = pugi::xml_node();
  pugi::xml_node root = doc_->document_element();
  for (pugi::xml_node c = root.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) {
      current_ = c;
      break;
    }
  source_ = std::move(text);
  return true;
}

int32_t clsXMLParser::ElementDepth(int32_t limit) const {
  if (!HasCurrentNode()) return 0;
  const pugi::xml_node top = current_;
  int32_t depth = 1, most = 0;
  // Each node is asked for its type, its first child and its next sibling once.
  pugi::xml_node n = top.first_child();
  while (!IsNullHandle(n)) {
    if (n.type() == pugi::node_element) {
      if (depth > most) most = depth;
      if (most > limit) return most;
      const pugi::xml_node child = n.first_child();
      if (!IsNullHandle(child)) {
        n = child;
        ++depth;
        continue;
      }
    }
    pugi::xml_node next = n.next_sibling();
    while (IsNullHandle(next)) {
      n = n.parent();
      --depth;
      if (n == top) return most;
      next = n.next_sibling();
    }
    n = next;
  }
  return most;
}

bool clsXMLParser::MoveTo(pugi::xml_node node) {
  if (!doc_ || IsNullHandle(node)) return false;
  current_ = node;
  return true;
}

bool clsXMLParser::SelectRoot() {
  current_ = doc_ ? doc_->document_element() : pugi::xml_node();
  return static_cast<bool>(current_);
}

bool clsXMLParser::SelectNode(const std::string& path) {
  lastError_.clear();
  if (!doc_ || path.empty()) return false;
  try {
    pugi::xml_node from = path[0] == '/' ? static_cast<pugi::xml_node>(*doc_) : current_;
    if (!from) return false;
    pugi::xpath_node found = from.select_node(path.c_str());
    if (!found.node() || found.attribute()) return false;
    current_ = found.node();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool clsXMLParser::PrevNode() {
  if (!HasCurrentNode()) return false;
  for (pugi::xml_node n = current_.previous_sibling(); n; n = n.previous_sibling())
    if (n.type() == pugi::node_element) {
      current_ = n;
      return true;
    }
  return false;
}

bool clsXMLParser::NextNode() {
  if (!HasCurrentNode()) return false;
  for (pugi::xml_node n = current_.next_sibling(); n; n = n.next_sibling())
    if (n.type() == pugi::node_element) {
      current_ = n;
      return true;
    }
  return false;
}

std::string clsXMLParser::GetNodeValue() const {
  std::string out;
  if (!HasCurrentNode()) return out;
  bool first = true;
  for (pugi::xml_node c = current_.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_pcdata) {
      if (!first) out.push_back(' ');
      out += c.value();
      first = false;
    }
  return out;
}

pugi::xml_attribute clsXMLParser::Attribute(const kz::Variant& key) const {
  if (!HasCurrentNode()) return pugi::xml_attribute();
  if (key.IsString()) return current_.attribute(key.AsString().c_str());
  if (!kz::IsNumericValue(key)) return pugi::xml_attribute();
  double pos = key.NumberValue();
  if (!(pos >= 1) || pos > 1e9) return pugi::xml_attribute();
  int32_t k = kz::round32(pos);
  int32_t i = 1;
  for (pugi::xml_attribute a = current_.first_attribute(); a; a = a.next_attribute(), ++i)
    if (i == k) return a;
  return pugi::xml_attribute();
}

std::string clsXMLParser::GetNodeAttr(const kz::Variant& key) const {
  pugi::xml_attribute a = Attribute(key);
  return a ? a.value() : std::string();
}

int32_t clsXMLParser::GetNodeAttrCount() const {
  if (!HasCurrentNode()) return 0;
  int32_t n = 0;
  for (pugi::xml_attribute a = current_.first_attribute(); a; a = a.next_attribute()) ++n;
  return n;
}

const char* clsXMLParser::FindNodeAttr(const char* name) const {
  if (!HasCurrentNode()) return nullptr;
  pugi::xml_attribute a = current_.attribute(name);
  return a ? a.value() : nullptr;
}

bool clsXMLParser::IsElementNamed(const char* name) const {
  if (!HasCurrentNode() || current_.type() != pugi::node_element) return false;
  // Names are short: a plain loop beats a library call.
  const char* n = current_.name();
  while (*name && *n == *name) ++n, ++name;
  return *n == *name;
}

std::string clsXMLParser::GetAttrName(const kz::Variant& key) const {
  pugi::xml_attribute a = Attribute(key);
  return a ? a.name() : std::string();
}

std::string clsXMLParser::GetNodeName() const {
  if (!HasCurrentNode()) return std::string();
  switch (current_.type()) {
    case pugi::node_pcdata: return "#text";
    case pugi::node_cdata: return "#cdata-section";
    case pugi::node_comment: return "#comment";
    default: return current_.name();
  }
}

bool clsXMLParser::Down() {
  if (!HasCurrentNode()) return false;
  for (pugi::xml_node c = current_.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) {
      current_ = c;
      return true;
    }
  return false;
}

bool clsXMLParser::up() {
  if (!HasCurrentNode()) return false;
  pugi::xml_node p = current_.parent();
  if (!p || p.type() != pugi::node_element) return false;
  current_ = p;
  return true;
}

void clsXMLParser::Unload() {
  // Kept references now point into a document that is gone: the generation tells.
  doc_.reset();
  NextGeneration();
  current_ = pugi::xml_node();
  IndexClear();
  source_.clear();
  byteOrderMark_ = false;
  marks_.Clear();
}

void clsXMLParser::Push() { stack_.push_back(Keep(HasCurrentNode() ? current_ : pugi::xml_node())); }

void clsXMLParser::Pop() {
  if (stack_.empty()) return;
  Ref top = stack_.back();
  stack_.pop_back();
  if (Alive(top)) current_ = top.node;
}

bool clsXMLParser::SetNodeAttr(const kz::Variant& key, const kz::Variant& value) {
  if (!HasCurrentNode() || current_.type() != pugi::node_element) return false;
  try {
    std::string text = kz::CStr(value);
    pugi::xml_attribute a = Attribute(key);
    if (!a) {
      // A name that ends before its first byte (a NUL there) is no name.
      if (!key.IsString() || key.AsString().c_str()[0] == '\0') return false;
      a = current_.append_attribute(key.AsString().c_str());
      if (!a) return false;
    }
    if (KeepsLayout()) marks_.Tag(current_);
    return a.set_value(text.c_str());
  } catch (const kz::AppError&) {
    return false;
  }
}

void clsXMLParser::SetText(pugi::xml_node n, const std::string& text) {
  if (KeepsLayout()) marks_.Shape(n);
  for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_pcdata) {
      // A shorter value may be written where the old one stood: the mark tells.
      if (KeepsLayout()) marks_.Tag(c);
      c.set_value(text.c_str());
      return;
    }
  n.append_child(pugi::node_pcdata).set_value(text.c_str());
}

bool clsXMLParser::SetNodeValue(const kz::Variant& value) {
  if (!HasCurrentNode() || current_.type() != pugi::node_element) return false;
  try {
    SetText(current_, kz::CStr(value));
  } catch (const kz::AppError&) {
    return false;
  }
  return true;
}

namespace {

// Appends what the printer gives straight to a text.
struct AppendWriter : pugi::xml_writer {
  std::string& out;
  explicit AppendWriter(std::string& o) : out(o) {}
  void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

}  // namespace

namespace {
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
}  // namespace

std::string clsXMLParser::GetXML() const {
  if (!doc_) return std::string();
  std::string out;
  if (KeepsLayout()) {
    out.reserve(source_.size() + source_.size() / 16 + 64);
    if (byteOrderMark_) out = kByteOrderMark;
    if (marks_.Empty()) return out.append(source_);
    if (kzxml::WriteKeepingLayout(*doc_, source_, marks_, out)) return out;
    out.clear();  // changed at the top level: written in the cursor's layout
  }
  // A document saved again is about as long as the last time.
  out.reserve(lastXmlSize_ + lastXmlSize_ / 16 + 64);
  out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  AppendWriter writer(out);
  for (pugi::xml_node n = doc_->first_child(); n; n = n.next_sibling()) {
    if (n.type() == pugi::node_declaration) continue;  // ours above says what is true
    n.print(writer, "\t", pugi::format_indent, pugi::encoding_utf8);
  }
  lastXmlSize_ = out.size();
  return out;
}

bool clsXMLParser::SaveToFile(const std::string& path, int32_t mode) {
  lastError_.clear();
  if (!doc_) {
    lastError_ = "No document to save.";
    return false;
  }
  // Nothing changed: the text read goes back as it is.
  const bool asRead = KeepsLayout() && !byteOrderMark_ && marks_.Empty();
  if (Kz_EncodeXMLFile(path, asRead ? source_ : GetXML(), mode) == 0) {
    lastError_ = kz::GetViDedodedError();
    return false;
  }
  return true;
}

clsXMLParser::Ref* clsXMLParser::Slot(int32_t bookmark) {
  if (bookmark <= base_ || bookmark > counter_) return nullptr;
  const size_t at = static_cast<size_t>(bookmark - base_) - 1;
  return at < bookmarks_.size() ? &bookmarks_[at] : nullptr;
}

pugi::xml_node clsXMLParser::Resolve(int32_t bookmark) const {
  const Ref* slot = const_cast<clsXMLParser*>(this)->Slot(bookmark);
  if (!slot) return pugi::xml_node();
  const Ref& r = *slot;
  if (!r.present || !Alive(r)) return pugi::xml_node();
  return r.node;
}

bool clsXMLParser::InsertNodeBefore(const std::string& name, int32_t bookmark, const kz::Variant& text) {
  lastError_.clear();
  pugi::xml_node before = Resolve(bookmark);
  if (!before) {
    lastError_ = "Invalid bookmark";
    return false;
  }
  if (!HasCurrentNode() || before.parent() != current_ || name.empty()) return false;
  try {
    std::string t = kz::CStr(text);
    pugi::xml_node n = current_.insert_child_before(name.c_str(), before);
    if (!n) return false;
    if (KeepsLayout()) marks_.Shape(current_);
    if (!text.IsEmpty()) SetText(n, t);
  } catch (const kz::AppError&) {
    return false;
  }
  return true;
}

bool clsXMLParser::CreateNode(const std::string& name, const kz::Variant& text, const std::string& ns) {
  if (!doc_ || name.empty()) return false;
  pugi::xml_node parent = current_ ? current_ : static_cast<pugi::xml_node>(*doc_);
  if (parent.type() != pugi::node_element && parent.type() != pugi::node_document) return false;
  if (parent.type() == pugi::node_document && doc_->document_element()) return false;
  try {
    std::string t = text.IsEmpty() ? std::string() : kz::CStr(text);
    pugi::xml_node n = parent.append_child(name.c_str());
    if (!n) return false;
    if (KeepsLayout()) marks_.Shape(parent);
    std::string prefix = PrefixOf(name.c_str());
    if (NamespaceAt(parent, prefix) != ns) {
      std::string attr = prefix.empty() ? "xmlns" : "xmlns:" + prefix;
      n.append_attribute(attr.c_str()).set_value(ns.c_str());
    }
    if (!text.IsEmpty()) SetText(n, t);
    current_ = n;
  } catch (const kz::AppError&) {
    return false;
  }
  return true;
}

std::string clsXMLParser::GetNodeNamespace() const {
  if (!HasCurrentNode()) throw kz::AppError(91, "clsXMLParser", "Object variable or With block variable not set");
  if (current_.type() != pugi::node_element) return std::string();
  return NamespaceAt(current_, PrefixOf(current_.name()));
}

void clsXMLParser::Forget(pugi::xml_node gone) {
  for (auto& r : stack_)
    if (Alive(r) && r.node && IsAncestorOrSelf(gone, r.node)) r.dead = true;
  if (nodeIndex_.Empty()) return;
  // The bookmarks of every node of the subtree, found through the node index.
  IndexDropNode(gone.internal_object());
  struct Walker : pugi::xml_tree_walker {
    clsXMLParser* self;
    bool for_each(pugi::xml_node& n) override {
      self->IndexDropNode(n.internal_object());
      return true;
    }
  } walker;
  walker.self = this;
  gone.traverse(walker);
}

void clsXMLParser::IndexAdd(const void* node, int32_t bookmark) {
  if (const int32_t first = nodeIndex_.Get(node)) At(bookmark).nextSame = first;
  nodeIndex_.Set(node, bookmark);
}

void clsXMLParser::IndexRemove(const void* node, int32_t bookmark) {
  const int32_t first = nodeIndex_.Get(node);
  if (first == 0) return;
  if (first == bookmark) {
    nodeIndex_.Set(node, At(bookmark).nextSame);
    return;
  }
  for (int32_t b = first; b != 0; b = At(b).nextSame)
    if (At(b).nextSame == bookmark) {
      At(b).nextSame = At(bookmark).nextSame;
      return;
    }
}

void clsXMLParser::IndexDropNode(const void* node) {
  const int32_t first = nodeIndex_.Get(node);
  if (first == 0) return;
  for (int32_t b = first; b != 0; b = At(b).nextSame) At(b).dead = true;
  nodeIndex_.Set(node, 0);
}

void clsXMLParser::IndexClear() { nodeIndex_.Clear(); }

bool clsXMLParser::DeleteNode(const std::string& path) {
  if (!doc_ || path.empty()) return false;
  pugi::xml_node found;
  try {
    pugi::xml_node from = path[0] == '/' ? static_cast<pugi::xml_node>(*doc_) : current_;
    if (!from) return false;
    pugi::xpath_node x = from.select_node(path.c_str());
    if (x.attribute()) return false;
    found = x.node();
  } catch (const std::exception&) {
    return false;
  }
  if (!found) return false;
  pugi::xml_node parent = found.parent();
  if (!parent) return false;
  EndAttrSequence();
  // The cursor never keeps a node that is about to be freed.
  if (current_ && IsAncestorOrSelf(found, current_))
    current_ = parent.type() == pugi::node_element ? parent : pugi::xml_node();
  Forget(found);
  if (KeepsLayout()) {
    marks_.Forget(found);
    marks_.Shape(parent);
  }
  return parent.remove_child(found);
}

bool clsXMLParser::CreateDocument(const std::string& root, const std::string& ns) {
  if (root.empty()) return false;
  NewDocument();
  pugi::xml_node decl = doc_->append_child(pugi::node_declaration);
  decl.append_attribute("version").set_value("1.0");
  decl.append_attribute("encoding").set_value("UTF-8");
  pugi::xml_node r = doc_->append_child(root.c_str());
  if (!ns.empty()) {
    std::string prefix = PrefixOf(root.c_str());
    std::string attr = prefix.empty() ? "xmlns" : "xmlns:" + prefix;
    r.append_attribute(attr.c_str()).set_value(ns.c_str());
  }
  current_ = r;
  return true;
}

int32_t clsXMLParser::AddBookmark() { return AddBookmark(HasCurrentNode() ? current_ : pugi::xml_node()); }

int32_t clsXMLParser::AddBookmark(pugi::xml_node node) {
  if (counter_ == INT32_MAX) return 0;  // no number left: no bookmark
  ++counter_;
  Ref r = Keep(doc_ ? node : pugi::xml_node());
  r.present = true;
  bookmarks_.resize(static_cast<size_t>(counter_ - base_));
  bookmarks_.back() = r;
  if (r.node) IndexAdd(r.node.internal_object(), counter_);
  return counter_;
}

bool clsXMLParser::RemoveBookmark(int32_t bookmark) {
  Ref* slot = Slot(bookmark);
  if (!slot) return false;
  Ref& r = *slot;
  if (!r.present) return false;
  if (Alive(r) && r.node) IndexRemove(r.node.internal_object(), bookmark);
  r = Ref();
  return true;
}

bool clsXMLParser::SelectBookmark(int32_t bookmark) {
  pugi::xml_node n = Resolve(bookmark);
  if (!n) return false;
  current_ = n;
  return true;
}

bool clsXMLParser::ClearNodeAttrs() {
  if (!HasCurrentNode() || current_.type() != pugi::node_element) return false;
  EndAttrSequence();
  for (pugi::xml_attribute a = current_.first_attribute(); a;) {
    pugi::xml_attribute next = a.next_attribute();
    const char* n = a.name();
    if (std::strncmp(n, "xmlns", 5) != 0 || (n[5] != '\0' && n[5] != ':')) {
      if (KeepsLayout()) marks_.Tag(current_);
      current_.remove_attribute(a);
    }
    a = next;
  }
  return true;
}

namespace {
// Compared a byte at a time: most names are one letter, and "x" is among the commonest.
bool IsNamespaceDecl(const char* n) {
  return n[0] == 'x' && n[1] == 'm' && n[2] == 'l' && n[3] == 'n' && n[4] == 's' && (n[5] == '\0' || n[5] == ':');
}
// Names and values are short: a plain loop beats a library call.
inline bool SameText(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}
// Whether two handles name the same node, compared in place (a node handle is its
// node's address).
inline bool SameNode(const pugi::xml_node& a, const pugi::xml_node& b) {
  static_assert(sizeof(pugi::xml_node) == sizeof(void*));
  return std::memcmp(&a, &b, sizeof a) == 0;
}
}  // namespace

bool clsXMLParser::BeginNodeAttrs() {
  if (!HasCurrentNode() || current_.type() != pugi::node_element) return false;
  putNode_ = current_;
  putTagged_ = false;
  PutAt(kzxml::Attr::First(current_));
  return true;
}

void clsXMLParser::EndAttrSequence() {
  putAt_ = kzxml::Attr();
  putName_ = nullptr;
  putNode_ = pugi::xml_node();
  putTagged_ = false;
}

void clsXMLParser::PutAt(kzxml::Attr a) {
  // A null attribute's name is empty: the end of the element's attributes.
  const char* n = a.name();
  while (*n && IsNamespaceDecl(n)) {
    a = a.next();
    n = a.name();
  }
  putAt_ = a;
  putName_ = *n ? n : nullptr;
}

void clsXMLParser::PutNodeAttr(const char* name, const char* value) {
  if (!name || !*name) return;
  if (!value) value = "";
  // The attribute in the same place under the same name, on the element the sequence
  // began on: its value is compared and the sequence goes on to the next.
  if (putName_ && SameNode(current_, putNode_) && SameText(putName_, name)) {
    if (!SameText(putAt_.value(), value)) {
      if (!putTagged_) {
        if (KeepsLayout()) marks_.Tag(current_);
        putTagged_ = true;
      }
      putAt_.Handle().set_value(value);
    }
    PutAt(putAt_.next());
    return;
  }
  if (!HasCurrentNode() || current_.type() != pugi::node_element) return;
  if (!SameNode(current_, putNode_)) {
    // Not the element the sequence began on (or none began): its attributes are not the
    // sequence's to change. The attribute is set on the current element as it stands.
    putAt_ = kzxml::Attr();
    putName_ = nullptr;
    pugi::xml_attribute a = current_.attribute(name);
    if (a && SameText(a.value(), value)) return;
    if (KeepsLayout()) marks_.Tag(current_);
    (a ? a : current_.append_attribute(name)).set_value(value);
    return;
  }
  EndNodeAttrs();  // the rest no longer matches: it goes, the new ones are appended
  if (KeepsLayout()) marks_.Tag(current_);
  current_.append_attribute(name).set_value(value);
}

void clsXMLParser::EndNodeAttrs() {
  for (pugi::xml_attribute a = putAt_.Handle(); a;) {
    pugi::xml_attribute next = a.next_attribute();
    if (!IsNamespaceDecl(a.name())) {
      if (KeepsLayout()) marks_.Tag(current_);
      current_.remove_attribute(a);
    }
    a = next;
  }
  putAt_ = kzxml::Attr();
  putName_ = nullptr;
}

bool clsXMLParser::SetNodeAttrs(const AttrText* attrs, size_t count) {
  if (!HasCurrentNode() || current_.type() != pugi::node_element) return false;
  EndAttrSequence();
  const bool keeps = KeepsLayout();
  bool tagged = false;
  auto tag = [&] {
    if (!tagged && keeps) marks_.Tag(current_);
    tagged = true;
  };
  auto skipDeclarations = [](kzxml::Attr a) {
    while (IsNamespaceDecl(a.name())) a = a.next();
    return a;
  };
  // The attributes in the same places under the same names: their values compared, and
  // set where they differ.
  kzxml::Attr at = skipDeclarations(kzxml::Attr::First(current_));
  size_t i = 0;
  for (; i < count; ++i) {
    const AttrText& t = attrs[i];
    if (!t.name || !*t.name) continue;
    const char* have = at.name();
    if (!*have || !SameText(have, t.name)) break;
    const char* value = t.value ? t.value : "";
    if (!SameText(at.value(), value)) {
      tag();
      at.Handle().set_value(value, t.value ? t.size : 0);
    }
    at = skipDeclarations(at.next());
  }
  // From the first that differs on: the rest go, the new ones are appended.
  for (pugi::xml_attribute a = at.Handle(); a;) {
    pugi::xml_attribute next = a.next_attribute();
    if (!IsNamespaceDecl(a.name())) {
      tag();
      current_.remove_attribute(a);
    }
    a = next;
  }
  for (; i < count; ++i) {
    const AttrText& t = attrs[i];
    if (!t.name || !*t.name) continue;
    tag();
    current_.append_attribute(t.name).set_value(t.value ? t.value : "", t.value ? t.size : 0);
  }
  return true;
}

bool clsXMLParser::AppendNodeAttr(const char* name, const char* value) {
  if (!HasCurrentNode() || current_.type() != pugi::node_element || !name || !*name) return false;
  pugi::xml_attribute a = current_.append_attribute(name);
  if (KeepsLayout()) marks_.Tag(current_);
  return a && a.set_value(value ? value : "");
}

bool clsXMLParser::DeleteNodeAttr(const kz::Variant& key) {
  pugi::xml_attribute a = Attribute(key);
  if (!a) return false;
  EndAttrSequence();
  if (KeepsLayout()) marks_.Tag(current_);
  return current_.remove_attribute(a);
}

bool clsXMLParser::MoveNode(int32_t node, int32_t target, bool asChild) {
  lastError_.clear();
  pugi::xml_node n = Resolve(node);
  pugi::xml_node t = Resolve(target);
  if (!n || !t) {
    lastError_ = "Invalid bookmark.";
    return false;
  }
  if (!n.parent() || !t.parent()) {
    lastError_ = "Node doesn't have parent.";
    return false;
  }
  const pugi::xml_node from = n.parent();
  pugi::xml_node moved =
      asChild ? t.append_move(n) : (n == t ? n : t.parent().insert_move_before(n, t));
  if (moved && moved != t && KeepsLayout()) {
    marks_.Shape(from);
    marks_.Shape(moved.parent());
  }
  if (!moved)
    throw kz::AppError(kz::kErrInvalidArgument, "clsXMLParser",
                       "The node cannot be moved there (into itself or its own subtree).");
  return true;
}

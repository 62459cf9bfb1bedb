#include "core/XMLLayout.h"

#include "core/XMLAttrWalk.h"
#include "core/XMLLayoutText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kzxml {

void EditMarks::Forget(pugi::xml_node gone) {
  if (Empty()) return;
  struct Walker : pugi::xml_tree_walker {
    NodeTable<uint8_t>* table;
    bool for_each(pugi::xml_node& n) override {
      table->Set(n.internal_object(), 0);
      return true;
    }
  } walker;
  walker.table = &table_;
  table_.Set(gone.internal_object(), 0);
  gone.traverse(walker);
}

namespace {

constexpr size_t npos = std::string_view::npos;

using namespace layout;

// The part of a lead after its last line end: the indentation it gives.
std::string IndentOf(std::string_view lead) {
  size_t nl = lead.find_last_of('\n');
  return nl == npos ? std::string() : std::string(lead.substr(nl + 1));
}

struct SinkWriter : pugi::xml_writer {
  Sink& out;
  explicit SinkWriter(Sink& o) : out(o) {}
  void write(const void* data, size_t size) override { out.Put(static_cast<const char*>(data), size); }
};

class Writer {
 public:
  Writer(std::string_view source, const EditMarks& marks, Sink& out) : s_(source), m_(marks), out_(out) {}

  bool Document(const pugi::xml_document& doc) {
    if (m_.Of(doc.internal_object()) & EditMarks::kReshaped) return false;
    Defaults(doc);
    FindBuffer(doc);
    size_t pos = 0;
    for (pugi::xml_node c = doc.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      const uint8_t bits = m_.Of(c);
      if (!(bits & EditMarks::kTouched)) continue;
      const size_t start = StartOf(c);
      if (start == npos || start < pos) return false;
      Copy(pos, start);
      pos = Write(c, start, bits);
    }
    Copy(pos, s_.size());
    return true;
  }

 private:
  void Copy(size_t a, size_t b) {
    if (b > a) out_.Put(s_.data() + a, b - a);
  }
  // Pieces of the source copied one after another are gathered into a run and go out
  // in one piece.
  struct CopyRun {
    Writer& w;
    size_t from, to;
    void Add(size_t a, size_t b) {
      if (a != to) {
        w.Copy(from, to);
        from = a;
      }
      to = b;
    }
    void Flush() {
      w.Copy(from, to);
      from = to;
    }
  };
  size_t Find(char c, size_t from) const {
    if (from >= s_.size()) return s_.size();
    const void* p = std::memchr(s_.data() + from, c, s_.size() - from);
    return p ? static_cast<size_t>(static_cast<const char*>(p) - s_.data()) : s_.size();
  }
  size_t FindText(const char* what, size_t from) const {
    size_t at = s_.find(what, from);
    return at == npos ? s_.size() : at + std::strlen(what);
  }
  bool At(size_t p, const char* what) const { return s_.compare(p, std::strlen(what), what) == 0; }
  // The closing quote of a value: values are short, a plain loop beats a library call.
  size_t QuoteEnd(char q, size_t from) const {
    const char* d = s_.data();
    const size_t n = s_.size();
    while (from < n && d[from] != q) ++from;
    return from;
  }

  // The layout new parts take where no neighbour shows one.
  void Defaults(const pugi::xml_document& doc) {
    size_t nl = s_.find('\n');
    nl_ = nl == npos ? "" : (nl > 0 && s_[nl - 1] == '\r') ? "\r\n" : "\n";
    unit_ = "\t";
    for (size_t p = nl; p != npos && p < s_.size(); p = s_.find('\n', p + 1)) {
      size_t q = p + 1;
      while (q < s_.size() && (s_[q] == ' ' || s_[q] == '\t')) ++q;
      if (q > p + 1 && q < s_.size() && s_[q] == '<') {
        unit_ = std::string(s_.substr(p + 1, q - p - 1));
        break;
      }
    }
    size_t from = 0;
    if (pugi::xml_node root = doc.document_element()) {
      size_t r = StartOf(root);
      if (r != npos) from = r;
    }
    size_t slash = s_.find("/>", from);
    emptyEnd_ = slash != npos && slash > 0 && s_[slash - 1] != ' ' ? "/>" : " />";
    quote_ = '"';
    for (size_t eq = s_.find('=', from); eq != npos; eq = s_.find('=', eq + 1)) {
      size_t q = eq + 1;
      while (q < s_.size() && IsBlank(s_[q])) ++q;
      if (q < s_.size() && (s_[q] == '"' || s_[q] == '\'')) {
        quote_ = s_[q];
        break;
      }
    }
  }

  // Where a node read from the source starts in it; npos for a node made since.
  size_t StartOf(pugi::xml_node n) const {
    if (n.type() != pugi::node_element && (m_.Of(n) & EditMarks::kRetagged)) return npos;  // a new value
    const ptrdiff_t off = n.offset_debug();
    if (off < 0 || static_cast<size_t>(off) > s_.size()) return npos;
    const size_t p = static_cast<size_t>(off);
    auto back = [&](size_t k, const char* lead) { return p >= k && At(p - k, lead) ? p - k : npos; };
    switch (n.type()) {
      case pugi::node_element: return back(1, "<");
      case pugi::node_pi: return back(2, "<?");
      case pugi::node_comment: return back(4, "<!--");
      case pugi::node_cdata: return back(9, "<![CDATA[");
      case pugi::node_pcdata: return p < s_.size() && s_[p] != '<' ? p : npos;
      default: return npos;
    }
  }

  // The same for a node known to be an element.
  size_t StartOfElement(pugi::xml_node n) const {
    const ptrdiff_t off = n.offset_debug();
    if (off < 1 || static_cast<size_t>(off) > s_.size()) return npos;
    const size_t p = static_cast<size_t>(off) - 1;
    return s_[p] == '<' ? p : npos;
  }

  // The end of the start tag at p (after its '>'); empty when it ends in "/>".
  size_t TagEnd(size_t p, bool& empty) const {
    size_t i = p + 1;
    while (i < s_.size()) {
      const char c = s_[i];
      if (c == '"' || c == '\'') {
        i = QuoteEnd(c, i + 1) + 1;
      } else if (c == '>') {
        empty = s_[i - 1] == '/';
        return i + 1;
      } else {
        ++i;
      }
    }
    empty = true;
    return s_.size();
  }

  // The end of the node that starts at p.
  size_t SkipNode(size_t p) const {
    if (p >= s_.size()) return s_.size();
    if (s_[p] != '<') return Find('<', p);
    if (At(p, "<!--")) return FindText("-->", p + 4);
    if (At(p, "<![CDATA[")) return FindText("]]>", p + 9);
    if (At(p, "<?")) return FindText("?>", p + 2);
    if (At(p, "<!")) return SkipDeclaration(p);
    bool empty = false;
    size_t i = TagEnd(p, empty);
    if (empty) return i;
    return ContentEnd(i, true);
  }

  // A <!...> declaration (with an internal subset in brackets).
  size_t SkipDeclaration(size_t p) const {
    int brackets = 0;
    for (size_t i = p + 2; i < s_.size(); ++i) {
      const char c = s_[i];
      if (c == '"' || c == '\'') {
        i = Find(c, i + 1);
      } else if (c == '[') {
        ++brackets;
      } else if (c == ']') {
        --brackets;
      } else if (c == '>' && brackets <= 0) {
        return i + 1;
      }
    }
    return s_.size();
  }

  // From p inside an element's content: where its end tag starts, or (pastEnd) where it ends.
  size_t ContentEnd(size_t p, bool pastEnd) const {
    size_t i = p;
    int depth = 0;
    while (true) {
      i = Find('<', i);
      if (i + 1 >= s_.size()) return s_.size();
      const char c = s_[i + 1];
      if (c == '/') {
        if (depth == 0 && !pastEnd) return i;
        i = Find('>', i) + 1;
        if (depth == 0) return i;
        --depth;
      } else if (c == '!' || c == '?') {
        i = SkipNode(i);
      } else {
        bool empty = false;
        i = TagEnd(i, empty);
        if (!empty) ++depth;
      }
    }
  }

  // The white space before a node at `start` that stands on its own (after a tag, not
  // the tail of a text).
  size_t LeadStart(size_t start, size_t floor) const {
    size_t i = start;
    while (i > floor && IsBlank(s_[i - 1])) --i;
    if (i == start) return start;
    return (i == floor || s_[i - 1] == '>') ? i : start;
  }
  std::string_view Lead(size_t start) const {
    size_t ls = LeadStart(start, 0);
    return s_.substr(ls, start - ls);
  }

  // The quote of the first attribute of the start tag at [p, end); 0 without one.
  char QuoteOf(size_t p, size_t end) const {
    for (size_t i = p; i < end; ++i)
      if (s_[i] == '"' || s_[i] == '\'') return s_[i];
    return 0;
  }
  // The quote of the children of n: that of the first child read with an attribute,
  // else the document's.
  char QuoteAmong(pugi::xml_node n) const {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      size_t start = StartOf(c);
      if (start == npos) continue;
      bool empty = false;
      if (char q = QuoteOf(start, TagEnd(start, empty))) return q;
    }
    return quote_;
  }
  std::string Derived(const std::string& indent) const { return nl_.empty() ? std::string() : nl_ + indent + unit_; }

  static bool HasText(pugi::xml_node n) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
      if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) return true;
    return false;
  }

  // An attribute of a start tag in the source.
  struct SourceAttr {
    size_t lead, name, nameEnd, value, valueEnd, end;
    char quote;
  };

  // Whether the name of an attribute of the source is `name`.
  bool NameIs(const SourceAttr& sa, const char* name) const {
    const char* d = s_.data() + sa.name;
    const size_t len = sa.nameEnd - sa.name;
    size_t k = 0;
    while (k < len && d[k] == name[k] && name[k]) ++k;
    return k == len && name[len] == '\0';
  }
  // Whether the value of an attribute of the source, as it stands, reads as `value`:
  // then its bytes can be copied.
  bool KeptAsItStands(const SourceAttr& sa, const char* value) const {
    const char* d = s_.data() + sa.value;
    const size_t len = sa.valueEnd - sa.value;
    size_t k = 0;
    while (k < len && d[k] == value[k] && !kReadChanges.of[static_cast<unsigned char>(d[k])]) ++k;
    return k == len && value[len] == '\0';
  }

  // A start tag of the source as read: its attributes (in attrs_), the end of its name,
  // where what follows its last attribute begins, its end (after '>'), and whether it
  // ends in "/>".
  struct StartTag {
    size_t nameEnd = 0, tail = 0, end = 0;
    bool empty = false;
  };

  // Reads the start tag at `start` in one pass, no further than `bound`; false when it
  // does not end there as a tag read ends (then what was read is up to `bound`).
  bool ReadStartTag(size_t start, size_t bound, StartTag& t) {
    const char* d = s_.data();
    size_t i = start + 1;
    while (i < bound && !IsBlank(d[i]) && d[i] != '/' && d[i] != '>') ++i;
    t.nameEnd = t.tail = i;
    attrs_.clear();
    while (i < bound) {
      t.tail = i;
      while (i < bound && IsBlank(d[i])) ++i;
      if (i >= bound) break;
      if (d[i] == '>') {
        t.end = i + 1;
        t.empty = false;
        return true;
      }
      if (d[i] == '/') {
        if (i + 1 >= bound || d[i + 1] != '>') break;
        t.end = i + 2;
        t.empty = true;
        return true;
      }
      SourceAttr a;
      a.lead = t.tail;
      a.name = i;
      while (i < bound && d[i] != '=' && d[i] != '>' && !IsBlank(d[i])) ++i;
      a.nameEnd = i;
      while (i < bound && d[i] != '"' && d[i] != '\'' && d[i] != '>') ++i;
      if (i >= bound || d[i] == '>') break;
      a.quote = d[i];
      a.value = i + 1;
      a.valueEnd = QuoteEnd(a.quote, a.value);
      if (a.valueEnd >= bound) break;
      a.end = a.valueEnd + 1;
      i = a.end;
      t.tail = i;
      attrs_.push_back(a);
    }
    return false;
  }
  // The same for any start tag: one that does not end as read is taken up to where the
  // text shows its end.
  StartTag ReadStartTag(size_t start) {
    StartTag t;
    if (ReadStartTag(start, s_.size(), t)) return t;
    bool empty = false;
    const size_t end = TagEnd(start, empty);
    ReadStartTag(start, end, t);
    t.end = end;
    t.empty = empty;
    return t;
  }

  // The start tag of an element whose attributes changed (read into `t`), formed in one
  // pass over its attributes: the attributes it kept go out as they stand (while their
  // value is the same), those kept one after another in one piece; a changed value goes
  // in its own quotes, an added attribute after the last, in its spacing and quotes.
  void FormStartTag(pugi::xml_node n, size_t start, const StartTag& t, bool open) {
    const std::vector<SourceAttr>& attrs = attrs_;
    const size_t nameEnd = t.nameEnd, tail = t.tail, tagEnd = t.end;
    const bool wasEmpty = t.empty;
    const size_t count = attrs.size();
    char quote = 0;  // of an added attribute, found when the first comes
    // What is copied from the source is gathered into a run: attributes kept one after
    // another go out in one piece.
    CopyRun copied{*this, start, nameEnd};
    auto run = [&](size_t a, size_t b) { copied.Add(a, b); };
    auto flush = [&] { copied.Flush(); };
    size_t index = 0;
    // An attribute without a name, which no text can hold, is left out.
    for (Attr a = Attr::First(n); a; a = a.next(), ++index) {
      const char* name = a.name();
      if (!*name) continue;
      // Mostly the attribute stands where it stood.
      const SourceAttr* was = nullptr;
      if (index < count && NameIs(attrs[index], name)) {
        was = &attrs[index];
      } else {
        for (const SourceAttr& sa : attrs)
          if (NameIs(sa, name)) {
            was = &sa;
            break;
          }
      }
      const char* value = a.value();
      if (was) {
        if (KeptAsItStands(*was, value)) {
          run(was->lead, was->end);
        } else {
          run(was->lead, was->value);
          flush();
          out_.PutEscaped(value, was->quote);
          out_.Put(was->quote);
        }
        continue;
      }
      if (!quote) quote = count ? attrs.front().quote : QuoteAmong(n.parent());
      if (count) {
        run(attrs.back().lead, attrs.back().name);
        flush();
      } else {
        flush();
        out_.Put(' ');
      }
      out_.Put(std::string_view(name));
      out_.Put('=');
      out_.Put(quote);
      out_.PutEscaped(value, quote);
      out_.Put(quote);
    }
    if (wasEmpty && open) {
      flush();
      out_.Put('>');
    } else {
      run(tail, tagEnd);
      flush();
    }
  }

  // Where the document's own copy of the source lies: a name read from the source points
  // into it, at the place it was read from (the library reads names where they stand).
  // Left at 0 when the root shows no such place.
  void FindBuffer(const pugi::xml_document& doc) {
    buffer_ = 0;
    const pugi::xml_node root = doc.document_element();
    const ptrdiff_t off = root ? root.offset_debug() : -1;
    if (off < 1 || static_cast<size_t>(off) >= s_.size()) return;
    const char* name = root.name();
    const size_t len = std::strlen(name);
    if (s_.compare(static_cast<size_t>(off), len, name) != 0) return;
    buffer_ = reinterpret_cast<uintptr_t>(name) - static_cast<uintptr_t>(off);
  }
  // Where in the source a name read from it stands; npos for a name made since.
  size_t PlaceOf(const char* name) const noexcept {
    const uintptr_t p = reinterpret_cast<uintptr_t>(name);
    if (!buffer_ || p < buffer_ || p - buffer_ >= s_.size()) return npos;
    return static_cast<size_t>(p - buffer_);
  }
  // Whether the source at p holds `name` as the name of an attribute (followed by '=' or
  // a blank); its end there.
  size_t NameAt(size_t p, const char* name) const noexcept {
    const char* d = s_.data();
    const size_t n = s_.size();
    while (p < n && *name && d[p] == *name) ++p, ++name;
    return !*name && p < n && (d[p] == '=' || IsBlank(d[p])) ? p : npos;
  }

  // The start tag of an element whose attributes changed, formed by finding each of its
  // attributes where it was read (no reading of the tag as a whole): attributes still in
  // the order and places of the source, with their values kept or changed, and any
  // added after them. False (with part of the tag put) for any other tag: the caller
  // takes it back and forms the tag from the source's own reading of it. Its output is
  // that of FormStartTag.
  bool FormStartTagInPlace(pugi::xml_node n, size_t start, bool reshaped, size_t& tagEnd, bool& empty,
                           bool& open) {
    if (!buffer_) return false;
    const char* d = s_.data();
    const size_t size = s_.size();
    size_t nameEnd = start + 1;
    while (nameEnd < size && !IsBlank(d[nameEnd]) && d[nameEnd] != '/' && d[nameEnd] != '>') ++nameEnd;
    // `expect` is where the next attribute read from the source begins (with its lead).
    size_t expect = nameEnd, lastLead = npos, lastName = 0;
    char firstQuote = 0;
    bool tagKnown = false;
    size_t tail = 0;
    // The end of the tag from where its attributes end: blanks, then ">" or "/>".
    auto closeTag = [&]() {
      size_t i = expect;
      while (i < size && IsBlank(d[i])) ++i;
      if (i < size && d[i] == '>') {
        empty = false;
        tagEnd = i + 1;
      } else if (i + 1 < size && d[i] == '/' && d[i + 1] == '>') {
        empty = true;
        tagEnd = i + 2;
      } else {
        return false;
      }
      tail = expect;
      tagKnown = true;
      return true;
    };
    CopyRun copied{*this, start, nameEnd};
    auto run = [&](size_t a, size_t b) { copied.Add(a, b); };
    auto flush = [&] { copied.Flush(); };
    for (Attr a = Attr::First(n); a; a = a.next()) {
      const char* name = a.name();
      if (!*name) continue;
      const size_t p = PlaceOf(name);
      if (p != npos) {
        if (tagKnown) return false;  // read from the source, yet after one added
        // Read from the source: it must stand right after the one before.
        if (p <= expect || !IsBlank(d[p - 1])) return false;
        size_t lead = p;
        while (lead > expect && IsBlank(d[lead - 1])) --lead;
        if (lead != expect) return false;
        size_t i = NameAt(p, name);
        if (i == npos) return false;
        while (i < size && d[i] != '"' && d[i] != '\'' && d[i] != '>') ++i;
        if (i >= size || d[i] == '>') return false;
        const char q = d[i];
        const size_t v = i + 1;
        // The value as it stands, compared as far as it reads as the value.
        const char* value = a.value();
        size_t k = v;
        while (k < size && d[k] != q && *value == d[k] && !kReadChanges.of[static_cast<unsigned char>(d[k])])
          ++k, ++value;
        const bool kept = k < size && d[k] == q && !*value;
        const size_t valueEnd = kept ? k : QuoteEnd(q, k);
        if (valueEnd >= size) return false;
        if (kept) {
          run(lead, valueEnd + 1);
        } else {
          run(lead, v);
          flush();
          out_.PutEscaped(a.value(), q);
          out_.Put(q);
        }
        if (!firstQuote) firstQuote = q;
        lastLead = lead;
        lastName = p;
        expect = valueEnd + 1;
        continue;
      }
      // Added: the attributes read from the source are all there, each in its place,
      // and this one goes after the last of them, in its spacing and the first's quotes.
      if (!tagKnown && (lastLead == npos || !closeTag())) return false;
      run(lastLead, lastName);
      flush();
      out_.Put(std::string_view(name));
      out_.Put('=');
      out_.Put(firstQuote);
      out_.PutEscaped(a.value(), firstQuote);
      out_.Put(firstQuote);
    }
    // (An element whose attributes were all taken away shows an attribute where its tag
    // should end: it is left to the source's reading.)
    if (!tagKnown && !closeTag()) return false;
    open = !empty || (reshaped && n.first_child());
    if (empty && open) {
      flush();
      out_.Put('>');
    } else {
      run(tail, tagEnd);
      flush();
    }
    return true;
  }
  // An element read from the source at `start`, with whatever changed in it; its end.
  size_t Write(pugi::xml_node n, size_t start) {
    return Write(n, start, n.type() == pugi::node_element ? m_.Of(n) : 0);
  }
  // The same with the node's marks known.
  size_t Write(pugi::xml_node n, size_t start, uint8_t bits) {
    if (!(bits & EditMarks::kTouched)) {
      const size_t end = SkipNode(start);
      Copy(start, end);
      return end;
    }
    const bool reshaped = (bits & EditMarks::kReshaped) != 0;
    bool empty = false, open = false;
    size_t tagEnd;
    if (bits & EditMarks::kRetagged) {
      const size_t at = out_.Here();
      if (!FormStartTagInPlace(n, start, reshaped, tagEnd, empty, open)) {
        out_.Back(at);
        // Read as it is formed: its attributes are gone through once.
        const StartTag t = ReadStartTag(start);
        tagEnd = t.end;
        empty = t.empty;
        open = !empty || (reshaped && n.first_child());
        FormStartTag(n, start, t, open);
      }
    } else {
      tagEnd = TagEnd(start, empty);
      open = !empty || (reshaped && n.first_child());
      if (empty && open) {
        size_t e = tagEnd - 2;  // before "/>"
        while (e > start && IsBlank(s_[e - 1])) --e;
        Copy(start, e);
        out_.Put('>');
      } else {
        Copy(start, tagEnd);
      }
    }
    if (!open) return tagEnd;
    if (empty) {
      // It had no content: all of it is new.
      Content(n, IndentOf(Lead(start)), tagEnd, npos);
      PutEndTag(n);
      return tagEnd;
    }
    const size_t closeStart = reshaped ? ContentEnd(tagEnd, false) : npos;
    size_t pos = tagEnd;
    if (!reshaped) {
      // A null node's type is node_null: the end of the children.
      pugi::xml_node_type type;
      for (pugi::xml_node c = n.first_child(); (type = c.type()) != pugi::node_null; c = c.next_sibling()) {
        if (type != pugi::node_element) continue;
        const uint8_t childBits = m_.Of(c);
        if (!(childBits & EditMarks::kTouched)) continue;
        const size_t cs = StartOfElement(c);
        if (cs == npos || cs < pos) continue;  // cannot be: a new child reshapes its parent
        Copy(pos, cs);
        pos = Write(c, cs, childBits);
      }
      const size_t close = ContentEnd(pos, false);
      Copy(pos, close);
      pos = close;
    } else {
      Content(n, IndentOf(Lead(start)), tagEnd, closeStart);
      pos = closeStart;
    }
    const size_t end = Find('>', pos) + 1;
    Copy(pos, end);
    return end;
  }

  // The children of an element whose children changed, each after its lead, then the
  // white space before its end tag. `closeStart` is npos for an element without content
  // in the source (new, or empty there).
  void Content(pugi::xml_node n, const std::string& indent, size_t tagEnd, size_t closeStart) {
    const bool text = HasText(n);
    char quote = 0;  // of the new children, found when the first comes
    std::string lead;
    bool haveLead = false, formedLead = false, anyElement = false;
    // White space after a text would become part of it.
    bool afterText = false;
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      if (c.type() == pugi::node_element) anyElement = true;
      const bool wasText = afterText;
      afterText = c.type() == pugi::node_pcdata;
      const size_t cs = StartOf(c);
      if (cs != npos) {
        lead.assign(Lead(cs));
        haveLead = true;
        if (!wasText) out_.Put(lead);
        Write(c, cs);
        continue;
      }
      if (!haveLead) {
        // The first original child after this one shows the lead; else it is derived.
        for (pugi::xml_node d = c.next_sibling(); d && !haveLead; d = d.next_sibling()) {
          const size_t ds = StartOf(d);
          if (ds == npos) continue;
          lead.assign(Lead(ds));
          haveLead = true;
        }
        if (!haveLead) {
          lead = Derived(indent);
          haveLead = true;
          formedLead = true;
        }
      }
      if (!text) out_.Put(lead);
      if (!quote) quote = QuoteAmong(n);
      Form(c, IndentOf(lead), quote);
    }
    if (afterText) return;
    std::string_view trail;
    if (closeStart != npos) {
      const size_t ts = LeadStart(closeStart, tagEnd);
      trail = s_.substr(ts, closeStart - ts);
    }
    if (trail.empty() && formedLead && anyElement && !text && !nl_.empty()) {
      out_.Put(nl_);
      out_.Put(indent);
    } else {
      out_.Put(trail);
    }
  }

  void PutEndTag(pugi::xml_node n) {
    out_.Put("</", 2);
    out_.Put(std::string_view(n.name()));
    out_.Put('>');
  }

  // A node made since the load, in the layout of its neighbours.
  void Form(pugi::xml_node n, const std::string& indent, char quote) {
    switch (n.type()) {
      case pugi::node_element: {
        out_.Put('<');
        out_.Put(std::string_view(n.name()));
        for (Attr a = Attr::First(n); a; a = a.next()) {
          out_.Put(' ');
          out_.Put(std::string_view(a.name()));
          out_.Put('=');
          out_.Put(quote);
          out_.PutEscaped(a.value(), quote);
          out_.Put(quote);
        }
        if (!n.first_child()) {
          out_.Put(emptyEnd_);
          return;
        }
        out_.Put('>');
        Content(n, indent, 0, npos);
        PutEndTag(n);
        return;
      }
      case pugi::node_pcdata: out_.PutEscaped(n.value(), false, 0); return;
      case pugi::node_cdata:
        out_.Put("<![CDATA[", 9);
        out_.Put(std::string_view(n.value()));
        out_.Put("]]>", 3);
        return;
      default: {
        SinkWriter w(out_);
        n.print(w, "", pugi::format_raw, pugi::encoding_utf8);
        return;
      }
    }
  }

  std::string_view s_;
  const EditMarks& m_;
  Sink& out_;
  std::string nl_, unit_, emptyEnd_;
  char quote_ = '"';
  std::vector<SourceAttr> attrs_;  // the start tag FormStartTag reads
  uintptr_t buffer_ = 0;           // see FindBuffer
};

}  // namespace

bool WriteKeepingLayout(const pugi::xml_document& doc, std::string_view source, const EditMarks& marks,
                        std::string& out) {
  Sink sink(out, source.size() + source.size() / 16);
  Writer w(source, marks, sink);
  if (w.Document(doc)) {
    sink.Done();
    return true;
  }
  sink.Undo();
  return false;
}

}  // namespace kzxml

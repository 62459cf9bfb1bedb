#include "core/XMLLayout.h"

#include <algorithm>
#include <cstdio>
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

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Characters XML cannot carry as they are, written as references.
void AppendEscaped(std::string& out, const char* t, bool attribute, char quote) {
  const char* run = t;
  for (; *t; ++t) {
    const unsigned char c = static_cast<unsigned char>(*t);
    const char* rep = nullptr;
    char num[12];
    switch (c) {
      case '&': rep = "&amp;"; break;
      case '<': rep = "&lt;"; break;
      case '>': rep = "&gt;"; break;
      case '"': rep = attribute && quote == '"' ? "&quot;" : nullptr; break;
      case '\'': rep = attribute && quote == '\'' ? "&apos;" : nullptr; break;
      case '\r': rep = "&#13;"; break;
      case '\n': rep = attribute ? "&#10;" : nullptr; break;
      case '\t': rep = attribute ? "&#9;" : nullptr; break;
      default:
        if (c < 0x20) {
          std::snprintf(num, sizeof num, "&#%u;", c);
          rep = num;
        }
        break;
    }
    if (rep) {
      out.append(run, static_cast<size_t>(t - run));
      out.append(rep);
      run = t + 1;
    }
  }
  out.append(run, static_cast<size_t>(t - run));
}

// The part of a lead after its last line end: the indentation it gives.
std::string IndentOf(std::string_view lead) {
  size_t nl = lead.find_last_of('\n');
  return nl == npos ? std::string() : std::string(lead.substr(nl + 1));
}

struct AppendWriter : pugi::xml_writer {
  std::string& out;
  explicit AppendWriter(std::string& o) : out(o) {}
  void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

class Writer {
 public:
  Writer(std::string_view source, const EditMarks& marks, std::string& out) : s_(source), m_(marks), out_(out) {}

  bool Document(const pugi::xml_document& doc) {
    if (m_.Of(doc.internal_object()) & EditMarks::kReshaped) return false;
    Defaults(doc);
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
    if (b > a) out_.append(s_.data() + a, b - a);
  }
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

  // The start tag of an element whose attributes changed: the attributes it kept as they
  // stand (while their value is the same), the others in its own quotes.
  void FormStartTag(pugi::xml_node n, size_t start, size_t tagEnd, bool wasEmpty, bool open) {
    size_t i = start + 1;
    while (i < tagEnd && !IsBlank(s_[i]) && s_[i] != '/' && s_[i] != '>') ++i;
    const size_t nameEnd = i;
    std::vector<SourceAttr>& attrs = attrs_;
    attrs.clear();
    size_t tail = i;
    while (i < tagEnd) {
      tail = i;
      while (i < tagEnd && IsBlank(s_[i])) ++i;
      if (i >= tagEnd || s_[i] == '/' || s_[i] == '>') break;
      SourceAttr a{};
      a.lead = tail;
      a.name = i;
      while (i < tagEnd && s_[i] != '=' && !IsBlank(s_[i])) ++i;
      a.nameEnd = i;
      while (i < tagEnd && s_[i] != '"' && s_[i] != '\'') ++i;
      if (i >= tagEnd) break;
      a.quote = s_[i];
      a.value = i + 1;
      a.valueEnd = QuoteEnd(a.quote, a.value);
      a.end = a.valueEnd + 1;
      i = a.end;
      tail = i;
      attrs.push_back(a);
    }
    const char quote = !attrs.empty() ? attrs.front().quote : QuoteAmong(n.parent());
    // What is copied from the source is gathered into runs: attributes kept one after
    // another go out in one piece.
    size_t runFrom = start, runTo = nameEnd;
    auto run = [&](size_t a, size_t b) {
      if (a != runTo) {
        Copy(runFrom, runTo);
        runFrom = a;
      }
      runTo = b;
    };
    auto flush = [&] {
      Copy(runFrom, runTo);
      runFrom = runTo;
    };
    size_t index = 0;
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
      const char* name = a.name();
      const char* value = a.value();
      const size_t nameLen = std::strlen(name);
      // Mostly the attribute stands where it stood.
      auto same = [&](const SourceAttr& sa) {
        return sa.nameEnd - sa.name == nameLen && std::memcmp(s_.data() + sa.name, name, nameLen) == 0;
      };
      const SourceAttr* was = nullptr;
      if (index < attrs.size() && same(attrs[index])) {
        was = &attrs[index];
      } else {
        for (const SourceAttr& sa : attrs)
          if (same(sa)) {
            was = &sa;
            break;
          }
      }
      ++index;
      if (was) {
        const size_t rawLen = was->valueEnd - was->value;
        const char* raw = s_.data() + was->value;
        if (std::strncmp(raw, value, rawLen) == 0 && value[rawLen] == '\0' && !NeedsReference(raw, rawLen)) {
          run(was->lead, was->end);
        } else {
          run(was->lead, was->value);
          flush();
          AppendEscaped(out_, value, true, was->quote);
          out_.push_back(was->quote);
        }
        continue;
      }
      if (attrs.empty()) {
        flush();
        out_.push_back(' ');
      } else {
        run(attrs.back().lead, attrs.back().name);
        flush();
      }
      out_.append(name, nameLen);
      out_.push_back('=');
      out_.push_back(quote);
      AppendEscaped(out_, value, true, quote);
      out_.push_back(quote);
    }
    if (wasEmpty && open) {
      flush();
      out_.push_back('>');
    } else {
      run(tail, tagEnd);
      flush();
    }
  }

  // Whether a value read holds what reading changed (a reference, or white space that
  // reading turns into blanks): such a value is written anew, not copied.
  static bool NeedsReference(const char* raw, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      const char c = raw[i];
      if (c == '&' || c == '\t' || c == '\r' || c == '\n') return true;
    }
    return false;
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
    bool empty = false;
    const size_t tagEnd = TagEnd(start, empty);
    const bool reshaped = (bits & EditMarks::kReshaped) != 0;
    const bool open = !empty || (reshaped && n.first_child());
    if (bits & EditMarks::kRetagged) {
      FormStartTag(n, start, tagEnd, empty, open);
    } else if (empty && open) {
      size_t e = tagEnd - 2;  // before "/>"
      while (e > start && IsBlank(s_[e - 1])) --e;
      Copy(start, e);
      out_.push_back('>');
    } else {
      Copy(start, tagEnd);
    }
    if (!open) return tagEnd;
    if (empty) {
      // It had no content: all of it is new.
      Content(n, IndentOf(Lead(start)), tagEnd, npos);
      out_.append("</").append(n.name()).push_back('>');
      return tagEnd;
    }
    const size_t closeStart = reshaped ? ContentEnd(tagEnd, false) : npos;
    size_t pos = tagEnd;
    if (!reshaped) {
      for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        const uint8_t childBits = m_.Of(c);
        if (!(childBits & EditMarks::kTouched)) continue;
        const size_t cs = StartOf(c);
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
        if (!wasText) out_.append(lead);
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
      if (!text) out_.append(lead);
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
      out_.append(nl_).append(indent);
    } else {
      out_.append(trail);
    }
  }

  // A node made since the load, in the layout of its neighbours.
  void Form(pugi::xml_node n, const std::string& indent, char quote) {
    switch (n.type()) {
      case pugi::node_element: {
        out_.push_back('<');
        out_.append(n.name());
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
          out_.push_back(' ');
          out_.append(a.name());
          out_.push_back('=');
          out_.push_back(quote);
          AppendEscaped(out_, a.value(), true, quote);
          out_.push_back(quote);
        }
        if (!n.first_child()) {
          out_.append(emptyEnd_);
          return;
        }
        out_.push_back('>');
        Content(n, indent, 0, npos);
        out_.append("</").append(n.name()).push_back('>');
        return;
      }
      case pugi::node_pcdata: AppendEscaped(out_, n.value(), false, 0); return;
      case pugi::node_cdata: out_.append("<![CDATA[").append(n.value()).append("]]>"); return;
      default: {
        AppendWriter w(out_);
        n.print(w, "", pugi::format_raw, pugi::encoding_utf8);
        return;
      }
    }
  }

  std::string_view s_;
  const EditMarks& m_;
  std::string& out_;
  std::string nl_, unit_, emptyEnd_;
  char quote_ = '"';
  std::vector<SourceAttr> attrs_;  // the start tag FormStartTag reads
};

}  // namespace

bool WriteKeepingLayout(const pugi::xml_document& doc, std::string_view source, const EditMarks& marks,
                        std::string& out) {
  const size_t before = out.size();
  Writer w(source, marks, out);
  if (w.Document(doc)) return true;
  out.resize(before);
  return false;
}

}  // namespace kzxml

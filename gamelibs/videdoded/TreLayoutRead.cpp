// The layout of a text resource file that the XML parser read (the direct reader gave
// it up: it holds other elements, CDATA, a document type, mixed content and the like):
// a plain walk over the file's text finds where the root, its pages and their strings
// stand, and the document keeps it when it finds exactly what the parser built.
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "TreModel.h"
#include "TxtDocument.h"

namespace videdoded {

namespace {

inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
inline bool IsNameChar(char c) { return !IsSpace(c) && c != '>' && c != '/' && c != '=' && c != '<' && c; }

struct FoundString {
  TreStringSpan span;
  TreValueSpan id;
};

struct FoundPage {
  uint32_t lead = 0, begin = 0, tagEnd = 0, end = 0;
  TreValueSpan id, title, descr, voice;
  std::vector<FoundString> strings;
};

class Walk {
 public:
  explicit Walk(std::string_view t) : t_(t) {}

  bool Run() {
    // What is open: 0 another element, 1 the root, 2 a page, 3 a string.
    std::vector<uint8_t> open;
    bool rootDone = false;
    size_t p = 0;
    for (;;) {
      const size_t lt = t_.find('<', p);
      if (lt == std::string_view::npos) break;
      p = lt;
      if (At(p, "<!--")) {
        if (!Past(p, 4, "-->")) return false;
      } else if (At(p, "<![CDATA[")) {
        if (!Past(p, 9, "]]>")) return false;
      } else if (At(p, "<?")) {
        if (!Past(p, 2, "?>")) return false;
      } else if (At(p, "<!")) {
        if (!Declaration(p)) return false;
      } else if (At(p, "</")) {
        const size_t close = t_.find('>', p);
        if (close == std::string_view::npos || open.empty()) return false;
        p = close + 1;
        const uint8_t kind = open.back();
        open.pop_back();
        if (!Closed(kind, p, rootDone)) return false;
      } else {
        const uint32_t begin = static_cast<uint32_t>(p);
        size_t i = p + 1;
        while (i < t_.size() && IsNameChar(t_[i])) ++i;
        const std::string_view name = t_.substr(p + 1, i - p - 1);
        uint8_t kind = 0;
        if (open.empty()) {
          if (rootDone || name != "language") return false;
          kind = 1;
        } else if (open.back() == 1 && name == "page") {
          kind = 2;
        } else if (open.back() == 2 && name == "t") {
          kind = 3;
        }
        TreValueSpan id, title, descr, voice;
        bool empty = false;
        if (!Attributes(i, kind, id, title, descr, voice, empty)) return false;
        p = i;
        const uint32_t tagEnd = static_cast<uint32_t>(p);
        if (kind == 1) {
          langId_ = id;
          langTagEnd_ = tagEnd;
          langEmpty_ = empty;
          lastEnd_ = tagEnd;
        } else if (kind == 2) {
          FoundPage fp;
          fp.lead = lastEnd_;
          fp.begin = begin;
          fp.tagEnd = tagEnd;
          fp.id = id;
          fp.title = title;
          fp.descr = descr;
          fp.voice = voice;
          pages.push_back(std::move(fp));
        } else if (kind == 3) {
          FoundString fs;
          fs.span.begin = begin;
          fs.span.tagEnd = tagEnd;
          fs.id = id;
          pages.back().strings.push_back(fs);
        }
        if (empty) {
          if (!Closed(kind, p, rootDone)) return false;
        } else {
          open.push_back(kind);
        }
      }
    }
    return rootDone && open.empty();
  }

  std::vector<FoundPage> pages;
  TreValueSpan langId_;
  uint32_t langTagEnd_ = 0, tail_ = 0;
  bool langEmpty_ = false;

 private:
  bool At(size_t p, const char* s) const { return t_.compare(p, std::strlen(s), s) == 0; }

  bool Past(size_t& p, size_t skip, const char* close) const {
    const size_t at = t_.find(close, p + skip);
    if (at == std::string_view::npos) return false;
    p = at + std::strlen(close);
    return true;
  }

  // A document type (with its internal subset) or another declaration, ended where the
  // XML parser ends it: at the first ">" outside quotes, comments and processing
  // instructions that closes no declaration nested in it ("<!ENTITY ...>" and the like).
  // A "[" alone does not hold it open. Other markup inside makes the walk give up.
  bool Declaration(size_t& p) const {
    int depth = 0;
    size_t i = p + 2;
    while (i < t_.size()) {
      const char c = t_[i];
      if (At(i, "<![")) {
        if (!Ignored(i)) return false;
      } else if (At(i, "<!--")) {
        if (!Past(i, 4, "-->")) return false;
      } else if (At(i, "<!")) {
        i += 2;
        ++depth;
      } else if (At(i, "<?")) {
        if (!Past(i, 2, "?>")) return false;
      } else if (c == '<') {
        return false;
      } else if (c == '"' || c == '\'') {
        const size_t close = t_.find(c, i + 1);
        if (close == std::string_view::npos) return false;
        i = close + 1;
      } else if (c == '>') {
        ++i;
        if (depth == 0) {
          p = i;
          return true;
        }
        --depth;
      } else {
        ++i;
      }
    }
    return false;
  }

  // A conditional section of a subset ("<![" ... "]]>", nested ones within).
  bool Ignored(size_t& i) const {
    int depth = 0;
    for (i += 3; i < t_.size();) {
      if (At(i, "<![")) {
        i += 3;
        ++depth;
      } else if (At(i, "]]>")) {
        i += 3;
        if (depth-- == 0) return true;
      } else {
        ++i;
      }
    }
    return false;
  }

  bool Attributes(size_t& i, uint8_t kind, TreValueSpan& id, TreValueSpan& title, TreValueSpan& descr,
                  TreValueSpan& voice, bool& empty) const {
    for (;;) {
      while (i < t_.size() && IsSpace(t_[i])) ++i;
      if (i >= t_.size()) return false;
      if (t_[i] == '>') {
        ++i;
        return true;
      }
      if (t_[i] == '/') {
        if (i + 1 >= t_.size() || t_[i + 1] != '>') return false;
        i += 2;
        empty = true;
        return true;
      }
      const size_t n = i;
      while (i < t_.size() && IsNameChar(t_[i])) ++i;
      const std::string_view name = t_.substr(n, i - n);
      if (name.empty()) return false;
      while (i < t_.size() && IsSpace(t_[i])) ++i;
      if (i >= t_.size() || t_[i] != '=') return false;
      ++i;
      while (i < t_.size() && IsSpace(t_[i])) ++i;
      if (i >= t_.size() || (t_[i] != '"' && t_[i] != '\'')) return false;
      const char quote = t_[i++];
      const size_t v = i;
      const size_t close = t_.find(quote, i);
      if (close == std::string_view::npos) return false;
      i = close + 1;
      TreValueSpan* slot = nullptr;
      if (name == "id" && kind) slot = &id;
      if (kind == 2) {
        if (name == "title") slot = &title;
        if (name == "descr") slot = &descr;
        if (name == "voice") slot = &voice;
      }
      if (slot && !slot->found) *slot = {static_cast<uint32_t>(v), static_cast<uint32_t>(close), true};
    }
  }

  bool Closed(uint8_t kind, size_t p, bool& rootDone) {
    const uint32_t end = static_cast<uint32_t>(p);
    if (kind == 1) {
      rootDone = true;
      tail_ = lastEnd_;
    } else if (kind == 2) {
      pages.back().end = end;
      lastEnd_ = end;
    } else if (kind == 3) {
      pages.back().strings.back().span.end = end;
    }
    return true;
  }

  std::string_view t_;
  uint32_t lastEnd_ = 0;
};

bool IdAt(std::string_view t, const TreValueSpan& v, int32_t want) {
  int32_t got = 0;
  return v.found && TxtDocument::ParseLong(t.data() + v.begin, v.end - v.begin, got) && got == want;
}

}  // namespace

bool NoteLayout(std::shared_ptr<TreSource> source, TreDocument& doc) {
  const std::string_view t = source->text;
  if (t.size() >= 0xFFFFFFFFu) return false;
  Walk walk(t);
  if (!walk.Run() || walk.pages.size() != doc.pages.size() || !IdAt(t, walk.langId_, doc.lang)) return false;
  for (size_t i = 0; i < doc.pages.size(); ++i) {
    const TrePage& p = *doc.pages[i];
    const FoundPage& fp = walk.pages[i];
    if (fp.strings.size() != p.strings.size() || !IdAt(t, fp.id, p.id)) return false;
    for (size_t k = 0; k < p.strings.size(); ++k) {
      // The strings as read lie one after the other in their block.
      if (!IdAt(t, fp.strings[k].id, p.strings[k]->id) || p.strings[k].get() != p.strings[0].get() + k) return false;
    }
  }
  source->lang = doc.lang;
  source->langId = walk.langId_;
  source->langTagEnd = walk.langTagEnd_;
  source->langEmpty = walk.langEmpty_;
  source->tail = walk.tail_;
  for (size_t i = 0; i < doc.pages.size(); ++i) {
    TrePage& p = *doc.pages[i];
    const FoundPage& fp = walk.pages[i];
    auto l = std::make_unique<TrePageLayout>();
    l->source = source.get();
    l->lead = fp.lead;
    l->begin = fp.begin;
    l->tagEnd = fp.tagEnd;
    l->end = fp.end;
    l->id = fp.id;
    l->title = fp.title;
    l->descr = fp.descr;
    l->voice = fp.voice;
    l->origId = p.id;
    l->origVoice = p.voice;
    l->origTitle = p.title;
    l->origDesc = p.desc;
    if (!p.strings.empty()) {
      l->first = p.strings.front();
      size_t size = 0;
      for (const auto& s : p.strings) size += s->Raw().size();
      l->ownRaws.reserve(size);
      l->strings.reserve(p.strings.size());
      for (size_t k = 0; k < p.strings.size(); ++k) {
        TreStringSpan sp = fp.strings[k].span;
        sp.idBegin = fp.strings[k].id.begin;
        sp.idEnd = fp.strings[k].id.end;
        sp.id = p.strings[k]->id;
        sp.rawOffset = static_cast<uint32_t>(l->ownRaws.size());
        sp.rawSize = static_cast<uint32_t>(p.strings[k]->Raw().size());
        l->ownRaws += p.strings[k]->Raw();
        l->strings.push_back(sp);
      }
      l->raws = l->ownRaws.data();
    }
    p.layout = std::move(l);
  }
  doc.source = std::move(source);
  return true;
}

}  // namespace videdoded

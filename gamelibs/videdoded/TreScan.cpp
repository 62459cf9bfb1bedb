// Direct reading of text resource files of the usual shape: a declaration, the
// language element, its pages and their strings, with comments, processing
// instructions and text between the elements, and the five named and the numeric
// character references in texts and attributes. No tree is built: each page's texts
// are decoded straight into one block of the page while its bytes are fresh in the
// cache, and the file's bytes are only read.
//
// Whatever the reader meets that it does not read exactly as the XML parser would
// (other elements, CDATA, a document type, mixed content, an unknown entity, a NUL
// byte, anything malformed, a missing or non-numeric id) makes it give up without a
// trace, and the XML parser reads the file (and words the error where there is one).
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "TreModel.h"
#include "TxtDocument.h"

namespace videdoded {

namespace {

inline bool IsSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
inline bool IsNameStart(unsigned char c) {
  return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_' || c == ':' || c >= 0x80;
}
inline bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// A reference at p (an '&', before end): its length, with the bytes it stands for in
// out[0..n); 0 when it is not one that is read here.
size_t Reference(const char* p, const char* end, char* out, size_t& n) {
  const size_t room = static_cast<size_t>(end - p);
  if (room < 4) return 0;  // the shortest is "&lt;"
  if (p[1] == '#') {
    const bool hex = p[2] == 'x';
    size_t i = hex ? 3 : 2;
    uint32_t v = 0;
    size_t digits = 0;
    for (;; ++i) {
      if (i >= room) return 0;
      const unsigned char c = static_cast<unsigned char>(p[i]);
      unsigned d;
      if (c >= '0' && c <= '9')
        d = c - '0';
      else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f')
        d = (c | 0x20) - 'a' + 10;
      else
        break;
      if (++digits > 7) return 0;
      v = v * (hex ? 16 : 10) + d;
    }
    if (digits == 0 || p[i] != ';' || v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    if (v < 0x80) {
      out[0] = static_cast<char>(v);
      n = 1;
    } else if (v < 0x800) {
      out[0] = static_cast<char>(0xC0 | (v >> 6));
      out[1] = static_cast<char>(0x80 | (v & 0x3F));
      n = 2;
    } else if (v < 0x10000) {
      out[0] = static_cast<char>(0xE0 | (v >> 12));
      out[1] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
      out[2] = static_cast<char>(0x80 | (v & 0x3F));
      n = 3;
    } else {
      out[0] = static_cast<char>(0xF0 | (v >> 18));
      out[1] = static_cast<char>(0x80 | ((v >> 12) & 0x3F));
      out[2] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
      out[3] = static_cast<char>(0x80 | (v & 0x3F));
      n = 4;
    }
    return i + 1;
  }
  // The five named ones (room for four bytes is known; "apos;" and "quot;" need six).
  char c = 0;
  size_t len = 0;
  switch (p[1]) {
    case 'a':
      if (room >= 5 && p[2] == 'm' && p[3] == 'p' && p[4] == ';') c = '&', len = 5;
      else if (room >= 6 && p[2] == 'p' && p[3] == 'o' && p[4] == 's' && p[5] == ';') c = '\'', len = 6;
      break;
    case 'l':
      if (p[2] == 't' && p[3] == ';') c = '<', len = 4;
      break;
    case 'g':
      if (p[2] == 't' && p[3] == ';') c = '>', len = 4;
      break;
    case 'q':
      if (room >= 6 && p[2] == 'u' && p[3] == 'o' && p[4] == 't' && p[5] == ';') c = '"', len = 6;
      break;
    default:
      break;
  }
  if (len) {
    out[0] = c;
    n = 1;
  }
  return len;
}

// The first of the four bytes a..d in [p, end), or end.
inline const char* FindAny(const char* p, const char* end, char a, char b, char c, char d) {
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c), vd = _mm_set1_epi8(d);
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                                     _mm_or_si128(_mm_cmpeq_epi8(v, vc), _mm_cmpeq_epi8(v, vd)));
    const int mask = _mm_movemask_epi8(hit);
    if (mask) return p + __builtin_ctz(static_cast<unsigned>(mask));
    p += 16;
  }
#endif
  for (; p < end; ++p) {
    const char x = *p;
    if (x == a || x == b || x == c || x == d) return p;
  }
  return end;
}

#if defined(__SSE2__)
// The bytes of 16 where a text of a string ends or needs a second look: '<', '&', CR,
// NUL, '\\' and '{'.
inline __m128i TextStops(__m128i v) {
  const __m128i lt = _mm_set1_epi8('<'), amp = _mm_set1_epi8('&'), cr = _mm_set1_epi8('\r');
  const __m128i zero = _mm_setzero_si128(), bs = _mm_set1_epi8('\\'), brace = _mm_set1_epi8('{');
  return _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, amp)),
                                   _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, zero))),
                      _mm_or_si128(_mm_cmpeq_epi8(v, bs), _mm_cmpeq_epi8(v, brace)));
}
#endif

// An attribute value decoded: references, and each tab, LF, CR or CR LF as one blank.
bool DecodeAttribute(const char* p, const char* end, std::string& out) {
  out.clear();
  out.reserve(static_cast<size_t>(end - p));
  while (p < end) {
    const char c = *p;
    if (c == '&') {
      char buf[4];
      size_t n = 0;
      const size_t len = Reference(p, end, buf, n);
      if (!len) return false;
      out.append(buf, n);
      p += len;
    } else if (c == '\r') {
      out.push_back(' ');
      p += p + 1 < end && p[1] == '\n' ? 2 : 1;
    } else if (c == '\t' || c == '\n') {
      out.push_back(' ');
      ++p;
    } else {
      out.push_back(c);
      ++p;
    }
  }
  return true;
}

struct Attr {
  const char* begin = nullptr;
  const char* end = nullptr;
  bool plain = true;  // no reference and no tab, LF or CR: the value as it stands
  bool found = false;
};

// A text of a page while the page is read.
struct Pending {
  int32_t id;
  uint32_t offset;  // the decoded text in the page's text buffer
  uint32_t size;
  bool plain;  // its processed text is the text itself (no escape, no reference)
};


class Scanner {
 public:
  Scanner(const char* data, size_t size, TreSource* source)
      : base_(data), p_(data), end_(data + size), source_(source) {}

  bool Run(TreDocument& doc) {
    // Before the root: blanks, the declaration, comments and processing instructions.
    for (;;) {
      SkipSpaces();
      if (p_ >= end_) return false;
      if (!SkipMarkup(skipped_)) return false;
      if (!skipped_) break;
    }
    Attr id;
    bool empty = false;
    if (!StartTag("language", 8, [&](const char* n, size_t len) -> Attr* {
          return len == 2 && n[0] == 'i' && n[1] == 'd' ? &id : nullptr;
        }, empty))
      return false;
    int32_t lang = 0;
    if (!ReadId(id, lang)) return false;
    if (source_) {
      source_->lang = lang;
      source_->langId = Span(id);
      source_->langTagEnd = Off(p_);
      source_->langEmpty = empty;
      lastEnd_ = Off(p_);
    }
    std::vector<std::shared_ptr<TrePage>> pages;
    if (!empty) {
      for (;;) {
        if (!SkipText()) return false;
        if (!SkipMarkup(skipped_)) return false;
        if (skipped_) continue;
        if (EndTag("language", 8)) break;
        if (!Page(pages)) return false;
      }
    }
    if (source_) source_->tail = lastEnd_;
    // After the root: blanks, comments and processing instructions only.
    for (;;) {
      SkipSpaces();
      if (p_ >= end_) break;
      if (!SkipMarkup(skipped_) || !skipped_) return false;
    }
    doc.lang = lang;
    doc.pages = std::move(pages);
    for (auto& pg : doc.pages) pg->doc = &doc;
    doc.IndexChanged();
    return true;
  }

 private:
  uint32_t Off(const char* p) const { return static_cast<uint32_t>(p - base_); }
  TreValueSpan Span(const Attr& a) const {
    TreValueSpan v;
    if (a.found) v = {Off(a.begin), Off(a.end), true};
    return v;
  }

  void SkipSpaces() {
    while (p_ < end_ && IsSpace(static_cast<unsigned char>(*p_))) ++p_;
  }

  bool At(const char* s, size_t n) const {
    return static_cast<size_t>(end_ - p_) >= n && std::memcmp(p_, s, n) == 0;
  }

  // Skips a comment or a processing instruction at the cursor (skipped tells whether
  // there was one). False when one is there but not closed, or holds a NUL.
  bool SkipMarkup(bool& skipped) {
    skipped = false;
    const char* close = nullptr;
    size_t closeLen = 0;
    const char* from = nullptr;
    if (At("<?", 2)) {
      if (p_ + 2 >= end_ || !IsNameStart(static_cast<unsigned char>(p_[2]))) return false;
      close = "?>";
      closeLen = 2;
      from = p_ + 2;
    } else if (At("<!--", 4)) {
      close = "-->";
      closeLen = 3;
      from = p_ + 4;
    } else {
      return true;
    }
    std::string_view rest(from, static_cast<size_t>(end_ - from));
    const size_t at = rest.find(std::string_view(close, closeLen));
    if (at == std::string_view::npos || std::memchr(from, 0, at)) return false;
    p_ = from + at + closeLen;
    skipped = true;
    return true;
  }

  // Skips character data between elements (up to the next '<'); false at a NUL or at
  // the end of the bytes.
  bool SkipText() {
    const char* at = FindAny(p_, end_, '<', '\0', '<', '\0');
    if (at >= end_ || *at == 0) return false;
    p_ = at;
    return true;
  }

  // A start tag of the element `name` at the cursor: its attributes, through `want`
  // (which gives the slot of a wanted name, or null), and whether it closes itself.
  template <class Want>
  bool StartTag(const char* name, size_t len, Want&& want, bool& empty) {
    if (!(p_ < end_ && *p_ == '<' && static_cast<size_t>(end_ - p_ - 1) > len &&
          std::memcmp(p_ + 1, name, len) == 0))
      return false;
    p_ += 1 + len;
    const unsigned char after = static_cast<unsigned char>(*p_);
    if (!IsSpace(after) && after != '>' && after != '/') return false;
    for (;;) {
      SkipSpaces();
      if (p_ >= end_) return false;
      const unsigned char c = static_cast<unsigned char>(*p_);
      if (c == '>') {
        ++p_;
        empty = false;
        return true;
      }
      if (c == '/') {
        if (p_ + 1 >= end_ || p_[1] != '>') return false;
        p_ += 2;
        empty = true;
        return true;
      }
      if (!IsNameStart(c)) return false;
      const char* n = p_;
      while (p_ < end_ && IsNameChar(static_cast<unsigned char>(*p_))) ++p_;
      const size_t nameLen = static_cast<size_t>(p_ - n);
      SkipSpaces();
      if (p_ >= end_ || *p_ != '=') return false;
      ++p_;
      SkipSpaces();
      if (p_ >= end_ || (*p_ != '"' && *p_ != '\'')) return false;
      const char quote = *p_++;
      const char* v = p_;
      bool plain = true;
      for (;; ++p_) {
        if (p_ >= end_) return false;
        const char ch = *p_;
        if (ch == quote) break;
        if (ch == 0) return false;
        if (ch == '&' || ch == '\t' || ch == '\n' || ch == '\r') plain = false;
      }
      const char* ve = p_++;
      // After a value: a blank, '/' or '>' (another name straight after is an error).
      if (p_ < end_ && IsNameStart(static_cast<unsigned char>(*p_))) return false;
      if (Attr* slot = want(n, nameLen); slot && !slot->found) {
        slot->begin = v;
        slot->end = ve;
        slot->plain = plain;
        slot->found = true;
      }
    }
  }

  // The start tag of a string as it is usually written, <t id="digits">, with the
  // cursor at its '<': read at once (the cursor then at the text). False, with the
  // cursor unmoved, for any other form (read by StartTag).
  bool UsualStringTag(int32_t& id) {
    const char* q = p_;
    if (end_ - q < 24 || std::memcmp(q, "<t id=\"", 7) != 0) return false;
    const char* d = q + 7;
    const bool neg = *d == '-';
    if (neg) ++d;
    const char* digits = d;
    uint32_t v = 0;
    while (d < digits + 9 && static_cast<unsigned>(*d - '0') <= 9) v = v * 10 + static_cast<uint32_t>(*d++ - '0');
    if (d == digits || d[0] != '"' || d[1] != '>') return false;
    id = neg ? -static_cast<int32_t>(v) : static_cast<int32_t>(v);
    p_ = d + 2;
    return true;
  }

  // The end tag of `name` at the cursor; false (cursor unmoved) when it is not there.
  bool EndTag(const char* name, size_t len) {
    if (!(static_cast<size_t>(end_ - p_) > len + 2 && p_[0] == '<' && p_[1] == '/' &&
          std::memcmp(p_ + 2, name, len) == 0))
      return false;
    const char* q = p_ + 2 + len;
    if (q < end_ && IsNameChar(static_cast<unsigned char>(*q))) return false;
    while (q < end_ && IsSpace(static_cast<unsigned char>(*q))) ++q;
    if (q >= end_ || *q != '>') return false;
    p_ = q + 1;
    return true;
  }

  static bool ReadId(const Attr& a, int32_t& out) {
    return a.found && a.plain && TxtDocument::ParseLong(a.begin, static_cast<size_t>(a.end - a.begin), out);
  }

  static bool AttrText(const Attr& a, std::string& out) {
    if (!a.found) return true;
    if (a.plain) {
      out.assign(a.begin, static_cast<size_t>(a.end - a.begin));
      return true;
    }
    return DecodeAttribute(a.begin, a.end, out);
  }

  bool Page(std::vector<std::shared_ptr<TrePage>>& pages) {
    Attr id, title, descr, voice;
    bool empty = false;
    auto want = [&](const char* n, size_t len) -> Attr* {
      if (len == 2) return std::memcmp(n, "id", 2) == 0 ? &id : nullptr;
      if (len != 5) return nullptr;
      if (std::memcmp(n, "title", 5) == 0) return &title;
      if (std::memcmp(n, "descr", 5) == 0) return &descr;
      return std::memcmp(n, "voice", 5) == 0 ? &voice : nullptr;
    };
    const char* const begin = p_;
    if (!StartTag("page", 4, want, empty))
      return false;
    const char* const tagEnd = p_;
    auto page = std::make_shared<TrePage>();
    if (!ReadId(id, page->id) || !AttrText(title, page->title) || !AttrText(descr, page->desc)) return false;
    if (voice.found) {
      std::string v;
      if (!AttrText(voice, v)) return false;
      int32_t n = 0;
      page->voice = TxtDocument::ParseLong(v.data(), v.size(), n) && n != 0 ? 1 : 0;
    }
    pending_.clear();
    spans_.clear();
    used_ = 0;
    if (!empty) {
      for (;;) {
        if (!SkipText()) return false;
        if (end_ - p_ < 3) return false;
        if (p_[1] == 't' && !IsNameChar(static_cast<unsigned char>(p_[2]))) {
          if (!String()) return false;
          continue;
        }
        if (p_[1] == '/') {
          if (!EndTag("page", 4)) return false;
          break;
        }
        if (!SkipMarkup(skipped_) || !skipped_) return false;
      }
    }
    std::shared_ptr<TreStringBlock> block;
    if (!pending_.empty()) {
      block = std::make_shared<TreStringBlock>();
      block->items.reset(new TreString[pending_.size()]);
      if (used_) {
        block->text.reset(new char[used_]);
        std::memcpy(block->text.get(), buf_.get(), used_);
      }
      page->strings.reserve(pending_.size());
      for (size_t k = 0; k < pending_.size(); ++k) {
        const Pending& ps = pending_[k];
        TreString& s = block->items[k];
        s.id = ps.id;
        if (ps.size) s.ViewRaw(std::string_view(block->text.get() + ps.offset, ps.size));
        s.form = ps.plain ? TreString::Form::kRaw : TreString::Form::kProcessed;
        s.page = page.get();
        page->strings.emplace_back(block, &s);
      }
      page->PrepareIndex();
    }
    if (source_) {
      auto l = std::make_unique<TrePageLayout>();
      l->source = source_;
      l->lead = lastEnd_;
      l->begin = Off(begin);
      l->tagEnd = Off(tagEnd);
      l->end = Off(p_);
      l->id = Span(id);
      l->title = Span(title);
      l->descr = Span(descr);
      l->voice = Span(voice);
      l->origId = page->id;
      l->origVoice = page->voice;
      l->origTitle = page->title;
      l->origDesc = page->desc;
      if (block) {
        l->first = page->strings.front();
        l->raws = block->text.get();
      }
      l->strings.assign(spans_.begin(), spans_.end());
      page->layout = std::move(l);
      lastEnd_ = Off(p_);
    }
    pages.push_back(std::move(page));
    return true;
  }

  bool String() {
    Pending ps{0, 0, 0, true};
    bool empty = false;
    const char* const begin = p_;
    TreStringSpan sp;
    if (!UsualStringTag(ps.id)) {
      Attr id;
      if (!StartTag("t", 1, [&](const char* n, size_t len) -> Attr* {
            return len == 2 && n[0] == 'i' && n[1] == 'd' ? &id : nullptr;
          }, empty))
        return false;
      if (!ReadId(id, ps.id)) return false;
      sp.idBegin = Off(id.begin);
      sp.idEnd = Off(id.end);
    } else {
      sp.idBegin = Off(begin + 7);  // <t id="
      sp.idEnd = Off(p_ - 2);       // ">
    }
    sp.tagEnd = Off(p_);
    if (!empty) {
      const char* const text = p_;
      const char* p = p_;
      size_t at = used_;
      // The text is copied to the page's buffer while it is searched for its end:
      // 16 bytes at a time are stored ahead (what lies past a stop is overwritten).
      for (;;) {
        if (cap_ - at < 32) Grow(at, at + 32);
        char* const w = buf_.get() + at;
#if defined(__SSE2__)
        if (end_ - p >= 16) {
          const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(w), v);
          const int mask = _mm_movemask_epi8(TextStops(v));
          if (!mask) {
            p += 16;
            at += 16;
            continue;
          }
          const unsigned k = static_cast<unsigned>(__builtin_ctz(static_cast<unsigned>(mask)));
          p += k;
          at += k;
        } else
#endif
        {
          if (p >= end_) return false;
          const char c = *p;
          if (c != '<' && c != '&' && c != '\r' && c != 0 && c != '\\' && c != '{') {
            *w = c;
            ++p;
            ++at;
            continue;
          }
        }
        const char c = *p;
        if (c == '<') break;
        if (c == 0) return false;
        if (c == '&') {
          char ref[4];
          size_t n = 0;
          const size_t len = Reference(p, end_, ref, n);
          if (!len) return false;
          if (n == 1 && (ref[0] == '\\' || ref[0] == '{')) ps.plain = false;
          std::memcpy(buf_.get() + at, ref, n);
          at += n;
          p += len;
        } else if (c == '\r') {
          buf_[at++] = '\n';
          p += p + 1 < end_ && p[1] == '\n' ? 2 : 1;
        } else {  // '\\' or '{': kept, but the text needs processing
          ps.plain = false;
          buf_[at++] = c;
          ++p;
        }
      }
      p_ = p;
      if (end_ - p_ >= 4 && p_[1] == '/' && p_[2] == 't' && p_[3] == '>')
        p_ += 4;
      else if (!EndTag("t", 1))
        return false;  // another element or a CDATA section within
      if (static_cast<size_t>(p - text) > kTreMaxText) ps.plain = false;
      ps.offset = static_cast<uint32_t>(used_);
      ps.size = static_cast<uint32_t>(at - used_);
      used_ = at;
    }
    pending_.push_back(ps);
    if (source_) {
      sp.begin = Off(begin);
      sp.end = Off(p_);
      sp.id = ps.id;
      sp.rawOffset = ps.offset;
      sp.rawSize = ps.size;
      spans_.push_back(sp);
    }
    return true;
  }

  // Room for at least `need` bytes in the page's text buffer, keeping its first
  // `keep` (the texts so far and the part of the current one).
  void Grow(size_t keep, size_t need) {
    size_t cap = cap_ ? cap_ : 4096;
    while (cap < need) cap *= 2;
    std::unique_ptr<char[]> bigger(new char[cap]);
    if (keep) std::memcpy(bigger.get(), buf_.get(), keep);
    buf_ = std::move(bigger);
    cap_ = cap;
  }

 private:
  const char* base_;
  const char* p_;
  const char* end_;
  bool skipped_ = false;
  std::vector<Pending> pending_;
  // With a source: where the objects stand in the bytes.
  TreSource* source_ = nullptr;
  std::vector<TreStringSpan> spans_;  // the strings of the page read so far
  uint32_t lastEnd_ = 0;              // the end of the root's start tag or of the last page
  // The decoded texts of the page read so far.
  std::unique_ptr<char[]> buf_;
  size_t used_ = 0;
  size_t cap_ = 0;
};

}  // namespace

bool ScanTreXml(const char* data, size_t size, TreDocument& doc, TreSource* source) {
  if (size >= 0xFFFFFFFFu) return false;
  TreDocument built;
  Scanner scan(data, size, source);
  if (!scan.Run(built)) return false;
  doc.lang = built.lang;
  doc.pages = std::move(built.pages);
  built.pages.clear();
  for (auto& p : doc.pages) p->doc = &doc;
  doc.IndexChanged();
  return true;
}

}  // namespace videdoded

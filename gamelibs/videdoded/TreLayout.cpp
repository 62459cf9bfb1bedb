// Saving a text resource document that was read from a file: what nobody changed is
// written as the bytes it was read from, and what changed takes the place and the
// style (line ends, indentation, quotes) of what it replaces or stands beside.
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "TreModel.h"

namespace videdoded {

ptrdiff_t TrePageLayout::IndexOf(const TreString* s) const {
  if (!first || strings.empty()) return -1;
  const auto base = reinterpret_cast<uintptr_t>(first.get());
  const auto at = reinterpret_cast<uintptr_t>(s);
  if (at < base) return -1;
  const uintptr_t k = (at - base) / sizeof(TreString);
  if (k >= strings.size() || base + k * sizeof(TreString) != at) return -1;
  return static_cast<ptrdiff_t>(k);
}

namespace {

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The indentation of the last line of what stands before an element (empty when it
// holds no line end).
std::string_view Indent(std::string_view lead) {
  const size_t n = lead.rfind('\n');
  if (n == std::string_view::npos) return {};
  std::string_view last = lead.substr(n + 1);
  size_t k = 0;
  while (k < last.size() && IsBlank(last[k])) ++k;
  return last.substr(0, k);
}

class KeptWriter {
 public:
  KeptWriter(const TreDocument& doc, std::string& out)
      : doc_(doc), src_(*doc.source), text_(doc.source->text), out_(out) {
    nl_ = src_.crlf ? "\r\n" : "\n";
    lines_ = text_.find('\n') != std::string_view::npos;
    quote_ = src_.langId.found && src_.langId.begin > 0 ? text_[src_.langId.begin - 1] : '"';
    // The leads of a page and of a string as the file has them, for new ones.
    for (const auto& p : doc_.pages) {
      const TrePageLayout* l = Layout(*p);
      if (!l) continue;
      if (!havePageLead_) {
        pageLead_ = Like(Src(l->lead, l->begin));
        havePageLead_ = true;
      }
      if (!l->strings.empty()) {
        stringLead_ = Like(Src(l->tagEnd, l->strings[0].begin));
        stringQuote_ = QuoteAt(l->strings[0].idBegin);
        haveStringLead_ = true;
        break;
      }
    }
    if (!havePageLead_) pageLead_ = lines_ ? std::string(nl_) + "  " : std::string();
  }

  void Write() {
    out_.clear();
    out_.reserve(src_.prefix.size() + text_.size() + 256);
    // A text to encode again gets its mark with its encoding.
    if (src_.encoding == TreSource::Encoding::kUtf8) out_ += src_.prefix;
    uint32_t from = 0;
    if (doc_.lang != src_.lang) {
      Copy(0, src_.langId.begin);
      out_ += std::to_string(doc_.lang);
      from = src_.langId.end;
    }
    if (src_.langEmpty && !doc_.pages.empty()) {
      // The root closed itself: it opens for its pages.
      const uint32_t stop = AfterLastValue(src_.langTagEnd - 2);
      Copy(from, stop);
      out_ += '>';
      Pages();
      if (lines_) out_ += nl_;
      out_ += "</language>";
      Copy(src_.langTagEnd, static_cast<uint32_t>(text_.size()));
      return;
    }
    Copy(from, src_.langTagEnd);
    Pages();
    Copy(src_.langEmpty ? src_.langTagEnd : src_.tail, static_cast<uint32_t>(text_.size()));
  }

 private:
  std::string_view Src(uint32_t b, uint32_t e) const { return text_.substr(b, e - b); }
  void Copy(uint32_t b, uint32_t e) { out_.append(text_.data() + b, e - b); }
  char QuoteAt(uint32_t valueBegin) const { return valueBegin > 0 ? text_[valueBegin - 1] : quote_; }

  // The page's place in the file, when it was read from it.
  const TrePageLayout* Layout(const TrePage& p) const {
    return p.layout && p.layout->source == &src_ ? p.layout.get() : nullptr;
  }

  // A lead for a new element beside one with `lead`: a line end and the indentation of
  // its last line, or the blanks of a lead without line ends (nothing of a comment).
  std::string Like(std::string_view lead) const {
    if (lead.find('\n') == std::string_view::npos) {
      for (char c : lead)
        if (!IsBlank(c)) return {};
      return std::string(lead);
    }
    return std::string(nl_) + std::string(Indent(lead));
  }

  // Just after the last attribute value of a tag, looking back from `close` (its '/'
  // or '>'): where added attributes go.
  uint32_t AfterLastValue(uint32_t close) const {
    while (close > 0 && (IsBlank(text_[close - 1]) || text_[close - 1] == '\n' || text_[close - 1] == '\r')) --close;
    return close;
  }

  void Text(std::string_view t) { AppendEscaped(out_, t, 0, nl_); }
  void Value(std::string_view t, char quote) { AppendEscaped(out_, t, quote); }

  void Attribute(const char* name, std::string_view value, char quote) {
    out_ += ' ';
    out_ += name;
    out_ += '=';
    out_ += quote;
    Value(value, quote);
    out_ += quote;
  }

  static bool Same(const TreString& s, const TrePageLayout& l, size_t k) {
    const TreStringSpan& sp = l.strings[k];
    if (s.id != sp.id) return false;
    const std::string_view now = s.Raw();
    if (now.size() != sp.rawSize) return false;
    const char* was = l.raws + sp.rawOffset;
    return now.data() == was || now == std::string_view(was, sp.rawSize);
  }

  static bool SameAttributes(const TrePage& p, const TrePageLayout& l) {
    return p.id == l.origId && p.voice == l.origVoice && p.title == l.origTitle && p.desc == l.origDesc;
  }

  static bool Untouched(const TrePage& p, const TrePageLayout& l) {
    if (!SameAttributes(p, l) || p.strings.size() != l.strings.size()) return false;
    for (size_t k = 0; k < p.strings.size(); ++k)
      if (p.strings[k].get() != l.first.get() + k || !Same(*p.strings[k], l, k)) return false;
    return true;
  }

  void Pages() {
    std::string lastLead;  // what stood before the page written last
    bool wrote = false;
    for (const auto& pp : doc_.pages) {
      const TrePage& p = *pp;
      const TrePageLayout* l = Layout(p);
      std::string lead;
      if (l) {
        lead.assign(Src(l->lead, l->begin));
      } else {
        lead = wrote ? Like(lastLead) : pageLead_;
      }
      out_ += lead;
      if (l && Untouched(p, *l))
        Copy(l->begin, l->end);
      else if (l)
        ChangedPage(p, *l, lead);
      else
        NewPage(p, lead);
      lastLead = std::move(lead);
      wrote = true;
    }
  }

  // The page's start tag as read with the changed values put in their places, and the
  // values it lacked added after the last one; `open` opens a tag that closed itself.
  void PageTag(const TrePage& p, const TrePageLayout& l, bool open) {
    struct Put {
      const TreValueSpan* span;
      const char* name;
      std::string value;
    };
    Put puts[4];
    int n = 0;
    if (p.id != l.origId) puts[n++] = {&l.id, "id", std::to_string(p.id)};
    if (p.title != l.origTitle) puts[n++] = {&l.title, "title", p.title};
    if (p.desc != l.origDesc) puts[n++] = {&l.descr, "descr", p.desc};
    if (p.voice != l.origVoice) puts[n++] = {&l.voice, "voice", p.voice ? "1" : "0"};
    std::sort(puts, puts + n, [](const Put& a, const Put& b) { return a.span->begin < b.span->begin; });
    const bool closed = l.tagEnd == l.end;
    const uint32_t close = l.tagEnd - (closed ? 2 : 1);
    const uint32_t stop = AfterLastValue(close);
    const char quote = QuoteAt(l.id.begin);
    uint32_t at = l.begin;
    for (int i = 0; i < n; ++i) {
      if (!puts[i].span->found) continue;
      Copy(at, puts[i].span->begin);
      Value(puts[i].value, QuoteAt(puts[i].span->begin));
      at = puts[i].span->end;
    }
    Copy(at, stop);
    for (int i = 0; i < n; ++i)
      if (!puts[i].span->found) Attribute(puts[i].name, puts[i].value, quote);
    if (closed && open)
      out_ += '>';
    else
      Copy(stop, l.tagEnd);
  }

  // A lead for a new string of a page: like the string before it, or like the first
  // string the page had, or like the strings of the file, or one step in from the page.
  std::string NewStringLead(const TrePageLayout* l, const std::string* before, std::string_view pageLead) const {
    if (before) return Like(*before);
    if (l && !l->strings.empty()) return Like(Src(l->tagEnd, l->strings[0].begin));
    if (haveStringLead_) return stringLead_;
    if (!lines_) return {};
    const std::string_view in = Indent(pageLead);
    return std::string(nl_) + std::string(in) + std::string(in.empty() ? std::string_view("  ") : in);
  }

  void NewString(const TreString& s, char quote) {
    out_ += "<t id=";
    out_ += quote;
    out_ += std::to_string(s.id);
    out_ += quote;
    out_ += '>';
    Text(s.Raw());
    out_ += "</t>";
  }

  void ChangedString(const TreString& s, const TreStringSpan& sp) {
    const bool closed = sp.tagEnd == sp.end;
    const std::string_view raw = s.Raw();
    const uint32_t stop = closed && !raw.empty() ? AfterLastValue(sp.tagEnd - 2) : sp.tagEnd;
    if (s.id != sp.id) {
      Copy(sp.begin, sp.idBegin);
      out_ += std::to_string(s.id);
      Copy(sp.idEnd, stop);
    } else {
      Copy(sp.begin, stop);
    }
    if (closed && raw.empty()) return;
    if (closed) out_ += '>';
    Text(raw);
    out_ += "</t>";
  }

  // The strings of a page that changed; true when a lead with a line end was written.
  bool Strings(const TrePage& p, const TrePageLayout* l, std::string_view pageLead) {
    std::string before;
    bool have = false, lines = false;
    const char quote = l && !l->strings.empty() ? QuoteAt(l->strings[0].idBegin)
                                                : (haveStringLead_ ? stringQuote_ : quote_);
    for (const auto& sp : p.strings) {
      const ptrdiff_t k = l ? l->IndexOf(sp.get()) : -1;
      std::string lead;
      if (k >= 0) {
        const size_t i = static_cast<size_t>(k);
        lead.assign(Src(i ? l->strings[i - 1].end : l->tagEnd, l->strings[i].begin));
      } else {
        lead = NewStringLead(l, have ? &before : nullptr, pageLead);
      }
      out_ += lead;
      if (lead.find('\n') != std::string::npos) lines = true;
      if (k < 0)
        NewString(*sp, quote);
      else if (Same(*sp, *l, static_cast<size_t>(k)))
        Copy(l->strings[static_cast<size_t>(k)].begin, l->strings[static_cast<size_t>(k)].end);
      else
        ChangedString(*sp, l->strings[static_cast<size_t>(k)]);
      before = std::move(lead);
      have = true;
    }
    return lines;
  }

  void ChangedPage(const TrePage& p, const TrePageLayout& l, std::string_view lead) {
    const bool closed = l.tagEnd == l.end;
    const bool open = closed && !p.strings.empty();
    PageTag(p, l, open);
    if (closed && !open) return;
    const bool lines = Strings(p, &l, lead);
    if (closed) {
      if (lines) {
        out_ += nl_;
        out_ += Indent(lead);
      }
      out_ += "</page>";
      return;
    }
    const uint32_t from = l.strings.empty() ? l.tagEnd : l.strings.back().end;
    if (l.strings.empty() && lines && Src(from, l.end).find('\n') == std::string_view::npos) {
      out_ += nl_;
      out_ += Indent(lead);
    }
    Copy(from, l.end);
  }

  void NewPage(const TrePage& p, std::string_view lead) {
    const char quote = quote_;
    out_ += "<page id=";
    out_ += quote;
    out_ += std::to_string(p.id);
    out_ += quote;
    Attribute("title", p.title, quote);
    Attribute("descr", p.desc, quote);
    Attribute("voice", p.voice ? "1" : "0", quote);
    out_ += '>';
    const bool lines = Strings(p, nullptr, lead);
    if (lines || (p.strings.empty() && lines_)) {
      out_ += nl_;
      out_ += Indent(lead);
    }
    out_ += "</page>";
  }

  const TreDocument& doc_;
  const TreSource& src_;
  const std::string_view text_;
  std::string& out_;
  const char* nl_ = "\r\n";
  bool lines_ = false;
  char quote_ = '"';
  std::string pageLead_, stringLead_;
  bool havePageLead_ = false, haveStringLead_ = false;
  char stringQuote_ = '"';
};

}  // namespace

void WriteKeptTreXml(const TreDocument& doc, std::string& out) { KeptWriter(doc, out).Write(); }

}  // namespace videdoded

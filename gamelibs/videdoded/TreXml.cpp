// Text resource files: reading (pugixml), writing, and the encoding step shared with
// the XML file decoder.
#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "Cp1252.h"
#include "TreModel.h"
#include "TxtDocument.h"

namespace videdoded {

namespace {

int32_t LineAt(const char* data, size_t size, ptrdiff_t offset) {
  if (offset < 0) return 0;
  size_t end = std::min(size, static_cast<size_t>(offset));
  int32_t line = 1;
  if (!data || end == 0) return line;  // an empty file has no bytes to search (nor a pointer to them)
  for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, '\n', (data + end) - p))); ++p) ++line;
  return line;
}

bool ReadId(const pugi::xml_node& node, const char* what, const char* data, size_t size, int32_t& out,
            std::string& error) {
  pugi::xml_attribute a = node.attribute("id");
  const char* v = a ? a.value() : nullptr;
  if (v && TxtDocument::ParseLong(v, std::strlen(v), out)) return true;
  int32_t line = LineAt(data, size, node.offset_debug());
  std::string shown = v ? std::string(v).substr(0, 40) : std::string();
  error = std::string("Line ") + std::to_string(line) + ": the " + what + " element " +
          (v ? "has the non-numeric id \"" + shown + "\"." : std::string("has no id."));
  return false;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool Utf16ToUtf8(const std::string& in, size_t start, bool big, std::string& out, std::string& error) {
  out.clear();
  out.reserve(in.size());
  const unsigned char* p = reinterpret_cast<const unsigned char*>(in.data());
  size_t n = in.size();
  if ((n - start) % 2) {
    error = "The UTF-16 XML text has an odd number of bytes.";
    return false;
  }
  auto unit = [&](size_t i) -> uint32_t { return big ? (p[i] << 8 | p[i + 1]) : (p[i + 1] << 8 | p[i]); };
  for (size_t i = start; i < n; i += 2) {
    uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < n) {
      uint32_t lo = unit(i + 2);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) {
      error = "The UTF-16 XML text holds a broken surrogate pair at byte " + std::to_string(i) + ".";
      return false;
    }
    AppendUtf8(out, u);
  }
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Finds the encoding value in a leading declaration: [vbegin, vend) in bytes.
bool DeclaredEncoding(const std::string& b, size_t& vbegin, size_t& vend) {
  if (b.compare(0, 5, "<?xml") != 0) return false;
  size_t close = b.find("?>");
  if (close == std::string::npos) return false;
  size_t e = b.find("encoding", 5);
  if (e == std::string::npos || e > close) return false;
  size_t i = e + 8;
  while (i < close && (b[i] == ' ' || b[i] == '\t' || b[i] == '\r' || b[i] == '\n')) ++i;
  if (i >= close || b[i] != '=') return false;
  ++i;
  while (i < close && (b[i] == ' ' || b[i] == '\t' || b[i] == '\r' || b[i] == '\n')) ++i;
  if (i >= close || (b[i] != '"' && b[i] != '\'')) return false;
  char q = b[i];
  size_t j = b.find(q, i + 1);
  if (j == std::string::npos || j > close) return false;
  vbegin = i + 1;
  vend = j;
  return true;
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view t, char quote, const char* newline) {
  size_t run = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(t[i]);
    const char* rep = nullptr;
    char num[12];
    switch (c) {
      case '&': rep = "&amp;"; break;
      case '<': rep = "&lt;"; break;
      case '>': rep = "&gt;"; break;
      case '"': rep = quote == '"' ? "&quot;" : nullptr; break;
      case '\'': rep = quote == '\'' ? "&apos;" : nullptr; break;
      case '\r': rep = "&#13;"; break;
      case '\n': rep = quote ? "&#10;" : newline; break;
      case '\t': rep = quote ? "&#9;" : nullptr; break;
      default:
        if (c < 0x20) {
          std::snprintf(num, sizeof num, "&#%u;", c);
          rep = num;
        }
        break;
    }
    if (rep) {
      out.append(t.data() + run, i - run);
      out.append(rep);
      run = i + 1;
    }
  }
  out.append(t.data() + run, t.size() - run);
}

bool DecodeXmlBytes(std::string& bytes, std::string& error, TreSource* was) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t n = bytes.size();
  if (n >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) {
    if (was) was->prefix = "\xEF\xBB\xBF";
    bytes.erase(0, 3);
    return true;
  }
  bool le = n >= 2 && u[0] == 0xFF && u[1] == 0xFE;
  bool be = n >= 2 && u[0] == 0xFE && u[1] == 0xFF;
  size_t start = (le || be) ? 2 : 0;
  if (!le && !be && n >= 4) {
    le = u[0] == '<' && u[1] == 0 && u[2] != 0 && u[3] == 0;
    be = u[0] == 0 && u[1] == '<' && u[2] == 0 && u[3] != 0;
  }
  std::string out;
  if (le || be) {
    if (!Utf16ToUtf8(bytes, start, be, out, error)) return false;
    if (was) {
      was->encoding = be ? TreSource::Encoding::kUtf16Be : TreSource::Encoding::kUtf16Le;
      was->prefix = bytes.substr(0, start);
    }
    bytes.swap(out);
  } else {
    size_t vb = 0, ve = 0;
    if (!DeclaredEncoding(bytes, vb, ve)) return true;
    std::string enc = Lower(bytes.substr(vb, ve - vb));
    if (enc == "utf-8" || enc == "utf8" || enc == "us-ascii" || enc == "ascii") return true;
    if (enc == "iso-8859-1" || enc == "iso8859-1" || enc == "latin1" || enc == "latin-1" || enc == "l1") {
      out.reserve(n + n / 8);
      for (unsigned char c : bytes) AppendUtf8(out, c);
      if (was) was->encoding = TreSource::Encoding::kLatin1;
    } else if (enc == "windows-1252" || enc == "cp1252" || enc == "x-cp1252") {
      AppendCp1252AsUtf8(out, bytes.data(), bytes.size());
      if (was) was->encoding = TreSource::Encoding::kCp1252;
    } else {
      error = "Unsupported XML encoding \"" + bytes.substr(vb, ve - vb) + "\".";
      return false;
    }
    bytes.swap(out);
  }
  // The text is UTF-8 now: let its declaration say so.
  size_t vb = 0, ve = 0;
  if (DeclaredEncoding(bytes, vb, ve)) {
    if (was) was->declared = bytes.substr(vb, ve - vb);
    bytes.replace(vb, ve - vb, "UTF-8");
  }
  return true;
}

void EncodeLikeSource(const TreSource& source, std::string& out) {
  if (source.encoding == TreSource::Encoding::kUtf8) return;
  // The declaration names the encoding the file had.
  size_t vb = 0, ve = 0;
  if (!source.declared.empty() && DeclaredEncoding(out, vb, ve)) out.replace(vb, ve - vb, source.declared);
  std::string bytes = source.prefix;
  bytes.reserve(bytes.size() + out.size() * (source.encoding == TreSource::Encoding::kUtf16Le ||
                                                     source.encoding == TreSource::Encoding::kUtf16Be
                                                 ? 2
                                                 : 1));
  const unsigned char* p = reinterpret_cast<const unsigned char*>(out.data());
  const size_t n = out.size();
  for (size_t i = 0; i < n;) {
    // The next character (a byte that is no part of a UTF-8 sequence stands for itself).
    uint32_t cp = p[i];
    size_t len = 1;
    if (cp >= 0xC2 && cp < 0xF5) {
      const size_t want = cp < 0xE0 ? 2 : cp < 0xF0 ? 3 : 4;
      uint32_t v = cp & (want == 2 ? 0x1F : want == 3 ? 0x0F : 0x07);
      size_t k = 1;
      for (; k < want && i + k < n && (p[i + k] & 0xC0) == 0x80; ++k) v = v << 6 | (p[i + k] & 0x3F);
      if (k == want) {
        cp = v;
        len = want;
      }
    }
    switch (source.encoding) {
      case TreSource::Encoding::kUtf16Le:
      case TreSource::Encoding::kUtf16Be: {
        auto unit = [&](uint32_t u) {
          const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
          if (source.encoding == TreSource::Encoding::kUtf16Be) {
            bytes.push_back(hi);
            bytes.push_back(lo);
          } else {
            bytes.push_back(lo);
            bytes.push_back(hi);
          }
        };
        if (cp >= 0x10000) {
          unit(0xD800 + ((cp - 0x10000) >> 10));
          unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
          unit(cp);
        }
        break;
      }
      default: {
        // What the 8-bit encoding cannot hold stands as a character reference (new
        // texts and values are the only places a character the file had not can be).
        if (cp < 0x80) {
          bytes.push_back(static_cast<char>(cp));
        } else if (source.encoding == TreSource::Encoding::kLatin1 ? cp <= 0xFF
                                                                   : AppendUtf8AsCp1252(bytes, out.substr(i, len))) {
          if (source.encoding == TreSource::Encoding::kLatin1) bytes.push_back(static_cast<char>(cp));
        } else {
          bytes += "&#" + std::to_string(cp) + ";";
        }
        break;
      }
    }
    i += len;
  }
  out.swap(bytes);
}

namespace {

constexpr unsigned kTreParseFlags = pugi::parse_default | pugi::parse_ws_pcdata_single;

// An element or attribute name test without a string compare call: the first
// character, then the rest of a name of known length.
template <size_t N>
inline bool NameIs(const char* name, const char (&want)[N]) {
  return name[0] == want[0] && std::memcmp(name + 1, want + 1, N - 2) == 0 && name[N - 1] == 0;
}

template <size_t N>
const char* AttributeValue(const pugi::xml_node& node, const char (&name)[N]) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
    if (NameIs(a.name(), name)) return a.value();
  return nullptr;
}

bool ReadIdFast(const pugi::xml_node& node, const char* what, const char* data, size_t size, int32_t& out,
                std::string& error) {
  const char* v = AttributeValue(node, "id");
  if (v && TxtDocument::ParseLong(v, std::strlen(v), out)) return true;
  return ReadId(node, what, data, size, out, error);  // the error text
}

// A string of a page while the page is read: its element and, when its text is one
// run of character data, that text.
struct PendingString {
  pugi::xml_node node;
  const char* text;
  size_t size;  // npos: mixed content, joined on its own
};

// Builds the document from a parsed tree. The raw texts of each page are copied into
// one block of the page; the tree can go once this is done.
bool BuildDocument(const pugi::xml_document& x, const char* data, size_t size, TreDocument& doc,
                   std::string& error) {
  pugi::xml_node root = x.document_element();
  if (!root || std::strcmp(root.name(), "language") != 0) {
    error = root ? "Line " + std::to_string(LineAt(data, size, root.offset_debug())) +
                       ": not a text resource file (the root element is <" + root.name() + ">, not <language>)."
                 : std::string("Not a text resource file: there is no root element.");
    return false;
  }
  int32_t lang = 0;
  if (!ReadIdFast(root, "language", data, size, lang, error)) return false;
  std::vector<std::shared_ptr<TrePage>> pages;
  std::vector<PendingString> pending;
  for (pugi::xml_node pn = root.first_child(); pn; pn = pn.next_sibling()) {
    // Only elements have names (text, CDATA and the like give ""): no type test needed.
    if (!NameIs(pn.name(), "page")) continue;
    auto page = std::make_shared<TrePage>();
    if (!ReadIdFast(pn, "page", data, size, page->id, error)) return false;
    const char* title = AttributeValue(pn, "title");
    const char* descr = AttributeValue(pn, "descr");
    const char* voice = AttributeValue(pn, "voice");
    if (title) page->title = title;
    if (descr) page->desc = descr;
    int32_t v = 0;
    page->voice = (voice && TxtDocument::ParseLong(voice, std::strlen(voice), v) && v != 0) ? 1 : 0;

    pending.clear();
    size_t textSize = 0;
    for (pugi::xml_node tn = pn.first_child(); tn; tn = tn.next_sibling()) {
      if (!NameIs(tn.name(), "t")) continue;
      pugi::xml_node c = tn.first_child();
      if (!c) {
        pending.push_back({tn, "", 0});
      } else if (!c.next_sibling() && c.type() == pugi::node_pcdata) {
        const char* t = c.value();
        size_t n = std::strlen(t);
        pending.push_back({tn, t, n});
        textSize += n;
      } else {
        pending.push_back({tn, nullptr, std::string::npos});
      }
    }
    if (!pending.empty()) {
      auto block = std::make_shared<TreStringBlock>();
      block->items.reset(new TreString[pending.size()]);
      if (textSize) block->text.reset(new char[textSize]);
      page->strings.reserve(pending.size());
      char* at = block->text.get();
      for (size_t k = 0; k < pending.size(); ++k) {
        const PendingString& ps = pending[k];
        TreString& s = block->items[k];
        if (!ReadIdFast(ps.node, "t", data, size, s.id, error)) return false;
        if (ps.size == std::string::npos) {
          std::string joined;
          for (pugi::xml_node c = ps.node.first_child(); c; c = c.next_sibling())
            if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) joined += c.value();
          s.SetRaw(joined);
        } else if (ps.size) {
          std::memcpy(at, ps.text, ps.size);
          s.ViewRaw(std::string_view(at, ps.size));
          at += ps.size;
        }
        s.page = page.get();
        page->strings.emplace_back(block, &s);
      }
    }
    pages.push_back(std::move(page));
  }
  doc.lang = lang;
  doc.pages = std::move(pages);
  for (auto& p : doc.pages) p->doc = &doc;
  doc.IndexChanged();
  return true;
}

// True when DecodeXmlBytes would change the bytes (a byte-order mark, UTF-16, or a
// declared encoding other than UTF-8 or ASCII).
bool NeedsDecoding(const char* data, size_t size) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(data);
  if (size >= 2 && ((u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xFE && u[1] == 0xFF))) return true;
  if (size >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) return true;
  if (size >= 4 && ((u[0] == '<' && u[1] == 0 && u[2] != 0 && u[3] == 0) ||
                    (u[0] == 0 && u[1] == '<' && u[2] == 0 && u[3] != 0)))
    return true;
  // Only the declaration matters: look at its first bytes alone.
  std::string head(data, std::min<size_t>(size, 512));
  size_t vb = 0, ve = 0;
  if (!DeclaredEncoding(head, vb, ve)) {
    size_t close = head.find("?>");
    // A declaration longer than the head: let the full decoder judge it.
    return head.compare(0, 5, "<?xml") == 0 && close == std::string::npos;
  }
  std::string enc = Lower(head.substr(vb, ve - vb));
  return !(enc == "utf-8" || enc == "utf8" || enc == "us-ascii" || enc == "ascii");
}

}  // namespace

bool ParseTreXmlInPlace(std::string& bytes, TreDocument& doc, std::string& error) {
  pugi::xml_document x;
  pugi::xml_parse_result r =
      x.load_buffer_inplace(bytes.data(), bytes.size(), kTreParseFlags, pugi::encoding_utf8);
  // Error texts name lines of the bytes as they were; the caller makes them from a copy.
  if (!r) {
    error = "XML error";
    return false;
  }
  return BuildDocument(x, bytes.data(), bytes.size(), doc, error);
}

bool ParseTreXml(const char* data, size_t size, TreDocument& doc, std::string& error) {
  pugi::xml_document x;
  pugi::xml_parse_result r = x.load_buffer(data, size, kTreParseFlags, pugi::encoding_utf8);
  if (!r) {
    error = "XML error at line " + std::to_string(LineAt(data, size, r.offset)) + ": " + r.description() + ".";
    return false;
  }
  return BuildDocument(x, data, size, doc, error);
}

namespace {

// Gives a source its text: taken from `owned` when given (what `data` points into),
// else viewed where `owner` keeps it, else copied.
void SetText(TreSource& source, const char* data, size_t size, std::string* owned,
             const std::shared_ptr<const void>& owner) {
  if (owned) {
    source.own = std::move(*owned);
    source.text = source.own;
  } else if (owner) {
    source.keep = owner;
    source.text = std::string_view(data, size);
  } else {
    source.own.assign(data, size);
    source.text = source.own;
  }
  const size_t nl = source.text.find('\n');
  source.crlf = nl == std::string_view::npos || (nl > 0 && source.text[nl - 1] == '\r');
}

// Reads a (UTF-8) text with the direct reader, keeping it and its layout in the
// document. `source` tells what the file's bytes were before decoding.
bool ScanKeepingLayout(const char* data, size_t size, std::string* owned, const std::shared_ptr<const void>& owner,
                       std::shared_ptr<TreSource> source, TreDocument& doc) {
  if (!ScanTreXml(data, size, doc, source.get())) return false;
  SetText(*source, data, size, owned, owner);
  doc.source = std::move(source);
  return true;
}

// After the XML parser read a text: its layout, when a walk over it finds what the
// parser built (else the document is written anew on save).
void KeepParsedLayout(const char* data, size_t size, std::string* owned, const std::shared_ptr<const void>& owner,
                      std::shared_ptr<TreSource> source, TreDocument& doc) {
  SetText(*source, data, size, owned, owner);
  NoteLayout(std::move(source), doc);
}

}  // namespace

bool LoadTreXml(const char* data, size_t size, TreDocument& doc, std::string& error, bool& xmlError,
                bool keepLayout, const std::shared_ptr<const void>& owner) {
  xmlError = false;
  if (!NeedsDecoding(data, size)) {
    if (!keepLayout) return ScanTreXml(data, size, doc) || ParseTreXml(data, size, doc, error);
    if (ScanKeepingLayout(data, size, nullptr, owner, std::make_shared<TreSource>(), doc)) return true;
    if (!ParseTreXml(data, size, doc, error)) return false;
    KeepParsedLayout(data, size, nullptr, owner, std::make_shared<TreSource>(), doc);
    return true;
  }
  std::string bytes(data, size);
  auto source = keepLayout ? std::make_shared<TreSource>() : nullptr;
  if (!DecodeXmlBytes(bytes, error, source.get())) {
    xmlError = true;
    return false;
  }
  if (keepLayout) {
    if (ScanKeepingLayout(bytes.data(), bytes.size(), &bytes, nullptr, source, doc)) return true;
    if (!ParseTreXml(bytes.data(), bytes.size(), doc, error)) return false;
    KeepParsedLayout(bytes.data(), bytes.size(), &bytes, nullptr, std::move(source), doc);
    return true;
  }
  return ScanTreXml(bytes.data(), bytes.size(), doc) || ParseTreXml(bytes.data(), bytes.size(), doc, error);
}

bool LoadTreXmlInPlace(std::string& bytes, TreDocument& doc, std::string& error, bool& xmlError,
                       bool keepLayout) {
  xmlError = false;
  auto source = keepLayout ? std::make_shared<TreSource>() : nullptr;
  if (NeedsDecoding(bytes.data(), bytes.size()) && !DecodeXmlBytes(bytes, error, source.get())) {
    xmlError = true;
    return false;
  }
  if (keepLayout) {
    if (ScanKeepingLayout(bytes.data(), bytes.size(), &bytes, nullptr, source, doc)) return true;
    // The parser works in the bytes: the text is kept from a copy.
    std::string text = bytes;
    if (!ParseTreXmlInPlace(bytes, doc, error)) return false;
    KeepParsedLayout(text.data(), text.size(), &text, nullptr, std::move(source), doc);
    return true;
  }
  return ScanTreXml(bytes.data(), bytes.size(), doc) || ParseTreXmlInPlace(bytes, doc, error);
}

void WriteTreXml(const TreDocument& doc, std::string& out) {
  if (doc.source) {
    WriteKeptTreXml(doc, out);
    EncodeLikeSource(*doc.source, out);
    return;
  }
  out.clear();
  size_t guess = 128;
  for (const auto& p : doc.pages) {
    guess += 96 + p->title.size() + p->desc.size();
    for (const auto& s : p->strings) guess += 32 + s->Raw().size() + s->Raw().size() / 16;
  }
  out.reserve(guess);
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<language id=\"";
  out += std::to_string(doc.lang);
  out += "\">\r\n";
  for (const auto& p : doc.pages) {
    out += "  <page id=\"";
    out += std::to_string(p->id);
    out += "\" title=\"";
    AppendEscaped(out, p->title, '"');
    out += "\" descr=\"";
    AppendEscaped(out, p->desc, '"');
    out += "\" voice=\"";
    out += p->voice ? '1' : '0';
    out += "\">\r\n";
    for (const auto& s : p->strings) {
      out += "    <t id=\"";
      out += std::to_string(s->id);
      out += "\">";
      AppendEscaped(out, s->Raw());
      out += "</t>\r\n";
    }
    out += "  </page>\r\n";
  }
  out += "</language>\r\n";
}

}  // namespace videdoded

// Processing of raw texts: escapes and string references.
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "TreModel.h"
#include "videdoded.h"

namespace videdoded {

namespace {

// References resolved for one top-level text at most; beyond it references stay as
// written (keeps texts that reference each other many times from blowing up).
constexpr int kMaxReferences = 4096;

struct Context {
  std::vector<std::pair<int32_t, int32_t>> active;  // (page, id) being expanded
  int references = 0;
};

bool ParseNumber(std::string_view t, size_t& i, int32_t& out) {
  while (i < t.size() && t[i] == ' ') ++i;
  bool neg = false;
  if (i < t.size() && t[i] == '-') {
    neg = true;
    ++i;
  }
  size_t start = i;
  int64_t v = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
    v = v * 10 + (t[i] - '0');
    if (v > 2147483648LL) return false;
    ++i;
  }
  if (i == start) return false;
  if (neg) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return false;
  while (i < t.size() && t[i] == ' ') ++i;
  out = static_cast<int32_t>(v);
  return true;
}

// Reads "{ID}" or "{PAGE,ID}" at t[i] == '{'; on success i is past the "}".
bool ParseReference(std::string_view t, size_t& i, int32_t pageId, int32_t& page, int32_t& id) {
  size_t k = i + 1;
  int32_t a = 0, b = 0;
  if (!ParseNumber(t, k, a)) return false;
  if (k < t.size() && t[k] == '}') {
    page = pageId;
    id = a;
    i = k + 1;
    return true;
  }
  if (k >= t.size() || t[k] != ',') return false;
  ++k;
  if (!ParseNumber(t, k, b)) return false;
  if (k >= t.size() || t[k] != '}') return false;
  page = a;
  id = b;
  i = k + 1;
  return true;
}

// The first '\\' or '{' in t from i on (t.size() when none).
size_t NextSpecial(std::string_view t, size_t i) {
  const char* p = t.data() + i;
  const char* const end = t.data() + t.size();
#if defined(__SSE2__)
  const __m128i bs = _mm_set1_epi8('\\'), brace = _mm_set1_epi8('{');
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, bs), _mm_cmpeq_epi8(v, brace)));
    if (mask) return static_cast<size_t>(p - t.data()) + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    p += 16;
  }
#endif
  while (p < end && *p != '\\' && *p != '{') ++p;
  return static_cast<size_t>(p - t.data());
}

const TreString* Lookup(const TreDocument* doc, int32_t page, int32_t id) {
  if (doc) {
    if (const TrePage* p = doc->FindPage(page))
      if (const TreString* s = p->Find(id)) return s;
  }
  const TreDocument& store = Store();
  if (doc != &store && (!doc || doc->lang == store.lang)) {
    if (const TrePage* p = store.FindPage(page))
      if (const TreString* s = p->Find(id)) return s;
  }
  return nullptr;
}

void Expand(const TreDocument* doc, int32_t pageId, std::string_view t, std::string& out, Context& ctx,
            int depth) {
  size_t i = 0;
  while (i < t.size()) {
    if (out.size() >= kTreMaxText) return;
    // Copy the plain run up to the next special character in one go.
    const size_t j = NextSpecial(t, i);
    if (j > i) {
      out.append(t.data() + i, j - i);
      i = j;
      continue;
    }
    char c = t[i];
    if (c == '\\') {
      if (i + 1 < t.size()) {
        char n = t[i + 1];
        switch (n) {
          case 'n': out.push_back('\n'); i += 2; continue;
          case 't': out.push_back('\t'); i += 2; continue;
          case '\\': case '{': case '}': out.push_back(n); i += 2; continue;
          default: break;
        }
      }
      out.push_back('\\');
      ++i;
      continue;
    }
    // '{'
    size_t k = i;
    int32_t page = 0, id = 0;
    if (!ParseReference(t, k, pageId, page, id)) {
      out.push_back('{');
      ++i;
      continue;
    }
    const TreString* s = nullptr;
    bool cycle = false;
    for (const auto& a : ctx.active)
      if (a.first == page && a.second == id) cycle = true;
    if (!cycle && depth < kTreMaxDepth && ctx.references < kMaxReferences) s = Lookup(doc, page, id);
    if (!s || !s->page) {
      out.append(t.data() + i, k - i);  // stays as written
    } else {
      ++ctx.references;
      ctx.active.emplace_back(page, id);
      Expand(s->page->doc, s->page->id, s->Raw(), out, ctx, depth + 1);
      ctx.active.pop_back();
    }
    i = k;
  }
}

void CutToLimit(std::string& out) {
  if (out.size() <= kTreMaxText) return;
  size_t n = kTreMaxText;
  // Do not leave half a UTF-8 sequence at the end.
  while (n > 0 && (static_cast<unsigned char>(out[n]) & 0xC0) == 0x80) --n;
  out.resize(n);
}

}  // namespace

namespace {

// `mayBeRaw`: the text may be its own processed form (then copied as it is).
void Process(const TreDocument* doc, int32_t pageId, const int32_t* selfId, std::string_view raw,
             std::string& out, bool mayBeRaw = true) {
  out.clear();
  if (mayBeRaw && std::memchr(raw.data(), '\\', raw.size()) == nullptr && std::memchr(raw.data(), '{', raw.size()) == nullptr) {
    out.assign(raw.data(), raw.size());
    CutToLimit(out);
    return;
  }
  // The context's list is kept between texts, so that resolving a whole store does not
  // allocate one per text.
  thread_local Context ctx;
  ctx.active.clear();
  ctx.references = 0;
  // A string that refers to itself stays as written.
  if (selfId) ctx.active.emplace_back(pageId, *selfId);
  Expand(doc, pageId, raw, out, ctx, 0);
  CutToLimit(out);
}

}  // namespace

bool ProcessedIsRaw(std::string_view raw) {
  return raw.size() <= kTreMaxText && std::memchr(raw.data(), '\\', raw.size()) == nullptr &&
         std::memchr(raw.data(), '{', raw.size()) == nullptr;
}

void ProcessText(const TreDocument* doc, int32_t pageId, std::string_view raw, std::string& out) {
  Process(doc, pageId, nullptr, raw, out);
}

void StringText(const TreString& s, std::string& out) {
  const TrePage* p = s.page;
  if (s.hasCached && !(p && p->doc && p->doc->cachesStale)) {
    std::string_view t = s.Cached();
    out.assign(t.data(), t.size());
    return;
  }
  if (!p) {
    out.clear();
    return;
  }
  if (s.form == TreString::Form::kRaw) {
    const std::string_view raw = s.Raw();
    out.assign(raw.data(), raw.size());
    return;
  }
  Process(p->doc, p->id, &s.id, s.Raw(), out, s.form != TreString::Form::kProcessed);
}

}  // namespace videdoded

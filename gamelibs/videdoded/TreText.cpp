// Processing of raw texts: escapes and string references.
#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <unordered_map>
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

// A reference (page, id) as written, and where on the stack of texts being worked out
// it met a cycle.
struct Ref {
  int32_t page = 0, id = 0;
};
struct CycleHit {
  Ref ref;
  uint32_t level = 0;  // the index in Context::active of the text it named
};

// The worked-out text of one string at one nesting depth, kept while one top-level text
// is worked out: the same string named again at the same depth is copied from what it
// gave before, when nothing around it would make it come out otherwise.
struct Share {
  size_t begin = 0, size = 0;  // its text in the output
  int references = 0;          // references it resolved
  uint32_t level = 0;          // its place on the stack of texts being worked out
  size_t resolvedBegin = 0, resolvedEnd = 0;  // the references it resolved, in Context::resolved
  size_t hitsBegin = 0, hitsEnd = 0;          // the cycles it met, in Context::hits
};

struct ShareKey {
  const TreString* s;
  int depth;
  bool operator==(const ShareKey& o) const { return s == o.s && depth == o.depth; }
};
struct ShareKeyHash {
  size_t operator()(const ShareKey& k) const {
    return std::hash<const void*>()(k.s) ^ (static_cast<size_t>(k.depth) * 0x9E3779B97F4A7C15ull);
  }
};

struct Context {
  std::vector<Ref> active;  // texts being expanded, outermost first
  int references = 0;
  // References refused for the cap on references: a text worked out after one is not
  // shared (it would have resolved more).
  int refused = 0;
  std::vector<Ref> resolved;   // every reference resolved, in order
  std::vector<CycleHit> hits;  // every reference that met a cycle, in order
  std::unordered_map<ShareKey, Share, ShareKeyHash> shares;

  void Reset() {
    active.clear();
    references = 0;
    refused = 0;
    resolved.clear();
    hits.clear();
    if (!shares.empty()) shares.clear();
  }
  // The index in `active` of the text that reference names, or -1.
  ptrdiff_t Active(Ref r) const {
    for (size_t k = 0; k < active.size(); ++k)
      if (active[k].page == r.page && active[k].id == r.id) return static_cast<ptrdiff_t>(k);
    return -1;
  }
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

// Room for n more bytes in a text being worked out, which never grows past one byte
// over the cap (what lies beyond is cut off anyway): the buffer stays within the size
// the allocator serves from its pools.
void Room(std::string& out, size_t n) {
  const size_t need = out.size() + n;
  if (need > out.capacity()) out.reserve(std::min(std::max(need, 2 * out.capacity()), kTreMaxText + 1));
}

// Appends n bytes, or as many as reach one byte past the cap: the cut at the end looks
// at no byte beyond that one, so the text comes out the same.
void Put(std::string& out, const char* p, size_t n) {
  if (out.size() + n > kTreMaxText + 1) n = out.size() > kTreMaxText ? 0 : kTreMaxText + 1 - out.size();
  Room(out, n);
  out.append(p, n);
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

bool Reuse(const TreString* s, int depth, std::string& out, Context& ctx);
void ExpandShared(const TreString* s, Ref ref, int depth, std::string& out, Context& ctx);

void Expand(const TreDocument* doc, int32_t pageId, std::string_view t, std::string& out, Context& ctx,
            int depth) {
  size_t i = 0;
  while (i < t.size()) {
    if (out.size() >= kTreMaxText) return;
    // Copy the plain run up to the next special character in one go.
    const size_t j = NextSpecial(t, i);
    if (j > i) {
      Put(out, t.data() + i, j - i);
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
    const Ref ref{page, id};
    const TreString* s = nullptr;
    if (depth < kTreMaxDepth) {
      const ptrdiff_t cycleAt = ctx.Active(ref);
      if (cycleAt >= 0) ctx.hits.push_back({ref, static_cast<uint32_t>(cycleAt)});
      else if (ctx.references < kMaxReferences) s = Lookup(doc, page, id);
      else ++ctx.refused;
    }
    if (!s || !s->page) {
      Put(out, t.data() + i, k - i);  // stays as written
    } else {
      ++ctx.references;
      ctx.resolved.push_back(ref);
      if (!Reuse(s, depth + 1, out, ctx)) ExpandShared(s, ref, depth + 1, out, ctx);
    }
    i = k;
  }
}

// Copies the text the string gave before at that depth, when it would come out the
// same here: it resolves no reference to a text being worked out around it, every
// cycle it met is still one, and it stays within the caps on references and length.
bool Reuse(const TreString* s, int depth, std::string& out, Context& ctx) {
  if (ctx.shares.empty()) return false;
  const auto it = ctx.shares.find({s, depth});
  if (it == ctx.shares.end()) return false;
  const Share& m = it->second;
  if (ctx.references + m.references > kMaxReferences || out.size() + m.size >= kTreMaxText) return false;
  for (size_t r = m.resolvedBegin; r < m.resolvedEnd; ++r)
    if (ctx.Active(ctx.resolved[r]) >= 0) return false;
  const uint32_t level = static_cast<uint32_t>(ctx.active.size());
  for (size_t h = m.hitsBegin; h < m.hitsEnd; ++h)
    if (ctx.hits[h].level < m.level && ctx.Active(ctx.hits[h].ref) < 0) return false;
  // The same text, and the same record of what it resolved and met, at this place.
  // Room first, so that the copy reads from the bytes it sits beside: room for a text
  // up to the cap at once, as one that repeats itself mostly runs up to it.
  if (out.capacity() < out.size() + m.size) out.reserve(kTreMaxText + 1);
  out.append(out.data() + m.begin, m.size);
  ctx.references += m.references;
  const size_t resolvedBegin = m.resolvedBegin, resolvedEnd = m.resolvedEnd;
  const size_t hitsBegin = m.hitsBegin, hitsEnd = m.hitsEnd;
  const uint32_t shareLevel = m.level;
  for (size_t r = resolvedBegin; r < resolvedEnd; ++r) {
    const Ref again = ctx.resolved[r];
    ctx.resolved.push_back(again);
  }
  for (size_t h = hitsBegin; h < hitsEnd; ++h) {
    CycleHit hit = ctx.hits[h];
    hit.level = hit.level < shareLevel ? static_cast<uint32_t>(ctx.Active(hit.ref)) : hit.level - shareLevel + level;
    ctx.hits.push_back(hit);
  }
  return true;
}

// Works out a string named by a reference, and keeps what it gave for the next time it
// is named at that depth, when that text is whole and resolved references of its own.
void ExpandShared(const TreString* s, Ref ref, int depth, std::string& out, Context& ctx) {
  const size_t begin = out.size();
  const int references = ctx.references, refused = ctx.refused;
  const size_t resolvedBegin = ctx.resolved.size(), hitsBegin = ctx.hits.size();
  const uint32_t level = static_cast<uint32_t>(ctx.active.size());
  ctx.active.push_back(ref);
  Expand(s->page->doc, s->page->id, s->Raw(), out, ctx, depth);
  ctx.active.pop_back();
  if (ctx.refused != refused || out.size() >= kTreMaxText || ctx.references == references) return;
  Share m;
  m.begin = begin;
  m.size = out.size() - begin;
  m.references = ctx.references - references;
  m.level = level;
  m.resolvedBegin = resolvedBegin;
  m.resolvedEnd = ctx.resolved.size();
  m.hitsBegin = hitsBegin;
  m.hitsEnd = ctx.hits.size();
  ctx.shares.emplace(ShareKey{s, depth}, m);
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
  ctx.Reset();
  // A string that refers to itself stays as written.
  if (selfId) ctx.active.push_back({pageId, *selfId});
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

void StringText(TreString& s, std::string& out) {
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
  // The store's texts are worked out when first asked for and kept until the store
  // changes (a merged file marks the kept ones stale; an unload or a new language
  // drops them).
  const TreDocument* d = p->doc;
  if (d && d->isStore && !d->cachesStale && s.form == TreString::Form::kProcessed) {
    try {
      s.SetCached(std::string(out));
      s.hasCached = true;
    } catch (const std::bad_alloc&) {
      s.DropCached();  // worked out again at the next look-up
    }
  }
}

}  // namespace videdoded

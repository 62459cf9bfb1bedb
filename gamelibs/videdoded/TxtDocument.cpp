#include "TxtDocument.h"

#include <charconv>
#include <cstring>

#include "Cp1252.h"

namespace videdoded {

bool TxtDocument::Load(std::string bytes, bool remarksAsData, std::string& error) {
  const char* d = bytes.data();
  size_t n = bytes.size();
  if (const void* z = std::memchr(d, '\0', n)) {
    size_t at = static_cast<const char*>(z) - d;
    size_t line = 1;
    for (const char* p = d; (p = static_cast<const char*>(std::memchr(p, '\n', (d + at) - p))); ++p) ++line;
    error = "Type file holds a NUL byte at line " + std::to_string(line) + " (offset " + std::to_string(at) +
            "); it is not a text file.";
    return false;
  }
  size_t line = 1;
  for (size_t start = 0; start < n; ++line) {
    const void* nl = std::memchr(d + start, '\n', n - start);
    size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - d) : n;
    if (end - start > kTxtMaxLine) {
      error = "Type file line " + std::to_string(line) + " is longer than " + std::to_string(kTxtMaxLine) +
              " bytes.";
      return false;
    }
    start = end + 1;
  }
  buf_ = std::move(bytes);
  remarksAsData_ = remarksAsData;
  cur_ = Cursor{};
  cur_.line = 0;
  EnterLine(0);
  return true;
}

bool TxtDocument::OnlyBlanks(size_t from, size_t to) const {
  for (size_t i = from; i < to; ++i)
    if (buf_[i] != ' ' && buf_[i] != '\t') return false;
  return true;
}

// Finds the first line at or after start that holds a token and puts the cursor on
// its first item; the end when there is none.
void TxtDocument::EnterLine(size_t start) {
  const char* d = buf_.data();
  size_t n = buf_.size();
  while (start < n) {
    ++cur_.line;
    const void* nl = std::memchr(d + start, '\n', n - start);
    size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - d) : n;
    size_t next = nl ? end + 1 : n;
    if (nl && end > start && d[end - 1] == '\r') --end;
    bool remark = end - start >= 2 && d[start] == '/' && d[start + 1] == '/';
    if ((!remark || remarksAsData_) && !OnlyBlanks(start, end)) {
      cur_.lineEnd = end;
      cur_.nextLine = next;
      ItemAt(start);
      return;
    }
    start = next;
  }
  cur_.kind = kKzTokenEnd;
  cur_.begin = cur_.end = cur_.after = n;
}

void TxtDocument::ItemAt(size_t start) {
  const char* d = buf_.data();
  cur_.kind = kKzTokenItem;
  cur_.begin = start;
  // Fields are short: a plain scan beats a library call for each of them.
  const char* p = d + start;
  const char* e = d + cur_.lineEnd;
  while (p < e && *p != ';') ++p;
  if (p < e) {
    cur_.end = static_cast<size_t>(p - d);
    cur_.after = cur_.end + 1;
  } else {
    cur_.end = cur_.lineEnd;
    cur_.after = cur_.lineEnd;
  }
}

void TxtDocument::Next() {
  switch (cur_.kind) {
    case kKzTokenItem: {
      size_t a = cur_.after;
      if (a < cur_.lineEnd && !OnlyBlanks(a, cur_.lineEnd)) {
        cur_.kind = kKzTokenContinuation;
        cur_.begin = cur_.end = a;
      } else {
        EnterLine(cur_.nextLine);
      }
      break;
    }
    case kKzTokenContinuation:
      ItemAt(cur_.after);
      break;
    default:
      break;
  }
}

bool TxtDocument::Advance(int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    if (cur_.kind == kKzTokenEnd) return false;
    Next();
  }
  return true;
}

bool TxtDocument::ParseLong(const char* p, size_t n, int32_t& out) {
  size_t i = 0;
  bool neg = false;
  if (n > 0 && p[0] == '-') {
    neg = true;
    i = 1;
  }
  if (i == n) return false;
  uint64_t v = 0;
  for (; i < n; ++i) {
    unsigned c = static_cast<unsigned char>(p[i]) - '0';
    if (c > 9) return false;
    v = v * 10 + c;
    if (v > 2147483648ull) return false;
  }
  if (!neg && v > 2147483647ull) return false;
  out = neg ? static_cast<int32_t>(-static_cast<int64_t>(v)) : static_cast<int32_t>(v);
  return true;
}

namespace {

// Up to 15 digits: the digits as a whole number and a power of ten are both exact, so
// one division gives the correctly rounded value.
constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A plain decimal number with a "." of at most 16 characters after the sign, from its
// digits m and the count of digits after the "."; longer ones through from_chars.
bool DecimalValue(const char* p, size_t n, size_t i, uint64_t m, int frac, double& out) {
  if (n - i <= 16) {
    double v = static_cast<double>(m) / kPow10[frac];
    out = i ? -v : v;
    return true;
  }
  auto r = std::from_chars(p, p + n, out, std::chars_format::fixed);
  return r.ec == std::errc() && r.ptr == p + n;
}

}  // namespace

bool TxtDocument::ParseDouble(const char* p, size_t n, double& out) {
  size_t i = (n > 0 && p[0] == '-') ? 1 : 0;
  bool dot = false, digit = false;
  uint64_t m = 0;
  int frac = -1;
  for (size_t k = i; k < n; ++k) {
    char c = p[k];
    if (c >= '0' && c <= '9') {
      digit = true;
      m = m * 10 + static_cast<unsigned>(c - '0');
      if (frac >= 0) ++frac;
    } else if (c == '.' && !dot) {
      dot = true;
      frac = 0;
    } else {
      return false;
    }
  }
  if (!dot || !digit) return false;
  return DecimalValue(p, n, i, m, frac, out);
}

void TxtDocument::Classify(const char* p, size_t n, Kz_Value& v) {
  if (n > 0 && n < 400) {
    char c = p[0];
    if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
      // One pass: an optional "-", digits and at most one "." (ParseLong, then
      // ParseDouble, in a single walk over the bytes).
      const size_t i = c == '-' ? 1 : 0;
      uint64_t m = 0;     // the digits (exact while a whole number can still fit)
      bool big = false;   // past what a 32-bit whole number can hold
      bool digit = false;
      int frac = -1;      // digits after the ".", -1 without one
      size_t k = i;
      for (; k < n; ++k) {
        unsigned d = static_cast<unsigned char>(p[k]) - '0';
        if (d <= 9) {
          digit = true;
          m = m * 10 + d;
          if (m > 2147483648ull) big = true;
          if (frac >= 0) ++frac;
        } else if (p[k] == '.' && frac < 0) {
          frac = 0;
        } else {
          break;
        }
      }
      if (k == n && digit) {
        if (frac < 0) {
          if (!big && (i || m <= 2147483647ull)) {
            v.l = i ? static_cast<int32_t>(-static_cast<int64_t>(m)) : static_cast<int32_t>(m);
            v.kind = Kz_Value::Long;
            return;
          }
        } else if (DecimalValue(p, n, i, m, frac, v.d)) {
          v.kind = Kz_Value::Double;
          return;
        }
      }
    }
  }
  v.kind = Kz_Value::Text;
  v.s.clear();
  AppendCp1252AsUtf8(v.s, p, n);
}

bool TxtDocument::TokenValue(Kz_Value& v) const {
  if (cur_.kind == kKzTokenEnd) return false;
  if (cur_.kind == kKzTokenContinuation) {
    v.kind = Kz_Value::Text;
    v.s.clear();
    return true;
  }
  Classify(buf_.data() + cur_.begin, cur_.end - cur_.begin, v);
  return true;
}

bool TxtDocument::ValidKind(int32_t kind) {
  return kind == kKzValueAny || kind == kKzValueNumber || kind == kKzValueText;
}

void TxtDocument::StepOverItem() {
  const size_t a = cur_.after;
  if (a < cur_.lineEnd && !OnlyBlanks(a, cur_.lineEnd))
    ItemAt(a);  // the continuation between two items of a line, and the next item
  else
    EnterLine(cur_.nextLine);
}

bool TxtDocument::LoadValue(int32_t kind, Kz_Value& v, int32_t& code, std::string& error) {
  if (!ValidKind(kind)) {
    code = kKzErrArgument;
    error = "Invalid value kind " + std::to_string(kind) + " (0 any, 1 number, 3 text).";
    return false;
  }
  return LoadChecked(kind, v, code, error);
}

bool TxtDocument::LoadChecked(int32_t kind, Kz_Value& v, int32_t& code, std::string& error) {
  if (cur_.kind != kKzTokenItem) {
    Cursor saved = cur_;
    while (cur_.kind == kKzTokenContinuation) Next();
    if (cur_.kind == kKzTokenEnd) {
      cur_ = saved;
      code = kKzErrEnd;
      error = "Unexpected end of file: no more values.";
      return false;
    }
    if (!LoadChecked(kind, v, code, error)) {
      cur_ = saved;
      return false;
    }
    return true;
  }
  const char* p = buf_.data() + cur_.begin;
  size_t n = cur_.end - cur_.begin;
  if (kind == kKzValueText) {
    v.kind = Kz_Value::Text;
    v.s.clear();
    AppendCp1252AsUtf8(v.s, p, n);
  } else {
    Classify(p, n, v);
    if (kind == kKzValueNumber && v.kind == Kz_Value::Text) {
      code = kKzErrValue;
      std::string shown = v.s.size() > 64 ? v.s.substr(0, 64) + "..." : v.s;
      error = "Expected a number, not \"" + shown + "\" (line " + std::to_string(cur_.line) + ").";
      return false;
    }
  }
  StepOverItem();
  return true;
}

size_t TxtDocument::LoadValues(int32_t kind, Kz_Value* v, size_t n, int32_t& code, std::string& error) {
  if (!ValidKind(kind)) {
    code = kKzErrArgument;
    error = "Invalid value kind " + std::to_string(kind) + " (0 any, 1 number, 3 text).";
    return 0;
  }
  for (size_t i = 0; i < n; ++i)
    if (!LoadChecked(kind, v[i], code, error)) return i;
  return n;
}

}  // namespace videdoded

#include "TxtDocument.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "Cp1252.h"
#include "Errors.h"
#include "LargeBuffer.h"
#include "TxtFields.h"

namespace videdoded {

namespace {

size_t LineOf(const char* d, size_t at) {
  size_t line = 1;
  for (const char* p = d; (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>((d + at) - p))));
       ++p)
    ++line;
  return line;
}

// The start of the first line longer than kTxtMaxLine bytes (CR included), or n. A
// window of kTxtMaxLine + 1 bytes that holds no line feed lies inside such a line;
// otherwise every line up to the window's last line feed is short enough. Each byte
// is looked at about twice, with one library call per window instead of one per line.
size_t FirstOverlongLine(const char* d, size_t n) {
  constexpr size_t kWindow = kTxtMaxLine + 1;
  size_t start = 0;
  while (n - start >= kWindow) {
    const void* nl = ::memrchr(d + start, '\n', kWindow);
    if (!nl) return start;
    start = static_cast<size_t>(static_cast<const char*>(nl) - d) + 1;
  }
  return n;
}

}  // namespace

bool TxtDocument::Load(std::string bytes, bool remarksAsData, std::string& error) {
  if (!Check(bytes, error)) return false;
  // Held where a reader may share them (a text kept where it stands outlives the document);
  // the last to let go of them hands their buffer on to the next large load.
  std::shared_ptr<const std::string> own(new std::string(std::move(bytes)), [](const std::string* held) {
    std::string* bytes = const_cast<std::string*>(held);
    KeepLarge(std::move(*bytes));
    delete bytes;
  });
  buf_ = *own;
  keep_ = std::move(own);
  lasting_ = true;
  Start(remarksAsData);
  return true;
}

bool TxtDocument::LoadView(std::string_view bytes, std::shared_ptr<const void> keep, bool remarksAsData,
                           std::string& error, bool lasting) {
  if (!Check(bytes, error)) return false;
  keep_ = std::move(keep);
  lasting_ = lasting && keep_ != nullptr;
  buf_ = bytes;
  Start(remarksAsData);
  return true;
}

void TxtDocument::Start(bool remarksAsData) {
  remarksAsData_ = remarksAsData;
  cur_ = Cursor{};
  EnterLine(0);
}

bool TxtDocument::Check(std::string_view bytes, std::string& error) {
  const char* d = bytes.data();
  const size_t n = bytes.size();
  if (n == 0) return true;  // an empty file has no bytes to look at (and maybe no address)
  if (const void* z = std::memchr(d, '\0', n)) {
    const size_t at = static_cast<size_t>(static_cast<const char*>(z) - d);
    error = "Type file holds a NUL byte at line " + std::to_string(LineOf(d, at)) + " (offset " +
            std::to_string(at) + "); it is not a text file.";
    return false;
  }
  const size_t longLine = FirstOverlongLine(d, n);
  if (longLine < n) {
    error = "Type file line " + std::to_string(LineOf(d, longLine)) + " is longer than " +
            std::to_string(kTxtMaxLine) + " bytes.";
    return false;
  }
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
  const size_t n = buf_.size();
  while (start < n) {
    ++cur_.line;
    const void* nl = std::memchr(d + start, '\n', n - start);
    size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - d) : n;
    const size_t next = nl ? end + 1 : n;
    if (nl && end > start && d[end - 1] == '\r') --end;
    const bool remark = end - start >= 2 && d[start] == '/' && d[start + 1] == '/';
    if ((!remark || remarksAsData_) && !OnlyBlanks(start, end)) {
      cur_.kind = kKzTokenItem;
      cur_.begin = start;
      cur_.lineEnd = end;
      cur_.nextLine = next;
      return;
    }
    start = next;
  }
  cur_.kind = kKzTokenEnd;
  cur_.begin = n;
}

size_t TxtDocument::ItemEnd(size_t begin) const {
  // Fields are short: a plain scan beats a library call for each of them.
  const char* d = buf_.data();
  const char* p = d + begin;
  const char* e = d + cur_.lineEnd;
  while (p < e && *p != ';') ++p;
  return static_cast<size_t>(p - d);
}

void TxtDocument::StepOverItem(size_t end) {
  const size_t a = end < cur_.lineEnd ? end + 1 : end;
  if (a < cur_.lineEnd && !OnlyBlanks(a, cur_.lineEnd))
    cur_.begin = a;  // past the continuation between two items of a line, on the next item
  else
    EnterLine(cur_.nextLine);
}

void TxtDocument::Next() {
  switch (cur_.kind) {
    case kKzTokenItem: {
      const size_t end = ItemEnd(cur_.begin);
      const size_t a = end < cur_.lineEnd ? end + 1 : end;
      if (a < cur_.lineEnd && !OnlyBlanks(a, cur_.lineEnd)) {
        cur_.kind = kKzTokenContinuation;
        cur_.begin = a;
      } else {
        EnterLine(cur_.nextLine);
      }
      break;
    }
    case kKzTokenContinuation:
      cur_.kind = kKzTokenItem;
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

// Fields of 400 bytes or more are texts whatever they hold.
constexpr size_t kNumberLimit = 400;

// The text p..e, known to hold no byte of 0x80 or above when ascii.
inline void SetText(Kz_Value& v, const char* p, const char* e, bool ascii) {
  v.kind = Kz_Value::Text;
  v.at = ascii ? p : nullptr;
  if (ascii) {
    v.s.assign(p, static_cast<size_t>(e - p));
  } else {
    v.s.clear();
    AppendCp1252AsUtf8(v.s, p, static_cast<size_t>(e - p));
  }
}

// A text of plain ASCII p..e given by its place (see kKzValuePlaced); one too long for
// a length in l is given in s instead.
inline void PlaceText(Kz_Value& v, const char* p, const char* e) {
  const size_t n = static_cast<size_t>(e - p);
  if (n > static_cast<size_t>(INT32_MAX)) [[unlikely]] {
    v.kind = Kz_Value::Text;
    v.at = nullptr;
    v.s.assign(p, n);
    return;
  }
  v.kind = Kz_Value::Text;
  v.at = p;
  v.l = static_cast<int32_t>(n);
  v.s.clear();
}

// What the walk over a field found.
enum class Shape : uint8_t {
  Whole,         // a whole number that fits 32 bits, ending at q
  Decimal,       // a floating-point number of at most 16 characters after the sign, ending at q
  LongDecimal,   // one with more (read by the general parser, which may refuse it)
  PlainText,     // a text p..q that ends the field, every byte below 0x80
  Text,          // a text: the walk stopped at q, before the field's end, every byte before q below 0x80
  Unread,        // not read yet (on the last line of the bytes, or a long run of digits)
};

struct Scan {
  const char* q;       // see Shape
  const char* digits;  // the first byte after the sign
  const char* dot;     // the "." of a floating-point number
  uint64_t m;          // a number's digits (exact while a number can still be read from them)
  bool neg;
};

// Walks the field that begins at p and ends at the next ";" or at e as far as it can
// still be a number: a whole number is an optional "-" and digits that fit 32 bits, a
// floating-point number an optional "-" and digits with one "." (at least one digit);
// anything else is text. Fields of kNumberLimit bytes or more are texts. Byte by byte.
inline Shape ScanFieldByteByByte(const char* p, const char* e, Scan& s) {
  const char* q = p;
  s.neg = q < e && *q == '-';
  q += s.neg;
  s.digits = q;
  uint64_t m = 0;
  bool big = false;  // past what a 32-bit whole number can hold
  unsigned c;
  while (q < e && (c = static_cast<unsigned char>(*q) - '0') <= 9) {
    m = m * 10 + c;
    big |= m > 2147483648ull;
    ++q;
  }
  s.q = q;
  s.m = m;
  if (q == e || *q == ';') {
    if (q != s.digits && !big && (s.neg || m <= 2147483647ull) && static_cast<size_t>(q - p) < kNumberLimit)
      return Shape::Whole;
    return Shape::PlainText;
  }
  if (*q != '.') return Shape::Text;
  s.dot = q++;
  while (q < e && (c = static_cast<unsigned char>(*q) - '0') <= 9) {
    m = m * 10 + c;
    ++q;
  }
  s.q = q;
  s.m = m;
  if (q != e && *q != ';') return Shape::Text;
  if (q - s.digits <= 1 || static_cast<size_t>(q - p) >= kNumberLimit) return Shape::PlainText;
  return q - s.digits <= 16 ? Shape::Decimal : Shape::LongDecimal;
}

// ScanFieldByteByByte without a bound on each byte, for a field whose line ends before
// the bytes do (the byte at e, when e < end, is a line end: never part of a number);
// Unread for the others.
inline Shape ScanFieldQuickly(const char* p, const char* e, const char* end, Scan& s) {
  if (e == end) [[unlikely]]
    return Shape::Unread;
  // A branch, not a sum: where the digits begin is then known before the byte is read.
  bool neg = false;
  const char* digits = p;
  if (*p == '-') [[unlikely]] {
    neg = true;
    ++digits;
  }
  const char* q = digits;
  uint64_t m = 0;  // exact up to 19 digits (longer runs are left to the walk byte by byte)
  unsigned c;
  while ((c = static_cast<unsigned char>(*q) - '0') <= 9) {
    m = m * 10 + c;
    ++q;
  }
  s.neg = neg;
  s.digits = digits;
  s.q = q;
  s.m = m;
  if (q == e || *q == ';') {
    if (q - digits > 19) [[unlikely]]
      return Shape::Unread;
    return q != digits && m <= 2147483647ull + neg ? Shape::Whole : Shape::PlainText;
  }
  if (*q != '.') return Shape::Text;
  s.dot = q++;
  while ((c = static_cast<unsigned char>(*q) - '0') <= 9) {
    m = m * 10 + c;
    ++q;
  }
  s.q = q;
  s.m = m;
  if (q != e && *q != ';') return Shape::Text;
  if (q - digits > 16) return Shape::Unread;
  return q - digits > 1 ? Shape::Decimal : Shape::PlainText;
}

// ScanFieldByteByByte, quickly where it can (see ScanFieldQuickly).
inline Shape ScanField(const char* p, const char* e, const char* end, Scan& s) {
  const Shape shape = ScanFieldQuickly(p, e, end, s);
  return shape != Shape::Unread ? shape : ScanFieldByteByByte(p, e, s);
}

inline int32_t WholeValue(const Scan& s) {
  return s.neg ? static_cast<int32_t>(-static_cast<int64_t>(s.m)) : static_cast<int32_t>(s.m);
}

// A short decimal's value: its digits as a whole number and the power of ten are both
// exact, so one division gives the correctly rounded value.
inline double ShortDecimalValue(const Scan& s) {
  const double v = static_cast<double>(s.m) / kPow10[s.q - s.dot - 1];
  return s.neg ? -v : v;
}

// Whether a whole number is the writer's form of its value: no leading zero, no "-0".
inline bool WholeIsOwnForm(const Scan& s) { return !(*s.digits == '0' && (s.q - s.digits > 1 || s.neg)); }

// Up to 15 digits a decimal is the shortest form of the number it reads as unless its
// digits say otherwise (a decimal of at most 15 digits is the only one of so few that
// reads as that number): no leading zero before a digit, a digit on each side of the
// ".", and no trailing zero but for "x.0".
inline bool ShortDecimalIsOwnForm(const Scan& s) {
  const bool intOk = s.dot > s.digits && (*s.digits != '0' || s.dot - s.digits == 1);
  const bool fracOk = s.q - s.dot > 1 && (s.q[-1] != '0' || s.q - s.dot == 2);
  return intOk && fracOk;
}

// Eight bytes from p, the first in the lowest byte.
inline uint64_t Load8(const char* p) {
  static_assert(std::endian::native == std::endian::little);
  uint64_t x;
  std::memcpy(&x, p, sizeof x);
  return x;
}

constexpr uint64_t kEach(unsigned char c) { return 0x0101010101010101ull * c; }

// The end of a field from q (the next ";", or e) in the bytes that end at end; high
// gets 0x80 when a byte before it is 0x80 or above. Eight bytes at a time while eight
// are there to read.
inline const char* FieldEnd(const char* q, const char* e, const char* end, unsigned char& high) {
  while (end - q >= 8) {
    const uint64_t x = Load8(q);
    const uint64_t y = x ^ kEach(';');
    const uint64_t semi = (y - kEach(1)) & ~y & kEach(0x80);  // exact up to its first ";"
    size_t n = semi ? static_cast<size_t>(std::countr_zero(semi)) >> 3 : 8;
    if (static_cast<size_t>(e - q) < n) n = static_cast<size_t>(e - q);
    const uint64_t before = n == 8 ? ~0ull : (uint64_t{1} << (8 * n)) - 1;
    if (x & before & kEach(0x80)) high = 0x80;
    q += n;
    if (n < 8) return q;
  }
  while (q < e && *q != ';') high |= static_cast<unsigned char>(*q++);
  return q;
}

// The rest of a text field from q (every byte before it below 0x80) into v; gives its end.
inline const char* ReadTextFrom(Kz_Value& v, const char* p, const char* q, const char* e, const char* end) {
  unsigned char high = 0;
  q = FieldEnd(q, e, end, high);
  SetText(v, p, q, high < 0x80);
  return q;
}

// A number's text, kept in v.s when the writer would form the number otherwise (see
// Kz_Value), and v.at where it stands; else both empty.
inline void KeepText(Kz_Value& v, const char* p, const char* q, bool own) {
  if (own) {
    v.s.clear();
    v.at = nullptr;
  } else {
    v.s.assign(p, static_cast<size_t>(q - p));
    v.at = p;
  }
}

// A floating-point number's text is its own form when the writer forms the same bytes
// (longer decimals are formed and compared).
inline bool DecimalIsOwnForm(const Kz_Value& v, const Scan& s, const char* p) {
  if (s.q - s.digits <= 16) return ShortDecimalIsOwnForm(s);
  const size_t n = static_cast<size_t>(s.q - p);
  char formed[kNumberFieldMax];
  const char* end = WriteDoubleField(formed, v.d);
  return end && static_cast<size_t>(end - formed) == n + 1 && std::memcmp(formed, p, n) == 0;
}

// Reads the field that begins at p and ends at the next ";" or at e into v, and gives
// its end: unless asText, as ScanField classifies it (texts converted to UTF-8), a
// number's text kept as KeepText says.
inline const char* ReadField(const char* p, const char* e, const char* end, bool asText, Kz_Value& v) {
  if (asText) return ReadTextFrom(v, p, p, e, end);
  Scan s;
  switch (ScanField(p, e, end, s)) {
    case Shape::Whole:
      v.kind = Kz_Value::Long;
      v.l = WholeValue(s);
      KeepText(v, p, s.q, WholeIsOwnForm(s));
      return s.q;
    case Shape::Decimal:
    case Shape::LongDecimal:
      if (DecimalValue(p, static_cast<size_t>(s.q - p), s.neg ? 1 : 0, s.m, static_cast<int>(s.q - s.dot - 1),
                       v.d)) {
        v.kind = Kz_Value::Double;
        KeepText(v, p, s.q, DecimalIsOwnForm(v, s, p));
        return s.q;
      }
      [[fallthrough]];
    case Shape::PlainText:
      SetText(v, p, s.q, true);
      return s.q;
    case Shape::Text:
    case Shape::Unread:
      break;
  }
  return ReadTextFrom(v, p, s.q, e, end);
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

bool TxtDocument::TokenValue(Kz_Value& v) const {
  if (cur_.kind == kKzTokenEnd) return false;
  if (cur_.kind == kKzTokenContinuation) {
    v.kind = Kz_Value::Text;
    v.s.clear();
    v.at = nullptr;
    return true;
  }
  const char* d = buf_.data();
  ReadField(d + cur_.begin, d + cur_.lineEnd, d + buf_.size(), false, v);
  return true;
}

bool TxtDocument::ValidKind(int32_t kind) {
  return kind == kKzValueAny || kind == kKzValueNumber || kind == kKzValueText;
}

// The paths taken rarely stay out of the way of the one taken for nearly every value.
bool TxtDocument::BadKind(int32_t kind, int32_t& code, std::string& error) {
  code = kKzErrArgument;
  error = "Invalid value kind " + std::to_string(kind) + " (0 any, 1 number, 3 text).";
  return false;
}

bool TxtDocument::NotANumber(const Kz_Value& v, int32_t& code, std::string& error) const {
  code = kKzErrValue;
  std::string shown = v.s.size() > 64 ? v.s.substr(0, 64) + "..." : v.s;
  error = "Expected a number, not \"" + shown + "\" (line " + std::to_string(cur_.line) + ").";
  return false;
}

bool TxtDocument::LoadValue(int32_t kind, Kz_Value& v, int32_t& code, std::string& error) {
  if (!ValidKind(kind)) [[unlikely]]
    return BadKind(kind, code, error);
  return LoadChecked(kind, v, code, error);
}

inline bool TxtDocument::ReadItem(int32_t kind, Kz_Value& v, int32_t& code, std::string& error) {
  const char* d = buf_.data();
  const char* end = ReadField(d + cur_.begin, d + cur_.lineEnd, d + buf_.size(), kind == kKzValueText, v);
  if (kind == kKzValueNumber && v.kind == Kz_Value::Text) [[unlikely]]
    return NotANumber(v, code, error);
  StepOverItem(static_cast<size_t>(end - d));
  return true;
}

inline bool TxtDocument::LoadChecked(int32_t kind, Kz_Value& v, int32_t& code, std::string& error) {
  if (cur_.kind == kKzTokenItem) [[likely]]
    return ReadItem(kind, v, code, error);
  return LoadOffItem(kind, v, code, error);
}

// The common case (an item under the cursor, any value or a number asked, a number in
// the writer's form) makes no call but at its end, in place of returning: everything
// else goes on through a function of its own, so that the common case saves no
// registers for a call.
template <bool Placed>
[[gnu::always_inline]] inline int32_t TxtDocument::LoadValueAs(int32_t kind, Kz_Value& v) {
  if (cur_.kind != kKzTokenItem || static_cast<uint32_t>(kind) > kKzValueNumber) [[unlikely]] {
    if constexpr (Placed) return LoadPlacedRarely(kind, v);
    if (cur_.kind == kKzTokenItem && kind == kKzValueText) return LoadText(v);
    return LoadValueRarely(kind, v);
  }
  const char* const d = buf_.data();
  const char* const p = d + cur_.begin;
  const char* const e = d + cur_.lineEnd;
  Scan s;
  const Shape shape = ScanFieldQuickly(p, e, d + buf_.size(), s);
  switch (shape) {
    case Shape::Whole:
      v.kind = Kz_Value::Long;
      v.l = WholeValue(s);
      if (!WholeIsOwnForm(s)) [[unlikely]]
        return KeepTextAndStep(v, p, s.q);
      break;
    case Shape::Decimal:
      v.kind = Kz_Value::Double;
      v.d = ShortDecimalValue(s);
      if (!ShortDecimalIsOwnForm(s)) [[unlikely]]
        return KeepTextAndStep(v, p, s.q);
      break;
    case Shape::LongDecimal:
    case Shape::Unread:
      if constexpr (Placed) return LoadPlacedRarely(kind, v);
      return LoadValueRarely(kind, v);
    default:
      // A text: read again where a number was asked, for the error.
      if (kind == kKzValueNumber) [[unlikely]]
        return LoadValueRarely(kind, v);
      if constexpr (Placed) return PlacedTextAndStep(v, p, s.q, shape == Shape::PlainText);
      return TextAndStep(v, p, s.q, shape == Shape::PlainText);
  }
  v.s.clear();
  v.at = nullptr;
  // Past the ";" on the next item when one begins right there (else through the walk
  // that looks for the next item).
  if (e - s.q > 1 && s.q[1] != ' ' && s.q[1] != '\t') [[likely]] {
    cur_.begin = static_cast<size_t>(s.q + 1 - d);
    return 1;
  }
  return StepOver(s.q);
}

int32_t TxtDocument::LoadValue(int32_t kind, Kz_Value& v) { return LoadValueAs<false>(kind, v); }
int32_t TxtDocument::LoadValuePlaced(int32_t kind, Kz_Value& v) { return LoadValueAs<true>(kind, v); }

[[gnu::noinline]] int32_t TxtDocument::StepOver(const char* end) {
  StepOverItem(static_cast<size_t>(end - buf_.data()));
  return 1;
}

[[gnu::noinline]] int32_t TxtDocument::KeepTextAndStep(Kz_Value& v, const char* p, const char* end) {
  KeepText(v, p, end, false);
  return StepOver(end);
}

[[gnu::noinline]] int32_t TxtDocument::TextAndStep(Kz_Value& v, const char* p, const char* q, bool ended) {
  if (ended) {
    SetText(v, p, q, true);
    return StepOver(q);
  }
  const char* d = buf_.data();
  return StepOver(ReadTextFrom(v, p, q, d + cur_.lineEnd, d + buf_.size()));
}

[[gnu::noinline]] int32_t TxtDocument::PlacedTextAndStep(Kz_Value& v, const char* p, const char* q, bool ended) {
  if (!ended) {
    const char* d = buf_.data();
    unsigned char high = 0;
    q = FieldEnd(q, d + cur_.lineEnd, d + buf_.size(), high);
    if (high >= 0x80) {
      SetText(v, p, q, false);
      return StepOver(q);
    }
  }
  PlaceText(v, p, q);
  return StepOver(q);
}

[[gnu::noinline]] int32_t TxtDocument::LoadPlacedRarely(int32_t kind, Kz_Value& v) {
  const int32_t got =
      cur_.kind == kKzTokenItem && kind == kKzValueText ? LoadText(v) : LoadValueRarely(kind, v);
  if (got && v.kind == Kz_Value::Text && v.at) {
    if (v.s.size() <= static_cast<size_t>(INT32_MAX)) {
      v.l = static_cast<int32_t>(v.s.size());
      v.s.clear();
    } else {
      v.at = nullptr;
    }
  }
  return got;
}

[[gnu::noinline]] int32_t TxtDocument::LoadText(Kz_Value& v) {
  const char* d = buf_.data();
  return StepOver(ReadField(d + cur_.begin, d + cur_.lineEnd, d + buf_.size(), true, v));
}

[[gnu::noinline]] int32_t TxtDocument::LoadValueRarely(int32_t kind, Kz_Value& v) {
  int32_t code = 0;
  std::string error;
  if (LoadValue(kind, v, code, error)) return 1;
  Fail(code, std::move(error));
  return 0;
}

bool TxtDocument::LoadOffItem(int32_t kind, Kz_Value& v, int32_t& code, std::string& error) {
  if (cur_.kind == kKzTokenEnd) {
    code = kKzErrEnd;
    error = "Unexpected end of file: no more values.";
    return false;
  }
  // A continuation is always followed by an item of its line.
  cur_.kind = kKzTokenItem;
  if (ReadItem(kind, v, code, error)) return true;
  cur_.kind = kKzTokenContinuation;
  return false;
}

size_t TxtDocument::LoadValues(int32_t kind, Kz_Value* v, size_t n) {
  if (AskedPlaced(kind)) {
    kind -= kKzValuePlaced;
    for (size_t i = 0; i < n; ++i)
      if (!LoadValueAs<true>(kind, v[i])) return i;
    return n;
  }
  for (size_t i = 0; i < n; ++i)
    if (!LoadValueAs<false>(kind, v[i])) return i;
  return n;
}

}  // namespace videdoded

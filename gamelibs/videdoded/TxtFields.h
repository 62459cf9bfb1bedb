// The fields of a type file as the writer forms them: a whole number in decimal, a
// floating-point number in the shortest plain decimal form that reads back to the same
// value (always with a "."), a plain text as it stands; each followed by ";".
//
// Inline, so that a writer formatting many values (a parser saving its records) forms
// them without a library call each; Kz_TXTFormatValue and Kz_TXTWriteValue(s) use the
// same functions, so every writer gives the same bytes.
#pragma once

#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <system_error>

namespace videdoded {

// Room a number field may need: the longest plain form of a double, ".0" and ";".
inline constexpr size_t kNumberFieldMax = 400;

// Writes a whole number and ";" (at most 12 bytes); gives the end.
inline char* WriteLongField(char* p, int32_t v) noexcept {
  p = std::to_chars(p, p + 11, v).ptr;
  *p++ = ';';
  return p;
}

namespace detail {

inline char* WriteDecimalDigits(char* p, uint64_t v) noexcept { return std::to_chars(p, p + 20, v).ptr; }

// The shortest plain form of a finite number that reads back to it (the digits
// std::to_chars gives in fixed form; ".0" after a whole number), or null when the quick
// way does not apply.
// For |d| * 10^k below 2^52, half a unit in the last place of d is less than 10^-k / 2,
// so at most one decimal of k places reads back as d: the nearest to d * 10^k, when
// dividing it by 10^k gives d again. The first k for which one does is the shortest
// form, unless that decimal ends in 0 (then a shorter one also read back, which only
// happens when a rounding hid it: left to the library).
inline char* QuickFixedDigits(char* p, double d) noexcept {
  static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  static constexpr uint64_t kPow10Int[] = {1,          10,          100,          1000,          10000,
                                           100000,     1000000,     10000000,     100000000,     1000000000};
  static constexpr uint64_t kPow5[] = {1, 5, 25, 125, 625, 3125, 15625, 78125, 390625, 1953125};
  constexpr double kLimit = 4503599627370496.0;  // 2^52
  constexpr uint64_t kLimitInt = uint64_t{1} << 52;
  const bool negative = std::signbit(d);
  const double a = negative ? -d : d;
  // The decimal m / 10^k: found exactly from the bits for a binary fraction with few
  // places (a = M * 2^E, and a * 10^k = M * 5^k * 2^(E+k) is whole from k = -E - tz(M)
  // on; m is then odd, so no shorter k), else searched for.
  uint64_t m = 0;
  int k = -1;
  uint64_t bits;
  std::memcpy(&bits, &a, sizeof bits);
  const int biased = static_cast<int>(bits >> 52);
  if (biased == 0 && bits == 0) {
    k = 0;  // zero
  } else if (biased != 0) {
    const uint64_t mantissa = (bits & (kLimitInt - 1)) | kLimitInt;
    const int e = biased - 1075;  // a = mantissa * 2^e
    if (e < 0 && e > -64) {
      const int tz = std::countr_zero(mantissa);
      const int places = -e - tz;
      if (places <= 0) {
        m = mantissa >> -e;
        k = 0;
      } else if (places < 10) {
        const uint64_t odd = mantissa >> tz;
        if (odd < kLimitInt / kPow5[places]) {
          m = odd * kPow5[places];
          k = places;
        }
      }
      if (k >= 0 && m >= kLimitInt) k = -1;
    }
  }
  for (int j = 0; k < 0 && j < 10; ++j) {
    const double scaled = a * kPow10[j];
    if (!(scaled < kLimit)) return nullptr;
    const uint64_t near = static_cast<uint64_t>(scaled + 0.5);
    // Far from a whole number: no decimal of j places reads back (a quick test before
    // the exact one).
    if (std::fabs(scaled - static_cast<double>(near)) > scaled * 0x1p-50) continue;
    if (static_cast<double>(near) / kPow10[j] != a) continue;
    if (j > 0 && near % 10 == 0) return nullptr;
    m = near;
    k = j;
  }
  if (k < 0) return nullptr;
  if (negative) *p++ = '-';
  p = WriteDecimalDigits(p, m / kPow10Int[k]);
  *p++ = '.';
  if (k == 0) {
    *p++ = '0';
    return p;
  }
  uint64_t frac = m % kPow10Int[k];
  for (int i = k - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + frac % 10);
    frac /= 10;
  }
  return p + k;
}

}  // namespace detail

// Writes a floating-point number and ";" into at least kNumberFieldMax bytes; gives the
// end, or null (nothing meant) when the number cannot be written (not finite).
inline char* WriteDoubleField(char* p, double d) noexcept {
  if (!std::isfinite(d)) return nullptr;
  char* end = detail::QuickFixedDigits(p, d);
  if (!end) {
    auto r = std::to_chars(p, p + kNumberFieldMax - 3, d, std::chars_format::fixed);
    if (r.ec != std::errc()) return nullptr;
    end = r.ptr;
    if (!std::memchr(p, '.', static_cast<size_t>(end - p))) {
      *end++ = '.';
      *end++ = '0';
    }
  }
  *end++ = ';';
  return end;
}

// Whether a text is written as it stands: plain ASCII, nothing that would end the
// field or the line (";", CR, LF, NUL), and no remark start ("//").
inline bool PlainAsciiField(std::string_view t) noexcept {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHighs = 0x8080808080808080ULL;
  // Whether any byte of v equals c.
  auto has = [](uint64_t v, unsigned char c) {
    const uint64_t x = v ^ (kOnes * c);
    return (x - kOnes) & ~x & kHighs;
  };
  const char* s = t.data();
  const size_t n = t.size();
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t v;
    std::memcpy(&v, s + i, 8);
    if ((v & kHighs) | has(v, ';') | has(v, '\r') | has(v, '\n') | has(v, 0)) return false;
  }
  for (; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80 || c == ';' || c == '\r' || c == '\n' || c == 0) return false;
  }
  return !(n >= 2 && s[0] == '/' && s[1] == '/');
}

}  // namespace videdoded

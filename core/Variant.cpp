#include "core/Variant.h"

#include <charconv>
#include <cfenv>
#include <cmath>
#include <limits>

#include "core/AppError.h"

namespace kz {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

[[noreturn]] void ThrowTypeMismatch() { throw AppError(kErrTypeMismatch, "Variant"); }
[[noreturn]] void ThrowOverflow() { throw AppError(kErrOverflow, "Variant"); }

double TextToDouble(const std::string& s) {
  double d;
  if (!TryParseNumber(s, d)) ThrowTypeMismatch();
  return d;
}

}  // namespace

double Variant::NumberValue() const noexcept {
  switch (v_.index()) {
    case 1: return *std::get_if<1>(&v_);
    case 2: return *std::get_if<2>(&v_);
    case 3: return *std::get_if<3>(&v_);
    case 4: return *std::get_if<4>(&v_);
    case 6: return *std::get_if<6>(&v_) ? -1.0 : 0.0;
    default: return 0.0;
  }
}

bool TryParseNumber(std::string_view text, double& out) noexcept {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  std::string_view t = text.substr(b, e - b);
  if (t.empty()) return false;
  // &H / &O prefixed integers: up to 32 bits, read as a two's-complement value.
  if (t.size() >= 3 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h' || t[1] == 'O' || t[1] == 'o')) {
    int base = (t[1] == 'H' || t[1] == 'h') ? 16 : 8;
    std::string_view digits = t.substr(2);
    uint64_t v = 0;
    auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v, base);
    if (r.ec != std::errc() || r.ptr != digits.data() + digits.size() || v > 0xFFFFFFFFull) return false;
    // Up to four hexadecimal digits' worth is a 16-bit value (&HFFFF is -1), more a 32-bit one.
    out = v <= 0xFFFFu ? static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(v)))
                       : static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    return true;
  }
  const char* first = t.data();
  const char* last = t.data() + t.size();
  bool neg = false;
  if (*first == '+' || *first == '-') {
    neg = *first == '-';
    ++first;
  }
  if (first == last) return false;
  // Only plain decimal notation: digits, one point, an optional exponent. No "inf"/"nan".
  const char* p = first;
  bool digits = false;
  while (p < last && *p >= '0' && *p <= '9') ++p, digits = true;
  if (p < last && *p == '.') {
    ++p;
    while (p < last && *p >= '0' && *p <= '9') ++p, digits = true;
  }
  if (!digits) return false;
  if (p < last && (*p == 'e' || *p == 'E')) {
    ++p;
    if (p < last && (*p == '+' || *p == '-')) ++p;
    bool expDigits = false;
    while (p < last && *p >= '0' && *p <= '9') ++p, expDigits = true;
    if (!expDigits) return false;
  }
  if (p != last) return false;
  double v = 0;
  auto r = std::from_chars(first, last, v, std::chars_format::general);
  if (r.ptr != last) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Out of range: too small reads as zero, too large is not a number we can hold.
    // The decimal magnitude of the first significant digit tells which.
    long magnitude = 0;
    const char* q = first;
    long intDigits = 0;
    bool significant = false;
    for (; q < last && *q >= '0' && *q <= '9'; ++q) {
      if (*q != '0') significant = true;
      if (significant) ++intDigits;
    }
    if (significant) {
      magnitude = intDigits - 1;
    } else {
      long zeros = 0;
      if (q < last && *q == '.') {
        ++q;
        while (q < last && *q == '0') ++q, ++zeros;
      }
      magnitude = -(zeros + 1);
    }
    while (q < last && *q != 'e' && *q != 'E') ++q;
    long exp = 0;
    if (q < last) {
      ++q;
      bool eneg = false;
      if (*q == '+' || *q == '-') eneg = *q++ == '-';
      for (; q < last; ++q) exp = exp > 100000 ? exp : exp * 10 + (*q - '0');
      if (eneg) exp = -exp;
    }
    if (magnitude + exp >= 0) return false;
    v = 0.0;
  } else if (r.ec != std::errc()) {
    return false;
  }
  out = neg ? -v : v;
  return true;
}

int32_t round32(double value) {
  if (!std::isfinite(value)) ThrowOverflow();
  // nearbyint under the default rounding mode rounds halves to even.
  double r = std::nearbyint(value);
  if (r < -2147483648.0 || r > 2147483647.0) ThrowOverflow();
  return static_cast<int32_t>(r);
}

double CDbl(const Variant& v) {
  switch (v.Kind()) {
    case VariantKind::Empty: return 0.0;
    case VariantKind::Integer:
    case VariantKind::Long:
    case VariantKind::Single:
    case VariantKind::Double:
    case VariantKind::Boolean: return v.NumberValue();
    case VariantKind::String: return TextToDouble(v.AsString());
    case VariantKind::Object: break;
  }
  ThrowTypeMismatch();
}

int32_t CLng(const Variant& v) {
  switch (v.Kind()) {
    case VariantKind::Empty: return 0;
    case VariantKind::Integer: return v.AsInteger();
    case VariantKind::Long: return v.AsLong();
    case VariantKind::Boolean: return v.AsBoolean() ? -1 : 0;
    default: return round32(CDbl(v));
  }
}

int16_t CInt(const Variant& v) {
  if (v.Kind() == VariantKind::Integer) return v.AsInteger();
  int32_t l = CLng(v);
  if (l < -32768 || l > 32767) ThrowOverflow();
  return static_cast<int16_t>(l);
}

float CSng(const Variant& v) {
  if (v.Kind() == VariantKind::Single) return v.AsSingle();
  double d = CDbl(v);
  if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())) ThrowOverflow();
  return static_cast<float>(d);
}

bool CBool(const Variant& v) {
  switch (v.Kind()) {
    case VariantKind::Empty: return false;
    case VariantKind::Boolean: return v.AsBoolean();
    case VariantKind::String: {
      std::string_view s = v.AsString();
      while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
      while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
      if (EqualsNoCase(s, "true")) return true;
      if (EqualsNoCase(s, "false")) return false;
      return TextToDouble(v.AsString()) != 0.0;
    }
    case VariantKind::Object: ThrowTypeMismatch();
    default: return v.NumberValue() != 0.0;
  }
}

namespace {
template <class F>
std::string FloatText(F value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
  if (value == 0) return "0";  // also for -0
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  std::string s(buf, r.ptr);
  // Exponent as "E+20" / "E-07".
  auto e = s.find('e');
  if (e != std::string::npos) {
    s[e] = 'E';
    if (e + 1 < s.size() && s[e + 1] != '-' && s[e + 1] != '+') s.insert(e + 1, "+");
  }
  return s;
}
}  // namespace

std::string CStr(const Variant& v) {
  switch (v.Kind()) {
    case VariantKind::Empty: return {};
    case VariantKind::Integer: return std::to_string(v.AsInteger());
    case VariantKind::Long: return std::to_string(v.AsLong());
    case VariantKind::Single: return FloatText(v.AsSingle());
    case VariantKind::Double: return FloatText(v.AsDouble());
    case VariantKind::String: return v.AsString();
    case VariantKind::Boolean: return v.AsBoolean() ? "True" : "False";
    case VariantKind::Object: break;
  }
  ThrowTypeMismatch();
}

bool IsNumericValue(const Variant& v) noexcept {
  switch (v.Kind()) {
    case VariantKind::String: {
      double d;
      return TryParseNumber(v.AsString(), d);
    }
    case VariantKind::Object: return false;
    default: return true;
  }
}

bool VariantEquals(const Variant& a, const Variant& b) noexcept {
  VariantKind ka = a.Kind(), kb = b.Kind();
  auto numeric = [](VariantKind k) { return (k >= VariantKind::Integer && k <= VariantKind::Double) || k == VariantKind::Boolean; };
  if (numeric(ka) && numeric(kb)) {
    if (ka == kb && ka == VariantKind::Long) return a.AsLong() == b.AsLong();
    return a.NumberValue() == b.NumberValue();
  }
  if (ka != kb) return false;
  switch (ka) {
    case VariantKind::Empty: return true;
    case VariantKind::String: return a.AsString() == b.AsString();
    case VariantKind::Object: return a.AsObject() == b.AsObject();
    default: return false;
  }
}

}  // namespace kz

#pragma once
// A value of one of the program's scalar kinds (or an object reference), with the
// conversions and comparison the model uses on cell values and settings.
//
// Layout: a std::variant whose alternative index equals Kind, so Kind() is a load.
// Texts are UTF-8 std::string.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace kz {

// Base of everything a Variant can reference as an Object.
class Object {
 public:
  virtual ~Object() = default;
};

enum class VariantKind : uint8_t { Empty = 0, Integer, Long, Single, Double, String, Boolean, Object };

class Variant {
 public:
  using ObjectPtr = std::shared_ptr<kz::Object>;

  Variant() noexcept = default;
  Variant(int16_t v) noexcept : v_(std::in_place_index<1>, v) {}
  Variant(int32_t v) noexcept : v_(std::in_place_index<2>, v) {}
  Variant(float v) noexcept : v_(std::in_place_index<3>, v) {}
  Variant(double v) noexcept : v_(std::in_place_index<4>, v) {}
  Variant(std::string v) noexcept : v_(std::in_place_index<5>, std::move(v)) {}
  Variant(std::string_view v) : v_(std::in_place_index<5>, v) {}
  Variant(const char* v) : v_(std::in_place_index<5>, v ? v : "") {}
  Variant(bool v) noexcept : v_(std::in_place_index<6>, v) {}
  Variant(ObjectPtr v) noexcept : v_(std::in_place_index<7>, std::move(v)) {}
  template <class T>
    requires(std::is_base_of_v<kz::Object, T> && !std::is_same_v<T, kz::Object>)
  Variant(std::shared_ptr<T> v) noexcept : v_(std::in_place_index<7>, std::move(v)) {}

  VariantKind Kind() const noexcept { return static_cast<VariantKind>(v_.index()); }
  bool IsEmpty() const noexcept { return v_.index() == 0; }
  // Integer, Long, Single or Double (a Boolean is not counted as a number here).
  bool IsNumeric() const noexcept { return v_.index() >= 1 && v_.index() <= 4; }
  bool IsString() const noexcept { return v_.index() == 5; }
  bool IsBoolean() const noexcept { return v_.index() == 6; }
  bool IsObject() const noexcept { return v_.index() == 7; }

  // Direct access to the stored alternative; behaviour is undefined for another kind
  // (use the conversions below for anything that may hold a different kind).
  int16_t AsInteger() const noexcept { return *std::get_if<1>(&v_); }
  int32_t AsLong() const noexcept { return *std::get_if<2>(&v_); }
  float AsSingle() const noexcept { return *std::get_if<3>(&v_); }
  double AsDouble() const noexcept { return *std::get_if<4>(&v_); }
  const std::string& AsString() const noexcept { return *std::get_if<5>(&v_); }
  std::string& AsString() noexcept { return *std::get_if<5>(&v_); }
  bool AsBoolean() const noexcept { return *std::get_if<6>(&v_); }
  const ObjectPtr& AsObject() const noexcept { return *std::get_if<7>(&v_); }

  // The referenced object as T, or null when this is no object or not a T.
  template <class T>
  std::shared_ptr<T> ObjectAs() const {
    if (auto p = std::get_if<7>(&v_)) return std::dynamic_pointer_cast<T>(*p);
    return nullptr;
  }

  // Numeric value as double (Boolean True = -1, Empty = 0); only for IsNumeric/Boolean/Empty.
  double NumberValue() const noexcept;

  void Clear() noexcept { v_.emplace<0>(); }

 private:
  std::variant<std::monostate, int16_t, int32_t, float, double, std::string, bool, ObjectPtr> v_;
};

// Round to the nearest 32-bit integer, halves to even; AppError 6 (Overflow) when out of range.
int32_t round32(double value);

// Conversions. Empty converts to 0 / "" / False. A text converts when it reads as a
// number (leading/trailing blanks allowed, "&H" hexadecimal and "&O" octal too);
// otherwise AppError 13 (Type mismatch). Objects give 13. Boolean True is -1.
int32_t CLng(const Variant& v);   // rounds halves to even; out of range -> 6
int16_t CInt(const Variant& v);   // as CLng, 16-bit range
double CDbl(const Variant& v);
float CSng(const Variant& v);     // out of the Single range -> 6
bool CBool(const Variant& v);     // a number: non-zero; a text: "True"/"False" (any case) or a number
// Decimal text without a leading blank; floating values in the shortest form that
// reads back to the same value ("1.5", "1E+20"); Boolean "True"/"False"; Empty "".
std::string CStr(const Variant& v);

// The text as a number, when it is one (the rules CDbl applies to a text).
bool TryParseNumber(std::string_view text, double& out) noexcept;
// True when CDbl would accept v (numbers, Booleans, Empty, numeric texts).
bool IsNumericValue(const Variant& v) noexcept;

// Equality: numbers (and Booleans) compare by value across kinds (Long 2 == Double 2.0);
// a number never equals a text; texts compare exactly (byte for byte); Empty equals only
// Empty; objects compare by identity.
bool VariantEquals(const Variant& a, const Variant& b) noexcept;
inline bool operator==(const Variant& a, const Variant& b) noexcept { return VariantEquals(a, b); }

}  // namespace kz

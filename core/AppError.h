#pragma once
// Run-time error of the application: a number, the place it was raised and a text.
#include <cstdint>
#include <exception>
#include <string>

namespace kz {

// Error numbers used across the program.
constexpr int32_t kErrDataLoad = static_cast<int32_t>(0x80040001u);
constexpr int32_t kErrReadValue = static_cast<int32_t>(0x8004000Au);
constexpr int32_t kErrShipIndex = static_cast<int32_t>(0x80040064u);
constexpr int32_t kErrCockpitDescriptor = static_cast<int32_t>(0x80040065u);
constexpr int32_t kErrCancel = 32755;
constexpr int32_t kErrInvalidArgument = 5;   // "Invalid procedure call or argument"
constexpr int32_t kErrOverflow = 6;          // "Overflow"
constexpr int32_t kErrSubscript = 9;         // "Subscript out of range"
constexpr int32_t kErrTypeMismatch = 13;     // "Type mismatch"
constexpr int32_t kErrNotSupported = 438;    // "Object doesn't support this property or method"
constexpr int32_t kErrDuplicateKey = 457;    // "This key is already associated with an element of this collection"

// The standard text of a standard error number ("" for numbers without one).
inline const char* StandardErrorText(int32_t number) noexcept {
  switch (number) {
    case kErrInvalidArgument: return "Invalid procedure call or argument";
    case kErrOverflow: return "Overflow";
    case kErrSubscript: return "Subscript out of range";
    case kErrTypeMismatch: return "Type mismatch";
    case kErrNotSupported: return "Object doesn't support this property or method";
    case kErrDuplicateKey: return "This key is already associated with an element of this collection";
    default: return "";
  }
}

class AppError : public std::exception {
 public:
  int32_t Number = 0;
  std::string Source;
  std::string Description;

  AppError() = default;
  // A standard error: the description defaults to the number's standard text.
  explicit AppError(int32_t number, std::string source = {}, std::string description = {})
      : Number(number), Source(std::move(source)), Description(std::move(description)) {
    if (Description.empty()) Description = StandardErrorText(number);
  }

  const char* what() const noexcept override { return Description.c_str(); }
};

}  // namespace kz

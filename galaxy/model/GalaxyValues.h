#pragma once
// The number rules of universe-map values.
//
// An attribute value read from a file is a number when it follows the one grammar of
// the program's numeric texts (C locale: blanks, sign, digits, one point, exponent, or
// "&H"/"&O" followed by digits; no infinity or NaN). A number is stored as a 32-bit
// integer, halves rounded to the even neighbour; a number outside the 32-bit range is an
// Overflow (kz::AppError 6). Everything else stays the text.
//
// Where the model tests a value as a number (a type code, a group number, a race), a
// text that reads as a number counts as that number, so the list-index texts that the
// property dialog stores ("7", "-1") compare equal to the numbers read from a file.
#include <cstdint>
#include <string_view>

#include "core/Variant.h"

namespace mdlGalaxy {

// The value of an attribute text as the model keeps it.
kz::Variant ReadAttributeValue(std::string_view text);

// The value as a 32-bit integer: numbers rounded (halves to even), texts that read as
// numbers likewise; false (out = 0) for Empty, other texts, objects and values outside
// the 32-bit range.
bool GalaxyNumber(const kz::Variant& value, int32_t& out) noexcept;
// GalaxyNumber, 0 when it fails.
int32_t GalaxyLong(const kz::Variant& value) noexcept;
// True when the value is the number n (also as a numeric text).
bool IsGalaxyNumber(const kz::Variant& value, int32_t n) noexcept;

}  // namespace mdlGalaxy

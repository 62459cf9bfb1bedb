// The program's side of the game object library (videdoded): value conversions and
// the text procedures over its errors, strings and containers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Variant.h"
#include "videdoded/videdoded.h"

namespace kz {

// A program value as a type-file value: Integer, Long and Boolean (True = -1) become a
// whole number, Single and Double a floating-point number (a Single by its own
// shortest form, so 1.1 stays 1.1), String a text, Empty stays empty. An object
// raises AppError 13 (Type mismatch).
void ToKzValue(const Variant& in, Kz_Value& out);
Kz_Value ToKzValue(const Variant& in);
// A type-file value as a program value: whole number -> Long, floating -> Double,
// text -> String, empty -> Empty.
void FromKzValue(const Kz_Value& in, Variant& out);
Variant FromKzValue(const Kz_Value& in);

// The text of the library's last error (Kz_GetLastError, Kz_TranslateError asked for
// the size, then into a buffer of that many blanks, cut at the first NUL).
std::string GetViDedodedError();
// The processed text of a text-resource string handle; empty when the handle gives
// nothing.
std::string GetTREStringText(int32_t hString);
// The child handles of a container (pages of a document or of the store, strings of
// a page) into handles[0 .. count-1]; the count. handles is left untouched when the
// count is 0.
int32_t EnumViDedoded(int32_t container, std::vector<int32_t>& handles);

}  // namespace kz

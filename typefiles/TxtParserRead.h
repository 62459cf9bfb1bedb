#pragma once
// What the parser's readers of each file kind share.
#include <cstdint>
#include <string>

#include "core/Variant.h"

namespace kz::txtread {

// A count read from a file: a whole number from 0 to the 32-bit maximum; throws AppError.
int64_t CountOf(const Variant& v, const char* what);
// The text a whole number read as `item` is written back as ("" when the writer forms it).
std::string WholeText(const Variant& item, const std::string& kept);

}  // namespace kz::txtread

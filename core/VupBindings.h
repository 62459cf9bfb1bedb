// The image library vup, bound by name at the first call. Without the library (or
// without DevIL beside it) every call fails quietly: the editors then show no icons
// and nothing else is affected.
#pragma once

#include <cstdint>
#include <string>

namespace kz::vup {

// True when the library and all its entries could be bound (binds on first use).
bool Available();
void Init();
void Term();
// A bitmap handle of the library for the image file (plain, packed or catalog path,
// as the file driver takes it); 0 when the image cannot be read or vup is missing.
int32_t ConvertToHBitmap(const std::string& fileName, int32_t hDC);
// Size and stride of a bitmap; False for an unknown handle.
bool GetBitmapInfo(int32_t bitmap, int32_t& width, int32_t& height, int32_t& stride);
// Its pixels: 32-bit B, G, R, A rows, top-down; null for an unknown handle.
const uint8_t* GetBitmapBits(int32_t bitmap);
bool DeleteBitmap(int32_t bitmap);

}  // namespace kz::vup

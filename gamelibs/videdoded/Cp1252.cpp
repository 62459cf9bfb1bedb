#include "Cp1252.h"

#include <cstdint>
#include <cstring>

namespace videdoded {

namespace {

// Code points of the bytes 0x80 to 0x9F.
constexpr uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

int ByteOf(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == cp) return 0x80 + i;
  return -1;
}

}  // namespace

bool IsAscii(const char* data, size_t size) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ull) return false;
  }
  for (; i < size; ++i)
    if (p[i] & 0x80) return false;
  return true;
}

void AppendCp1252AsUtf8(std::string& out, const char* data, size_t size) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
  const unsigned char* const e = p + size;
  while (p < e) {
    // A run of bytes below 0x80 is copied whole.
    const unsigned char* run = p;
    for (uint64_t w; e - p >= 8; p += 8) {
      std::memcpy(&w, p, 8);
      if (w & 0x8080808080808080ull) break;
    }
    while (p < e && *p < 0x80) ++p;
    out.append(reinterpret_cast<const char*>(run), static_cast<size_t>(p - run));
    if (p == e) break;
    const unsigned char c = *p++;
    AppendUtf8(out, c < 0xA0 ? kHigh[c - 0x80] : c);
  }
}

bool AppendUtf8AsCp1252(std::string& out, std::string_view text, size_t* bad) {
  if (IsAscii(text.data(), text.size())) {
    out.append(text.data(), text.size());
    return true;
  }
  size_t start = out.size();
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  size_t n = text.size();
  for (size_t i = 0; i < n;) {
    unsigned char c = p[i];
    uint32_t cp;
    size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c & 0xE0) == 0xC0 && c >= 0xC2) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else {
      len = 0;  // four-byte forms are never representable; stray bytes are invalid
      cp = 0;
    }
    bool ok = len != 0 && i + len <= n;
    for (size_t k = 1; ok && k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (ok && len == 3 && cp < 0x800) ok = false;  // overlong
    int b = ok ? ByteOf(cp) : -1;
    if (b < 0) {
      out.resize(start);
      if (bad) *bad = i;
      return false;
    }
    out.push_back(static_cast<char>(b));
    i += len;
  }
  return true;
}

}  // namespace videdoded

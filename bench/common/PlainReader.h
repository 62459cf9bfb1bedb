// The plain type-file reader the tokenizer is measured against (the practical floor
// for turning the bytes into values), shared by the tokenizer and whole-process
// benchmarks so that both compare with the same work.
#pragma once

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// Code points of the Windows-1252 bytes 0x80 to 0x9F (the five undefined ones map to
// the C1 controls of the same number).
inline constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// A Windows-1252 text as UTF-8 the plain way: runs below 0x80 copied whole.
inline void PlainCp1252ToUtf8(const char* p, const char* e, std::string& out) {
  out.clear();
  while (p < e) {
    const char* run = p;
    while (p < e && static_cast<unsigned char>(*p) < 0x80) ++p;
    out.append(run, static_cast<size_t>(p - run));
    if (p == e) break;
    const unsigned c = static_cast<unsigned char>(*p++);
    const unsigned cp = c < 0xA0 ? kCp1252High[c - 0x80] : c;
    if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The obvious fast reader of the same bytes: memchr for ";" and line ends,
// std::from_chars for numbers, every value typed (whole, floating or text, texts turned
// into UTF-8 as the tokenizer turns them) and counted. The practical floor for turning
// the bytes into values.
inline size_t PlainRead(const char* p, const char* const end) {
  int64_t wholes = 0;
  double floats = 0;
  size_t texts = 0;
  std::string text;
  size_t values = 0;
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* lineEnd = nl ? nl : end;
    if (lineEnd - p >= 2 && p[0] == '/' && p[1] == '/') {
      p = lineEnd + 1;
      continue;
    }
    while (p < lineEnd) {
      const char* semi = static_cast<const char*>(std::memchr(p, ';', static_cast<size_t>(lineEnd - p)));
      if (!semi) break;
      int32_t l = 0;
      double d = 0;
      auto r = std::from_chars(p, semi, l);
      if (r.ec == std::errc() && r.ptr == semi) {
        wholes += l;
      } else {
        auto f = std::from_chars(p, semi, d);
        if (f.ec == std::errc() && f.ptr == semi)
          floats += d;
        else {
          PlainCp1252ToUtf8(p, semi, text);
          texts += text.size();
        }
      }
      ++values;
      p = semi + 1;
    }
    p = lineEnd + 1;
  }
  benchmark::DoNotOptimize(wholes);
  benchmark::DoNotOptimize(floats);
  benchmark::DoNotOptimize(texts);
  return values;
}

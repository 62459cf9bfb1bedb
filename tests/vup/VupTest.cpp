// The image loading library: formats, row order, the three kinds of file, errors,
// and the file-reading functions it gives DevIL.
#include <IL/il.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "rudu/rudu.h"
#include "vup/FileCallbacks.h"
#include "vup/vup.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Bytes = std::string;

struct Px {
  uint8_t b, g, r, a;
  bool operator==(const Px&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Px& p) {
  return os << "BGRA(" << int(p.b) << "," << int(p.g) << "," << int(p.r) << "," << int(p.a) << ")";
}

void put16(Bytes& s, int v) { s += char(v & 0xFF); s += char((v >> 8) & 0xFF); }
void put32(Bytes& s, uint32_t v) {
  put16(s, int(v & 0xFFFF));
  put16(s, int(v >> 16));
}

// A DDS: its 128-byte header (uncompressed 32-bit B, G, R, A unless a four-character
// code is given) and the bytes after it.
Bytes Dds(uint32_t height, uint32_t width, uint32_t mipmaps, uint32_t bits, const Bytes& data, uint32_t fourCC = 0,
          uint32_t caps2 = 0) {
  Bytes s = "DDS ";
  put32(s, 124);
  put32(s, 0x100F | (mipmaps ? 0x20000 : 0));  // caps, height, width, pitch, pixel format (, mipmap count)
  put32(s, height);
  put32(s, width);
  put32(s, width * bits / 8);
  put32(s, 0);  // depth
  put32(s, mipmaps);
  for (int i = 0; i < 11; ++i) put32(s, 0);
  put32(s, 32);
  put32(s, fourCC ? 0x4 : 0x41);  // four-character code, or RGB with alpha
  put32(s, fourCC);
  put32(s, bits);
  for (uint32_t mask : {0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u}) put32(s, fourCC ? 0 : mask);
  put32(s, 0x1000);
  put32(s, caps2);
  for (int i = 0; i < 3; ++i) put32(s, 0);
  return s + data;
}

// An uncompressed 24-bit BMP header and the bytes after it.
Bytes Bmp(int32_t width, int32_t height, const Bytes& data) {
  Bytes s = "BM";
  put32(s, uint32_t(54 + data.size()));
  put32(s, 0);
  put32(s, 54);
  put32(s, 40);
  put32(s, uint32_t(width));
  put32(s, uint32_t(height));
  put16(s, 1);
  put16(s, 24);
  for (int i = 0; i < 6; ++i) put32(s, 0);
  return s + data;
}

// An uncompressed TGA: imageType 2 (true colour), 3 (grey) or 1 (colour-mapped).
Bytes Tga(int type, int w, int h, int bits, bool topLeft, const Bytes& pixels, const Bytes& colourMap = {}) {
  Bytes s;
  s += char(0);                                  // id length
  s += char(colourMap.empty() ? 0 : 1);          // colour map type
  s += char(type);
  put16(s, 0);                                   // first map entry
  put16(s, int(colourMap.size() / 3));           // map length
  s += char(colourMap.empty() ? 0 : 24);         // map entry size
  put16(s, 0); put16(s, 0);                      // origin
  put16(s, w); put16(s, h);
  s += char(bits);
  s += char((topLeft ? 0x20 : 0) | (bits == 32 ? 8 : 0));
  return s + colourMap + pixels;
}

// Binary PNM: "P6" (RGB) or "P5" (grey); maxval above 255 means 16-bit big-endian samples.
Bytes Pnm(const char* magic, int w, int h, int maxval, const Bytes& samples) {
  return std::string(magic) + "\n" + std::to_string(w) + " " + std::to_string(h) + "\n" +
         std::to_string(maxval) + "\n" + samples;
}

Bytes Rep(const Bytes& unit, int n) {
  Bytes s;
  for (int i = 0; i < n; ++i) s += unit;
  return s;
}

class VupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kz-vup-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    VUP_Init();
  }
  void TearDown() override {
    VUP_Term();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
  }
  // Writes through rudu: form 1 plain, 2 packed; catalog paths make the catalog.
  static void WriteRudu(const std::string& path, const Bytes& bytes, int form) {
    const int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, form);
    ASSERT_NE(f, 0) << path;
    ASSERT_EQ(RuDU_WriteFile(f, bytes.data(), int32_t(bytes.size())), int32_t(bytes.size()));
    ASSERT_NE(RuDU_CloseFile(f), 0);
  }

  // Converts and reads every pixel back; fails the test on a 0 handle.
  std::vector<Px> Load(const std::string& path, int expectW, int expectH) {
    const int32_t bmp = VUP_ConvertToHBitmap(path.c_str(), 0);
    EXPECT_NE(bmp, 0) << path << " DevIL error " << std::hex << ilGetError();
    if (bmp == 0) return {};
    int32_t w = 0, h = 0, stride = 0;
    EXPECT_NE(VUP_GetBitmapInfo(bmp, &w, &h, &stride), 0);
    EXPECT_EQ(w, expectW);
    EXPECT_EQ(h, expectH);
    EXPECT_EQ(stride, w * 4);
    const uint8_t* bits = VUP_GetBitmapBits(bmp);
    std::vector<Px> out;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = bits + y * stride + x * 4;
        out.push_back({p[0], p[1], p[2], p[3]});
      }
    EXPECT_EQ(VUP_DeleteBitmap(bmp), 1);
    return out;
  }

  // Each file fails to convert, refused by the library's own check before any decoding
  // (the one error it leaves is the check's).
  void ExpectRefusedBeforeDecoding(const std::vector<std::pair<const char*, Bytes>>& files) {
    for (const auto& [name, bytes] : files) {
      SCOPED_TRACE(name);
      while (ilGetError() != IL_NO_ERROR) {
      }
      const int32_t bitmap = VUP_ConvertToHBitmap(Write(name, bytes).c_str(), 0);
      EXPECT_EQ(bitmap, 0);
      if (bitmap != 0) VUP_DeleteBitmap(bitmap);
      std::vector<ILenum> errors;
      for (ILenum e = ilGetError(); e != IL_NO_ERROR; e = ilGetError()) errors.push_back(e);
      EXPECT_EQ(errors, std::vector<ILenum>{IL_ILLEGAL_FILE_VALUE});
    }
  }

  std::string dir_;
};

constexpr Px kRed{0, 0, 255, 255}, kGreen{0, 255, 0, 255}, kBlue{255, 0, 0, 255}, kWhite{255, 255, 255, 255};

TEST_F(VupTest, FormatsComeOutAsScreenPixelsTopDown) {
  struct Case {
    const char* name;
    Bytes file;
    int w, h;
    Px first, last, second;  // pixel (0,0), (w-1,h-1), (1,0)
  };
  // 5x3 images: top row starts red, then green; everything else blue, last pixel white.
  auto rgb = [](int w, int h, const Bytes& red, const Bytes& green, const Bytes& blue, const Bytes& white) {
    return red + green + Rep(blue, w * h - 3) + white;
  };
  const Bytes bgrPixels = rgb(5, 3, "\x00\x00\xff"s, "\x00\xff\x00"s, "\xff\x00\x00"s, "\xff\xff\xff"s);
  // Bottom-up TGA: the last stored row is the top one.
  const Bytes bottomUp = Rep("\xff\x00\x00"s, 5) + Rep("\xff\x00\x00"s, 5) +
                         "\x00\x00\xff"s + "\x00\xff\x00"s + Rep("\xff\x00\x00"s, 3);
  const Bytes bgraPixels = "\x00\x00\xff\x80"s + "\x00\xff\x00\xff"s + Rep("\xff\x00\x00\xff"s, 12) + "\xff\xff\xff\x00"s;
  const Bytes map = "\xff\x00\x00"s "\x00\x00\xff"s "\x00\xff\x00"s "\xff\xff\xff"s;  // BGR entries: blue, red, green, white
  const Bytes indices = "\x01\x02"s + Rep("\x00"s, 12) + "\x03"s;
  const Bytes grey = "\x00\x80"s + Rep("\x40"s, 12) + "\xff"s;
  const Bytes rgbSamples = rgb(5, 3, "\xff\x00\x00"s, "\x00\xff\x00"s, "\x00\x00\xff"s, "\xff\xff\xff"s);
  const std::vector<Case> cases = {
      {"bgr-top.tga", Tga(2, 5, 3, 24, true, bgrPixels), 5, 3, kRed, kWhite, kGreen},
      {"bgr-bottom.tga", Tga(2, 5, 3, 24, false, bottomUp), 5, 3, kRed, kBlue, kGreen},
      {"bgra.tga", Tga(2, 5, 3, 32, true, bgraPixels), 5, 3, {0, 0, 255, 0x80}, {255, 255, 255, 0}, kGreen},
      {"index.tga", Tga(1, 5, 3, 8, true, indices, map), 5, 3, kRed, kWhite, kGreen},
      {"grey.tga", Tga(3, 5, 3, 8, true, grey), 5, 3, {0, 0, 0, 255}, kWhite, {0x80, 0x80, 0x80, 255}},
      {"rgb.ppm", Pnm("P6", 5, 3, 255, rgbSamples), 5, 3, kRed, kWhite, kGreen},
      {"grey.pgm", Pnm("P5", 4, 2, 255, "\x10\x20\x30\x40\x50\x60\x70\x80"s), 4, 2,
       {0x10, 0x10, 0x10, 255}, {0x80, 0x80, 0x80, 255}, {0x20, 0x20, 0x20, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Px> px = Load(Write(c.name, c.file), c.w, c.h);
    if (px.empty()) continue;
    EXPECT_EQ(px.front(), c.first);
    EXPECT_EQ(px[1], c.second);
    EXPECT_EQ(px.back(), c.last);
  }
}

// Formats that our hand-made TGA and PNM files do not give: written by DevIL itself as PNG.
TEST_F(VupTest, AlphaDroppedAndWideChannelsNarrowed) {
  struct Case {
    const char* name;
    ILenum format;
    ILenum type;
    int channels;
    Bytes data;  // 3x2, bottom row first (DevIL's default origin)
    Px first, last;
  };
  const std::vector<Case> cases = {
      {"rgba.png", IL_RGBA, IL_UNSIGNED_BYTE, 4, Rep("\x00\x00\xff\x00"s, 2) + "\x00\xff\x00\x80"s + "\xff\x00\x00\x10"s + Rep("\x00\x00\xff\x00"s, 2),
       kRed, kGreen},
      {"la.png", IL_LUMINANCE_ALPHA, IL_UNSIGNED_BYTE, 2, Rep("\x00\x00"s, 2) + "\xf0\x40"s + "\x20\x00"s + Rep("\x00\x00"s, 2),
       {0x20, 0x20, 0x20, 255}, {0xf0, 0xf0, 0xf0, 255}},
      // 16 bits per channel: first brought to 8.
      {"rgb16.png", IL_RGB, IL_UNSIGNED_SHORT, 3,
       Rep("\x00\x00\x00\x00\xff\xff"s, 2) + "\x00\x00\xff\xff\x00\x00"s + "\xff\xff\x00\x00\x00\x00"s +
           Rep("\x00\x00\x00\x00\xff\xff"s, 2),
       kRed, kGreen},
  };
  ilEnable(IL_FILE_OVERWRITE);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ILuint img = 0;
    ilGenImages(1, &img);
    ilBindImage(img);
    ASSERT_TRUE(ilTexImage(3, 2, 1, ILubyte(c.channels), c.format, c.type,
                           const_cast<char*>(c.data.data())));
    const std::string path = dir_ + "/" + c.name;
    ASSERT_TRUE(ilSave(IL_PNG, path.c_str())) << std::hex << ilGetError();
    ilBindImage(0);
    ilDeleteImages(1, &img);
    // Check what DevIL reads back, so the case really covers the format.
    ILuint probe = ilGenImage();
    ilBindImage(probe);
    ASSERT_TRUE(ilLoadImage(path.c_str()));
    EXPECT_EQ(ilGetInteger(IL_IMAGE_FORMAT), ILint(c.format));
    EXPECT_EQ(ilGetInteger(IL_IMAGE_TYPE), ILint(c.type));
    ilBindImage(0);
    ilDeleteImages(1, &probe);

    const std::vector<Px> px = Load(path, 3, 2);
    if (px.empty()) continue;
    EXPECT_EQ(px.front(), c.first);
    EXPECT_EQ(px.back(), c.last);
  }
}

TEST_F(VupTest, PlainPackedAndCatalogFilesLoadAlike) {
  // 4x3, top-down: row y, pixel x has blue = 10*y + x, green = x, red = y.
  Bytes pixels;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) pixels += {char(10 * y + x), char(x), char(y)};
  const Bytes tga = Tga(2, 4, 3, 24, true, pixels);
  const std::string plain = dir_ + "/plain.tga";
  const std::string packed = dir_ + "/packed.tga";
  const std::string inCatalog = dir_ + "/x.cat::dds\\a.tga";
  WriteRudu(plain, tga, 1);
  WriteRudu(packed, tga, 2);
  WriteRudu(inCatalog, tga, 1);
  // A second entry after it, so the first one must stop at its own size.
  WriteRudu(dir_ + "/x.cat::dds\\b.tga", Tga(2, 1, 1, 24, true, "\x01\x02\x03"s), 1);
  ASSERT_NE(std::ifstream(packed, std::ios::binary).get(), 'T' /* not the plain bytes */);
  ASSERT_EQ(std::ifstream(packed, std::ios::binary).get(), 0x1f);  // gzip magic

  for (const std::string& path : {plain, packed, inCatalog, dir_ + "/X.CAT::DDS/A.TGA"}) {
    SCOPED_TRACE(path);
    const std::vector<Px> px = Load(path, 4, 3);
    ASSERT_EQ(px.size(), 12u);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x)
        EXPECT_EQ(px[y * 4 + x], (Px{uint8_t(10 * y + x), uint8_t(x), uint8_t(y), 255})) << x << "," << y;
  }
}

TEST_F(VupTest, MissingAndBadFilesGiveNoBitmap) {
  ilGetError();  // start with a clean DevIL error
  EXPECT_EQ(VUP_ConvertToHBitmap((dir_ + "/none.tga").c_str(), 0), 0);
  EXPECT_EQ(ilGetError(), ILenum(IL_COULD_NOT_OPEN_FILE));
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_NOT_FOUND);

  Write("x.cat", "x.dat\n");  // an empty catalog
  Write("x.dat", "");
  EXPECT_EQ(VUP_ConvertToHBitmap((dir_ + "/x.cat::dds\\none.tga").c_str(), 0), 0);
  EXPECT_EQ(ilGetError(), ILenum(IL_COULD_NOT_OPEN_FILE));
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_NOT_FOUND);

  EXPECT_EQ(VUP_ConvertToHBitmap(nullptr, 0), 0);
  EXPECT_EQ(VUP_ConvertToHBitmap("", 0), 0);
  while (ilGetError() != IL_NO_ERROR) {
  }

  const Bytes good = Tga(2, 5, 3, 24, true, Rep("\x01\x02\x03"s, 15));
  const std::vector<std::pair<const char*, Bytes>> bad = {
      {"garbage.tga", "this is not an image at all"},
      {"header-only.tga", good.substr(0, 10)},
      {"empty.tga", ""},
      {"truncated.tga", good.substr(0, good.size() - 7)},
      {"short-pixels.tga", Tga(2, 2000, 2000, 24, true, "\x01\x02\x03")},
      {"bad.ppm", "P6\n5 3\n255\n\x01"},
      // DevIL labels a 16-bit PNM as 16-bit with 8-bit data: refused, not read past its end.
      {"rgb16.ppm", Pnm("P6", 5, 3, 65535, Rep("\x12\x34"s, 45))},
  };
  for (const auto& [name, bytes] : bad) {
    SCOPED_TRACE(name);
    EXPECT_EQ(VUP_ConvertToHBitmap(Write(name, bytes).c_str(), 0), 0);
    EXPECT_NE(ilGetError(), ILenum(IL_NO_ERROR));
  }
  // After all that a good file still loads.
  EXPECT_EQ(Load(Write("good.tga", good), 5, 3).size(), 15u);
}

// A few header bytes must not make the library allocate gigabytes: a TGA that claims
// 32832 x 16512 true-colour pixels (2 GiB) fails as out of memory, and the library goes
// on loading sound files afterwards.
TEST_F(VupTest, AHeaderClaimingAHugeImageIsRefusedBeforeItsPixelsAreAllocated) {
  while (ilGetError() != IL_NO_ERROR) {
  }
  const std::string huge = Write("huge.tga", Tga(2, 32832, 16512, 32, true, "\x01\x02\x03\x04"));
  EXPECT_EQ(VUP_ConvertToHBitmap(huge.c_str(), 0), 0);
  std::vector<ILenum> errors;
  for (ILenum e = ilGetError(); e != IL_NO_ERROR; e = ilGetError()) errors.push_back(e);
  EXPECT_NE(std::find(errors.begin(), errors.end(), ILenum(IL_OUT_OF_MEMORY)), errors.end());
  // 4096 x 4096 true colour (64 MiB) is well inside the limit.
  const Bytes big = Tga(10, 4096, 4096, 24, true, Rep("\xff\x10\x20\x30"s, 4096 * 4096 / 128));  // run-length packed
  EXPECT_EQ(Load(Write("big.tga", big), 4096, 4096).size(), 4096u * 4096u);
}

// Headers that made the decoders write past their buffers or through a null pointer
// are refused before decoding; sound files of the same kinds still load.
TEST_F(VupTest, DamagedHeadersAreRefusedBeforeDecoding) {
  const Bytes pixels = Rep("\x10\x20\x30\xff"s, 16);
  const std::vector<std::pair<const char*, Bytes>> bad = {
      {"no-pixel-size.dds", Dds(4, 4, 0, 0, pixels)},
      {"more-mipmaps-than-halvings.dds", Dds(4, 4, 13500416, 32, pixels)},
      {"size-wrapping-32-bits.dds", Dds(0x40000004, 4, 0, 32, pixels)},
      {"ends-before-its-pixels.dds", Dds(1024, 4, 0, 32, pixels)},
      {"ends-before-its-blocks.dds", Dds(64, 64, 0, 0, Rep("\x00"s, 40), 0x31545844)},
      {"ends-before-its-wide-pixels.dds", Dds(8, 4, 0, 32, pixels, 36)},
      {"unknown-format.dds", Dds(4, 4, 0, 32, Rep(pixels, 8), 0x21212121)},
      {"cube-without-all-faces.dds", Dds(1, 1, 0, 32, Rep("\x11"s, 200), 0, 0x200 | 0x9800)},
      {"cube-ends-before-its-faces.dds", Dds(4, 4, 0, 32, pixels, 0, 0x200 | 0xFC00)},
      {"ends-before-its-rows.bmp", Bmp(259, -194000, Rep("\x80"s, 40))},
      {"size-wrapping-32-bits.bmp", Bmp(65536, 65536, Rep("\x80"s, 40))},
      {"huge.ppm", "P6\n77777777777777 6466\n255\n\xff\xff\xff"s},
  };
  for (const auto& [name, bytes] : bad) {
    SCOPED_TRACE(name);
    while (ilGetError() != IL_NO_ERROR) {
    }
    EXPECT_EQ(VUP_ConvertToHBitmap(Write(name, bytes).c_str(), 0), 0);
    EXPECT_NE(ilGetError(), ILenum(IL_NO_ERROR));
  }
  EXPECT_EQ(Load(Write("sound.dds", Dds(4, 4, 3, 32, pixels + Rep("\x10\x20\x30\xff"s, 5))), 4, 4).size(), 16u);
  EXPECT_EQ(Load(Write("sound.bmp", Bmp(3, -2, Rep("\x01\x02\x03"s, 3) + "\0\0\0"s + Rep("\x04\x05\x06"s, 3) + "\0\0\0"s)), 3, 2).size(), 6u);
}

// A header the file ends inside is refused before the decoder reads it: the decoders
// take whatever the missing bytes happen to hold (a DDS of 84 or 85 bytes crashed the
// program), the same after a sound file of the kind was loaded.
TEST_F(VupTest, AHeaderCutShortIsRefusedBeforeDecoding) {
  const Bytes ddsPixels = Rep("\x10\x20\x30\xff"s, 16);
  const Bytes dds = Dds(4, 4, 0, 32, ddsPixels);
  const Bytes dxt = Dds(8, 8, 0, 0, Rep("\x55"s, 32), 0x31545844);
  const Bytes bmp = Bmp(3, -2, Rep("\x01\x02\x03"s, 3) + "\0\0\0"s + Rep("\x04\x05\x06"s, 3) + "\0\0\0"s);
  const Bytes tga = Tga(2, 2, 2, 24, true, Rep("\x00\x00\xff"s, 4));
  // One grey pixel.
  const Bytes png =
      "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x01\0\0\0\x01\x08\0\0\0\0\x3a\x7e\x9b\x55\0\0\0\x0aIDAT"
      "\x78\x9c\x63\x60\0\0\0\x02\0\x01\x48\xaf\xa4\x71\0\0\0\0IEND\xae\x42\x60\x82"s;
  struct Case {
    const char* ext;
    Bytes sound;
    int width, height;
    std::vector<size_t> cuts;
  };
  const std::vector<Case> cases = {
      {"dds", dds, 4, 4, {3, 4, 20, 76, 80, 84, 85, 88, 91, 92, 100, 112, 127}},
      {"dds", dxt, 8, 8, {84, 85, 88, 127}},
      {"bmp", bmp, 3, 2, {2, 14, 18, 26, 30, 34, 40, 53}},
      {"tga", tga, 2, 2, {1, 3, 12, 17}},
      {"png", png, 1, 1, {8, 16, 24, 32}},
  };
  int n = 0;
  for (const Case& c : cases) {
    for (size_t cut : c.cuts) {
      SCOPED_TRACE(std::string(c.ext) + " cut to " + std::to_string(cut));
      // The decoder's own state holds a sound file's header first.
      EXPECT_FALSE(Load(Write("sound" + std::to_string(n) + "." + c.ext, c.sound), c.width, c.height).empty());
      while (ilGetError() != IL_NO_ERROR) {
      }
      const std::string path = Write("short" + std::to_string(n++) + "." + c.ext, c.sound.substr(0, cut));
      const int32_t bitmap = VUP_ConvertToHBitmap(path.c_str(), 0);
      EXPECT_EQ(bitmap, 0);
      if (bitmap != 0) VUP_DeleteBitmap(bitmap);
      // Refused by the library's own check, not by the decoder after it ran.
      std::vector<ILenum> errors;
      for (ILenum e = ilGetError(); e != IL_NO_ERROR; e = ilGetError()) errors.push_back(e);
      EXPECT_EQ(errors, std::vector<ILenum>{IL_INVALID_FILE_HEADER});
    }
  }
  // A DDS known by its first bytes, whatever its name.
  while (ilGetError() != IL_NO_ERROR) {
  }
  EXPECT_EQ(VUP_ConvertToHBitmap(Write("sheet.bin", dds.substr(0, 84)).c_str(), 0), 0);
  EXPECT_EQ(ilGetError(), ILenum(IL_INVALID_FILE_HEADER));
}

// A run-length BMP (8 bits a pixel with 256 colours, or 4 with 16) of w x h pixels and
// its run-length bytes.
Bytes RleBmp(int32_t width, int32_t height, int bits, const Bytes& runs) {
  const uint32_t colours = bits == 8 ? 256 : 16;
  Bytes s = "BM";
  put32(s, uint32_t(54 + colours * 4 + runs.size()));
  put32(s, 0);
  put32(s, 54 + colours * 4);
  put32(s, 40);
  put32(s, uint32_t(width));
  put32(s, uint32_t(height));
  put16(s, 1);
  put16(s, bits);
  put32(s, bits == 8 ? 1 : 2);
  put32(s, uint32_t(runs.size()));
  put32(s, 0);
  put32(s, 0);
  put32(s, colours);
  put32(s, 0);
  for (uint32_t i = 0; i < colours; ++i) put32(s, i * 0x010101u);
  return s + runs;
}

// A PNG of w x h pixels (bit depth, colour type) whose one data chunk holds `data`.
Bytes Png(uint32_t width, uint32_t height, int depth, int colourType, const Bytes& data) {
  const auto be32 = [](uint32_t v) {
    return Bytes{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
  };
  const auto chunk = [&](const char* type, const Bytes& body) {
    return be32(uint32_t(body.size())) + type + body + be32(0);  // the checks never get to the CRC
  };
  return "\x89PNG\r\n\x1a\n"s +
         chunk("IHDR", be32(width) + be32(height) + char(depth) + char(colourType) + "\0\0\0"s) +
         chunk("IDAT", data) + chunk("IEND", "");
}

// A header declaring a picture that the file's bytes cannot hold is refused before
// anything is decoded or a pixel allocated (a TGA of 19 bytes declaring 4607 x 512
// run-length pixels was decoded from nothing and converted at its full size): a plain
// TGA needs every pixel's bytes, a run-length one a packet for every 128 pixels, a PNG
// at least its rows' bytes over the most that compression can pack (1032 to one), a
// run-length BMP a byte for every 256 pixels past the first 65536, and a BMP's colour
// table must lie inside the file (a BMP of 109 bytes naming 1107361792 colours had
// 134 MB set aside and cleared for them). Files at those bounds still load.
TEST_F(VupTest, APictureItsFileCannotHoldIsRefusedBeforeDecoding) {
  const Bytes run32 = "\xff\x10\x20\x30\x40"s;  // 128 pixels of one colour
  const auto withColours = [](Bytes bmp, uint32_t colours) {  // the info header's colour count
    for (int i = 0; i < 4; ++i) bmp[46 + i] = char((colours >> (8 * i)) & 0xFF);
    return bmp;
  };
  const Bytes map = Rep("\x00\x00\xff"s, 2);
  const std::vector<std::pair<const char*, Bytes>> bad = {
      {"plain-short.tga", Tga(2, 8192, 8192, 32, true, "\x01\x02\x03\x04"s)},
      {"plain-grey-short.tga", Tga(3, 300, 300, 8, true, Rep("\x01"s, 300 * 300 - 1))},
      {"runs-short.tga", Tga(10, 8192, 8192, 32, true, run32)},
      {"runs-grey-short.tga", Tga(11, 8192, 8192, 8, true, "\xff\x01"s)},
      {"runs-mapped-short.tga", Tga(9, 4096, 4096, 8, true, "\xff\x01"s, map)},
      // The run-length TGAs that were found taking seconds, as they were.
      {"runs-found-1.tga", "\x01\x05\x0a\0\0\0\0\0\0\0\0\0\xff\x11\x00\x02\x18\x01\x20"s},
      {"runs-one-short.tga", Tga(10, 4096, 4096, 32, true, Rep(run32, 4096 * 4096 / 128 - 1))},
      {"rle8-ends-at-once.bmp", RleBmp(8192, 8192, 8, "\x00\x01"s)},
      {"rle4-ends-at-once.bmp", RleBmp(8192, 8192, 4, "\x00\x01"s)},
      {"rle8-blank-rows.bmp", RleBmp(8192, 8192, 8, Rep("\x00\x00"s, 8192) + "\x00\x01"s)},
      {"data-short.png", Png(8192, 8192, 8, 6, Rep("\x00"s, 1000))},
      {"colours-past-the-file.bmp", withColours(Bmp(3, 2, Rep("\x01\x02\x03"s, 3) + "\0\0\0"s + Rep("\x04\x05\x06"s, 3) + "\0\0\0"s),
                                                1107361792)},
      {"colours-one-past.bmp", withColours(RleBmp(16, 16, 8, "\x00\x01"s), 257)},
      {"colours-found.bmp",
       "\x42\x4d\x4e\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\x03\x00\x00\x00\x02\x00\x00\x00\x01\x00\x18\x00\x01\x00\x00\x00\x01\x01\x88\x00\x00\x00\x18\x00\x00\x00\x00\x00\x00\x00\x01\x42\x4d\x4e\x00\x00"
       "\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\xc4\x00\x03\x00\x00\x00\x02\x00\x00\x00\x01\x08\x18\x00\x00\x04\x00\x00\x18\x00\x00\x00\x00\x00\x00\x00\x00\x00\x40\x00\x00\x37\x00\xff\x00\x00\x00\x00\x00\x00\x03\x00\xff\x13"s},
      {"grey-data-short.png", Png(8192, 8192, 1, 0, Rep("\x00"s, 4096))},
  };
  ExpectRefusedBeforeDecoding(bad);

  // At the bounds: every run packed as tightly as the format allows.
  const std::vector<Px> full = Load(Write("runs-whole.tga", Tga(10, 1024, 1024, 32, true, Rep(run32, 1024 * 1024 / 128))),
                                    1024, 1024);
  ASSERT_EQ(full.size(), 1024u * 1024u);
  EXPECT_EQ(full.back(), (Px{0x10, 0x20, 0x30, 0x40}));
  EXPECT_EQ(Load(Write("runs-odd.tga", Tga(11, 129, 1, 8, true, "\xff\x40\x00\x80"s)), 129, 1).size(), 129u);
  EXPECT_EQ(Load(Write("plain-whole.tga", Tga(3, 300, 300, 8, true, Rep("\x01"s, 300 * 300))), 300, 300).size(),
            90000u);
  // A small run-length BMP that ends at once, and one of whole runs (two rows of 255 + 1 pixels).
  EXPECT_EQ(Load(Write("rle8-small.bmp", RleBmp(200, 200, 8, "\x00\x01"s)), 200, 200).size(), 40000u);
  const std::vector<Px> runs = Load(Write("rle8-runs.bmp", RleBmp(256, 2, 8, Rep("\xff\x05\x01\x05\x00\x00"s, 2) + "\x00\x01"s)),
                                    256, 2);
  ASSERT_EQ(runs.size(), 512u);
  EXPECT_EQ(runs.front(), (Px{5, 5, 5, 255}));
}

// The decoder of PNGs is not told when a read ends early, so a chunk whose length runs
// past the file was read and summed over bytes that are not there (a PNG of 68 bytes
// whose second chunk claimed a gigabyte took over a second). A PNG's chunks must lie
// inside the file up to its closing one; a sound PNG, also with bytes after it, loads.
TEST_F(VupTest, APngWhoseChunksRunPastTheFileIsRefusedBeforeDecoding) {
  // One grey pixel; its data chunk's length field is at byte 33.
  const Bytes png =
      "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x01\0\0\0\x01\x08\0\0\0\0\x3a\x7e\x9b\x55\0\0\0\x0aIDAT"
      "\x78\x9c\x63\x60\0\0\0\x02\0\x01\x48\xaf\xa4\x71\0\0\0\0IEND\xae\x42\x60\x82"s;
  const auto withLength = [&png](const Bytes& length) { return png.substr(0, 33) + length + png.substr(37); };
  const std::vector<std::pair<const char*, Bytes>> bad = {
      // As it was found: 2 x 2 pixels, a data chunk of 0x40000012 bytes in a file of 68.
      {"found.png", "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x02\0\0\0\x02\x08\x02\0\0\0\xfd\xd4\x9a\x73\x40\0\0\x12IDAT"
                    "\x78\x9c\x63\xf8\xcf\xc0\xc0\0\xc2\x0c\xff\x81\0\0\x1f\xee\x05\xfb\x0b\xd9\x68\x8b\0\0\0\0\x82"s},
      {"chunk-a-gigabyte.png", withLength("\x40\0\0\x12"s)},
      {"chunk-one-past.png", withLength("\0\0\0\x1f"s)},
      {"chunk-past-2-gb.png", withLength("\xff\xff\xff\xf0"s)},
      {"no-closing-chunk.png", png.substr(0, png.size() - 12)},
      {"closing-chunk-cut.png", png.substr(0, png.size() - 2)},
  };
  ExpectRefusedBeforeDecoding(bad);
  EXPECT_EQ(Load(Write("sound.png", png), 1, 1).size(), 1u);
  EXPECT_EQ(Load(Write("sound-and-more.png", png + "trailing bytes"), 1, 1).size(), 1u);
}

TEST_F(VupTest, ANamedPipeIsRefusedWithoutWaitingOnIt) {
  const std::string pipe = dir_ + "/pipe.tga";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  while (ilGetError() != IL_NO_ERROR) {
  }
  EXPECT_EQ(VUP_ConvertToHBitmap(pipe.c_str(), 0), 0);  // no writer ever comes
  EXPECT_EQ(ilGetError(), ILenum(IL_COULD_NOT_OPEN_FILE));
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_PATH);
}

TEST_F(VupTest, InitTermPairsAndBitmapHandles) {
  const std::string path = Write("a.tga", Tga(2, 2, 2, 24, true, Rep("\x00\x00\xff"s, 4)));
  std::vector<int32_t> handles;
  for (int round = 0; round < 3; ++round) {
    VUP_Term();
    EXPECT_EQ(VUP_ConvertToHBitmap(path.c_str(), 0), 0) << "without DevIL";
    VUP_Init();
    const int32_t h = VUP_ConvertToHBitmap(path.c_str(), 0);
    ASSERT_NE(h, 0) << round;
    for (int32_t old : handles) EXPECT_NE(old, h);
    handles.push_back(h);
  }
  VUP_Term();
  // Bitmaps belong to the caller and outlive DevIL.
  for (int32_t h : handles) {
    int32_t w = 0, ht = 0;
    ASSERT_NE(VUP_GetBitmapInfo(h, &w, &ht, nullptr), 0);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(VUP_GetBitmapBits(h)[2], 255);
    EXPECT_EQ(VUP_DeleteBitmap(h), 1);
    EXPECT_EQ(VUP_DeleteBitmap(h), 0);
    EXPECT_EQ(VUP_GetBitmapBits(h), nullptr);
    EXPECT_EQ(VUP_GetBitmapInfo(h, &w, &ht, nullptr), 0);
  }
  EXPECT_EQ(VUP_DeleteBitmap(0), 0);
  VUP_Init();  // for TearDown's Term
}

TEST_F(VupTest, FileFunctionsOverRudu) {
  using vup::clsFileCallbacks;
  EXPECT_EQ(clsFileCallbacks::rudu_origin(IL_SEEK_SET), 0);
  EXPECT_EQ(clsFileCallbacks::rudu_origin(IL_SEEK_CUR), 2);
  EXPECT_EQ(clsFileCallbacks::rudu_origin(IL_SEEK_END), 1);
  EXPECT_EQ(clsFileCallbacks::rudu_origin(7), 0);

  const std::string path = Write("ten.bin", "0123456789");
  EXPECT_EQ(clsFileCallbacks::open((dir_ + "/none").c_str()), nullptr);
  ILHANDLE f = clsFileCallbacks::open(path.c_str());
  ASSERT_NE(f, nullptr);
  char buf[16] = {};
  EXPECT_EQ(clsFileCallbacks::read(buf, 0, 5, f), 0);  // no division by a zero size
  EXPECT_EQ(clsFileCallbacks::tell(f), 0);
  EXPECT_EQ(clsFileCallbacks::read(buf, 3, 4, f), 3);  // 10 bytes: three whole elements
  EXPECT_TRUE(clsFileCallbacks::eof(f));
  EXPECT_EQ(clsFileCallbacks::getc(f), IL_EOF);
  EXPECT_EQ(clsFileCallbacks::seek(f, -4, IL_SEEK_END), 0);
  EXPECT_EQ(clsFileCallbacks::getc(f), '6');
  EXPECT_EQ(clsFileCallbacks::seek(f, -2, IL_SEEK_CUR), 0);
  EXPECT_EQ(clsFileCallbacks::tell(f), 5);
  EXPECT_EQ(clsFileCallbacks::seek(f, 1, IL_SEEK_SET), 0);
  EXPECT_EQ(clsFileCallbacks::getc(f), '1');
  EXPECT_NE(clsFileCallbacks::seek(f, -5, IL_SEEK_SET), 0);  // refused, position kept
  EXPECT_EQ(clsFileCallbacks::tell(f), 2);
  EXPECT_FALSE(clsFileCallbacks::eof(f));
  clsFileCallbacks::close(f);
}

}  // namespace

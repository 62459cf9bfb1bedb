// The exported entries of the image loading library.
#include "vup.h"

#include <IL/il.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "BitmapTable.h"
#include "rudu/rudu.h"
#include "FileCallbacks.h"

// DevIL records an error with this entry; its library exports it without
// declaring it in the public header.
extern "C" void ILAPIENTRY ilSetError(ILenum error);

namespace {

bool g_initialised = false;

// DevIL allocates an image's pixels from the size its header claims, before a byte of
// them is read, so a file of a few bytes could ask for gigabytes. Its blocks come from
// here, and one above this size is refused: the load then fails with IL_OUT_OF_MEMORY.
constexpr size_t kLargestBlock = size_t{256} << 20;

void* ILAPIENTRY BoundedAlloc(const ILsizei size) { return size > kLargestBlock ? nullptr : std::malloc(size); }
void ILAPIENTRY PlainFree(const void* CONST_RESTRICT block) { std::free(const_cast<void*>(block)); }

// The image a conversion loads into; deleted again on every way out.
class TempImage {
 public:
  TempImage() {
    ilGenImages(1, &name_);
    ilBindImage(name_);
  }
  ~TempImage() {
    ilBindImage(0);
    if (name_ != 0) ilDeleteImages(1, &name_);
  }
  TempImage(const TempImage&) = delete;
  TempImage& operator=(const TempImage&) = delete;
  bool valid() const { return name_ != 0; }

 private:
  ILuint name_ = 0;
};

// Bytes per pixel each format must have; 0 for formats we do not take as they are.
int expected_bpp(ILint format) {
  switch (format) {
    case IL_COLOUR_INDEX: case IL_LUMINANCE: return 1;
    case IL_LUMINANCE_ALPHA: return 2;
    case IL_RGB: case IL_BGR: return 3;
    case IL_RGBA: case IL_BGRA: return 4;
    default: return 0;
  }
}

// Bytes per channel of a DevIL channel type, 0 for an unknown one.
int type_size(ILint type) {
  switch (type) {
    case IL_BYTE: case IL_UNSIGNED_BYTE: return 1;
    case IL_SHORT: case IL_UNSIGNED_SHORT: case IL_HALF: return 2;
    case IL_INT: case IL_UNSIGNED_INT: case IL_FLOAT: return 4;
    case IL_DOUBLE: return 8;
    default: return 0;
  }
}

// Some decoders leave an image whose channel type, channel size and data size
// disagree (a 16-bit PNM comes out so); converting or reading such an image would
// run past its data. False, with IL_FORMAT_NOT_SUPPORTED, for those.
bool consistent() {
  const int64_t w = ilGetInteger(IL_IMAGE_WIDTH), h = ilGetInteger(IL_IMAGE_HEIGHT);
  const int64_t d = ilGetInteger(IL_IMAGE_DEPTH), bpp = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
  const int64_t bpc = ilGetInteger(IL_IMAGE_BPC), size = ilGetInteger(IL_IMAGE_SIZE_OF_DATA);
  const int64_t channels = ilGetInteger(IL_IMAGE_CHANNELS);
  const bool ok = w > 0 && h > 0 && d > 0 && bpc > 0 && bpc == type_size(ilGetInteger(IL_IMAGE_TYPE)) &&
                  channels > 0 && (bpp == channels || bpp == channels * bpc) &&
                  size >= w * h * d * channels * bpc && ilGetData() != nullptr;
  if (!ok) ilSetError(IL_FORMAT_NOT_SUPPORTED);
  return ok;
}

// The first bytes of a file (up to n, how many in got) and its size. False when the
// file does not open: DevIL then reports the failed open itself.
bool read_head(const char* fileName, void* head, int32_t n, int32_t& got, int64_t& size) {
  const int32_t f = RuDU_OpenFile(fileName, 0, 0, 0);
  if (f == 0) return false;
  got = RuDU_ReadFile(f, head, n);
  size = RuDU_FileSize(f);
  RuDU_CloseFile(f);
  return true;
}

// DevIL's binary PNM reader frees the image's pixels on a short read and leaves
// the image pointing at them, so deleting the image later frees them twice. A
// binary PNM (P4, P5, P6) whose pixel bytes do not all follow its header is
// therefore refused before DevIL sees it. True when the file may go to DevIL.
bool pnm_complete(const char* fileName) {
  char head[256];
  int32_t got = 0;
  int64_t size = 0;
  if (!read_head(fileName, head, sizeof head, got, size)) return true;
  if (got < 2 || head[0] != 'P' || head[1] < '4' || head[1] > '6') return true;
  const char kind = head[1];
  int32_t pos = 2;
  int64_t values[3] = {0, 0, 1};
  const int wanted = kind == '4' ? 2 : 3;
  for (int i = 0; i < wanted; ++i) {
    for (;;) {  // white space and comments
      while (pos < got && (head[pos] == ' ' || head[pos] == '\t' || head[pos] == '\r' || head[pos] == '\n')) ++pos;
      if (pos < got && head[pos] == '#') {
        while (pos < got && head[pos] != '\n') ++pos;
        continue;
      }
      break;
    }
    if (pos >= got || head[pos] < '0' || head[pos] > '9') return true;  // let DevIL judge the header
    int64_t v = 0;
    while (pos < got && head[pos] >= '0' && head[pos] <= '9' && v < (int64_t(1) << 32)) v = v * 10 + (head[pos++] - '0');
    values[i] = v;
  }
  ++pos;  // the single white-space byte before the pixels
  const int64_t w = values[0], h = values[1], maxval = values[2];
  const int64_t sample = maxval > 255 ? 2 : 1;
  // In floating point: the product of two numbers of up to 33 bits overflows 64.
  const double needed = kind == '4' ? double((w + 7) / 8) * double(h) : double(w) * double(h) * double(sample * (kind == '6' ? 3 : 1));
  if (double(int64_t(size) - pos) >= needed) return true;
  ilSetError(IL_ILLEGAL_FILE_VALUE);
  return false;
}

// True when the file name ends in "." and one of the extensions (lower case), in any case.
bool has_extension(std::string_view name, std::initializer_list<std::string_view> extensions) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view ext = name.substr(dot + 1);
  for (const std::string_view e : extensions) {
    if (e.size() != ext.size()) continue;
    bool same = true;
    for (size_t i = 0; i < e.size() && same; ++i)
      same = (ext[i] >= 'A' && ext[i] <= 'Z' ? char(ext[i] - 'A' + 'a') : ext[i]) == e[i];
    if (same) return true;
  }
  return false;
}

// DevIL's decoders read a header field by field and take whatever their locals held for
// the fields past the end of the file, so a header the file ends inside sends them on
// with made-up sizes and formats (a DDS of 84 bytes crashed its decoder). The decoder
// DevIL picks, by the file's extension or else by its first bytes, must find its header
// whole: a DDS 128 bytes, a BMP its file header and the info header it names, a TGA 18
// bytes, a PNG its signature and first chunk. True when the file may go to DevIL.
bool header_whole(const char* fileName) {
  uint8_t head[18] = {};
  int32_t got = 0;
  int64_t size = 0;
  if (!read_head(fileName, head, sizeof head, got, size)) return true;
  const std::string_view name(fileName);
  const auto starts = [&](std::string_view magic) {
    return got >= static_cast<int32_t>(magic.size()) && std::memcmp(head, magic.data(), magic.size()) == 0;
  };
  int64_t needed = 0;
  if (has_extension(name, {"dds"}) || starts("DDS ")) {
    needed = 128;
  } else if (has_extension(name, {"bmp", "dib"}) || starts("BM")) {
    // The info header's own size (12 for the old form, 40 or more for the others) follows
    // the 14-byte file header; DevIL reads at most 40 bytes of it.
    const int64_t info = got >= 18 ? int64_t(head[14]) | int64_t(head[15]) << 8 | int64_t(head[16]) << 16 |
                                         int64_t(head[17]) << 24
                                   : 0;
    needed = info == 12 ? 26 : 54;
  } else if (has_extension(name, {"tga", "vda", "icb", "vst"})) {
    needed = 18;
  } else if (has_extension(name, {"png"}) || starts("\x89PNG")) {
    needed = 33;
  }
  if (size >= needed) return true;
  ilSetError(IL_INVALID_FILE_HEADER);
  return false;
}

// DevIL works out an image's size in 32 bits: a header that claims a huge image can
// wrap the size it allocates to a small one and have the pixels written past it. So
// the size a BMP, DDS, PNG or TGA header claims is checked against the largest block
// first (the same limit the allocator keeps). True when the file may go to DevIL.
bool size_sound(const char* fileName) {
  uint8_t head[32] = {};
  int32_t got = 0;
  int64_t size = 0;
  if (!read_head(fileName, head, sizeof head, got, size)) return true;
  const auto le16 = [&head](int at) { return int64_t(head[at]) | int64_t(head[at + 1]) << 8; };
  const auto le32 = [&](int at) { return le16(at) | le16(at + 2) << 16; };
  const auto be32 = [&head](int at) {
    return int64_t(head[at]) << 24 | int64_t(head[at + 1]) << 16 | int64_t(head[at + 2]) << 8 | int64_t(head[at + 3]);
  };
  const std::string_view name(fileName);
  const bool tga = name.size() > 4 && (name.substr(name.size() - 4) == ".tga" || name.substr(name.size() - 4) == ".TGA");
  // In floating point: three 32-bit factors overflow any integer.
  double pixels = 0;
  const auto magnitude = [](int64_t v) { return std::fabs(double(static_cast<int32_t>(v))); };
  if (got >= 26 && head[0] == 'B' && head[1] == 'M') {
    pixels = le32(14) == 12 ? double(le16(18)) * double(le16(20)) : magnitude(le32(18)) * magnitude(le32(22));
  } else if (got >= 28 && std::memcmp(head, "DDS ", 4) == 0) {
    pixels = double(le32(12)) * double(le32(16)) * double(std::max<int64_t>(1, le32(24)));
  } else if (got >= 24 && std::memcmp(head, "\x89PNG", 4) == 0) {
    pixels = double(be32(16)) * double(be32(20));
  } else if (tga && got >= 16) {
    pixels = double(le16(12)) * double(le16(14));
  }
  if (pixels * 4 <= double(kLargestBlock)) return true;
  ilSetError(IL_OUT_OF_MEMORY);
  return false;
}

// A decoder sets up and fills the whole picture its header declares, whatever follows:
// a TGA of 19 bytes declaring 4607 x 512 run-length pixels was decoded from nothing and
// converted at that size. So a picture the file's bytes cannot hold is refused first.
// A plain TGA needs every pixel's bytes after its header; a run-length one a packet
// (a count byte and at least one pixel) for every 128 pixels. A PNG's rows (a filter
// byte and the row's bytes each) come out of compressed data, which never gives more
// than 1032 bytes for one, so the whole file must be at least the rows' bytes over
// 1032. (Run-length BMPs are judged by bmp_complete.) True when the file may go to DevIL.
bool pixels_fit(const char* fileName) {
  uint8_t head[26] = {};
  int32_t got = 0;
  int64_t size = 0;
  if (!read_head(fileName, head, sizeof head, got, size)) return true;
  const auto be32 = [&head](int at) {
    return int64_t(head[at]) << 24 | int64_t(head[at + 1]) << 16 | int64_t(head[at + 2]) << 8 | int64_t(head[at + 3]);
  };
  // In floating point: sizes from 32-bit fields multiply past any integer.
  double needed = 0;
  if (got >= 26 && std::memcmp(head, "\x89PNG", 4) == 0) {
    const int64_t depth = head[24];
    int64_t channels = 0;
    switch (head[25]) {
      case 0: case 3: channels = 1; break;  // grey, palette
      case 2: channels = 3; break;          // red, green, blue
      case 4: channels = 2; break;          // grey and alpha
      case 6: channels = 4; break;          // red, green, blue and alpha
      default: break;                       // refused by the decoder
    }
    const double row = 1 + std::ceil(double(be32(16)) * double(channels * depth) / 8);
    needed = double(be32(20)) * row / 1032;
  }
  if (got >= 18 && has_extension(fileName, {"tga", "vda", "icb", "vst"})) {
    const double pixels = double(int64_t(head[12]) | int64_t(head[13]) << 8) * double(int64_t(head[14]) | int64_t(head[15]) << 8);
    const double pixelBytes = std::max(1, (head[16] + 7) / 8);
    const int type = head[2];
    const double before = 18 + head[0];  // the header and the image's name
    if (type == 1 || type == 2 || type == 3) needed = std::max(needed, before + pixels * pixelBytes);
    else if (type == 9 || type == 10 || type == 11)
      needed = std::max(needed, before + std::ceil(pixels / 128) * (1 + pixelBytes));
  }
  if (double(size) >= needed) return true;
  ilSetError(IL_ILLEGAL_FILE_VALUE);
  return false;
}

// DevIL gives the PNG decoder no word of a read that ends early, so a chunk whose
// length runs past the end of the file is read, and its check sum worked out, over
// bytes that are not there, up to 2 GB of them (a PNG of 68 bytes whose second chunk
// claimed a gigabyte took over a second), and a file without its closing chunk has the
// decoder take whatever its buffer held for the next chunk's length. Every chunk of a
// PNG must lie inside the file, up to and with the closing one ("IEND"); what follows
// it is not read. True when the file may go to DevIL.
bool png_chunks_whole(const char* fileName) {
  const int32_t f = RuDU_OpenFile(fileName, 0, 0, 0);
  if (f == 0) return true;  // DevIL reports the failed open itself
  uint8_t head[8] = {};
  bool whole = true;
  if (RuDU_ReadFile(f, head, 8) == 8 && std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0) {
    const int64_t size = RuDU_FileSize(f);
    whole = false;
    // Every chunk is at least 12 bytes (length, type, check sum), so the walk ends.
    for (int64_t at = 8; at + 12 <= size;) {
      uint8_t chunk[8];
      if (RuDU_SeekFile(f, static_cast<int32_t>(at), 0) != at || RuDU_ReadFile(f, chunk, 8) != 8) break;
      const int64_t length = int64_t(chunk[0]) << 24 | int64_t(chunk[1]) << 16 | int64_t(chunk[2]) << 8 | int64_t(chunk[3]);
      if (length > size - at - 12) break;
      if (std::memcmp(chunk + 4, "IEND", 4) == 0) {
        whole = true;
        break;
      }
      at += 12 + length;
    }
  }
  RuDU_CloseFile(f);
  if (whole) return true;
  ilSetError(IL_ILLEGAL_FILE_VALUE);
  return false;
}

// DevIL's BMP reader writes past the image when an uncompressed BMP ends before its
// pixel rows do, or declares a pixel size it does not read. Such a BMP, or one whose
// colour table runs past the file, is refused before DevIL sees it. True when the file
// may go to DevIL.
bool bmp_complete(const char* fileName) {
  uint8_t head[54];
  int32_t got = 0;
  int64_t size = 0;
  if (!read_head(fileName, head, sizeof head, got, size)) return true;
  if (got < 2 || head[0] != 'B' || head[1] != 'M') return true;
  const auto u16 = [&head](int at) { return uint32_t(head[at]) | uint32_t(head[at + 1]) << 8; };
  const auto u32 = [&](int at) { return u16(at) | u16(at + 2) << 16; };
  bool sound = false;
  if (got >= 26) {
    const uint32_t headerSize = u32(14), offset = u32(10);
    int64_t width = 0, height = 0;
    uint32_t bits = 0, compression = 0;
    if (headerSize == 12) {
      width = u16(18);
      height = u16(20);
      bits = u16(24);
    } else if (headerSize >= 40 && got >= 34) {
      width = static_cast<int32_t>(u32(18));
      height = static_cast<int32_t>(u32(22));
      bits = u16(28);
      compression = u32(30);
    }
    if (height < 0) height = -height;
    const bool knownBits = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (width > 0 && height > 0 && knownBits) {
      const int64_t row = (width * bits + 31) / 32 * 4;
      // Run-length rows (1, 2) are checked by the reader as it goes; but with its codes
      // that skip pixels or end the picture early, two bytes could declare a picture of
      // any size, filled and converted whole. The densest runs give 255 pixels for two
      // bytes, and a sheet is not mostly left out: past its first 65536 pixels, a
      // run-length picture needs a byte of data for every 256 pixels.
      const int64_t data = size - int64_t(offset);
      if (compression == 1 || compression == 2) sound = width * height <= 65536 + std::max<int64_t>(data, 0) * 256;
      else sound = compression <= 3 && data >= row * height;
    }
    // The reader sets aside (and clears) the colour table the info header counts before
    // reading it: a count of a billion colours in a file of 109 bytes made it 134 MB.
    // The table must lie inside the file, after the headers.
    if (headerSize >= 40 && got >= 50) {
      const int64_t colours = u32(46);
      sound = sound && (colours == 0 || 14 + int64_t(headerSize) + colours * 4 <= size);
    }
  }
  if (sound) return true;
  ilSetError(IL_ILLEGAL_FILE_VALUE);
  return false;
}

// DevIL's DDS reader writes through a null pointer when an uncompressed DDS declares
// a pixel size that is not 8, 16, 24 or 32 bits (0 among them), more smaller images
// (mipmaps) than halving its size can give, or ends before its images do, or is a
// cube map without all six faces. Such a DDS, or one without a size or in a format the
// reader does not know, is refused before DevIL sees it. True when the file may go to
// DevIL.
bool dds_sound(const char* fileName) {
  uint8_t head[128] = {};
  int32_t got = 0;
  int64_t fileSize = 0;
  if (!read_head(fileName, head, sizeof head, got, fileSize)) return true;
  // A shorter one was refused by header_whole.
  if (got < 128 || std::memcmp(head, "DDS ", 4) != 0) return true;
  const auto word = [&head](int at) {
    return uint32_t(head[at]) | uint32_t(head[at + 1]) << 8 | uint32_t(head[at + 2]) << 16 | uint32_t(head[at + 3]) << 24;
  };
  constexpr uint32_t kFourCC = 0x4;
  const uint32_t height = word(12), width = word(16), depth = word(24), mipmaps = word(28);
  uint32_t largest = std::max({width, height, depth});
  uint32_t levels = 1;
  for (; largest > 1; largest >>= 1) ++levels;
  const uint32_t flags = word(80), bits = word(88);
  const bool sizes = width > 0 && height > 0 && mipmaps <= levels;
  // Every image's bytes (each mipmap of each cube face) must be there: the reader
  // decodes whatever it got as if it were whole.
  const uint32_t fourCC = word(84), caps2 = word(112);
  constexpr uint32_t kCubemap = 0x200;
  const int64_t faces = (caps2 & kCubemap) != 0 ? 6 : 1;
  // Bytes a pixel (uncompressed and the numbered formats) or a block of 4 x 4 pixels
  // (the lettered compressed formats); a code the reader does not know is refused.
  double pixelBytes = 0, blockBytes = 0;
  if ((flags & kFourCC) == 0) {
    pixelBytes = bits / 8;
  } else {
    switch (fourCC) {
      case 0x31545844: case 0x31495441: blockBytes = 8; break;  // "DXT1", "ATI1"
      case 0x32545844: case 0x33545844: case 0x34545844: case 0x35545844:  // "DXT2" to "DXT5"
      case 0x32495441: case 0x42475852: blockBytes = 16; break;  // "ATI2", "RXGB"
      case 111: pixelBytes = 2; break;                           // 16-bit float red
      case 112: case 114: pixelBytes = 4; break;                 // 2 x 16-bit float, 32-bit float
      case 36: case 110: case 113: case 115: pixelBytes = 8; break;  // 4 x 16 bits, 2 x 32-bit float
      case 116: pixelBytes = 16; break;                          // 4 x 32-bit float
      default: break;
    }
  }
  double needed = 0;
  for (uint32_t level = 0; level < std::max<uint32_t>(mipmaps, 1) && level < 32; ++level) {
    const double w = std::max<uint32_t>(width >> level, 1), h = std::max<uint32_t>(height >> level, 1),
                 d = std::max<uint32_t>(depth >> level, 1);
    needed += pixelBytes > 0 ? w * h * d * pixelBytes : std::ceil(w / 4) * std::ceil(h / 4) * d * blockBytes;
  }
  const bool known = pixelBytes > 0 || blockBytes > 0;
  const bool whole = double(fileSize - 128) >= needed * double(faces);
  // A cube map without all six faces sends the reader through faces it never made.
  constexpr uint32_t kAllFaces = 0xFC00;
  const bool cubeWhole = (caps2 & kCubemap) == 0 || (caps2 & kAllFaces) == kAllFaces;
  if (sizes && whole && cubeWhole && known && ((flags & kFourCC) != 0 || (bits != 0 && bits % 8 == 0 && bits <= 32))) return true;
  ilSetError(IL_ILLEGAL_FILE_VALUE);
  return false;
}

// Some decoders (TGA among them) accept a file that ends before its pixels do and
// only record IL_FILE_READ_ERROR; the image would show whatever memory held. True
// when the load read everything; DevIL's other recorded errors are kept.
bool read_whole() {
  std::vector<ILenum> errors;  // newest first
  for (ILenum e = ilGetError(); e != IL_NO_ERROR; e = ilGetError()) errors.push_back(e);
  bool short_read = false;
  for (auto it = errors.rbegin(); it != errors.rend(); ++it) {
    if (*it == IL_FILE_READ_ERROR) short_read = true;
    else ilSetError(*it);
  }
  if (short_read) ilSetError(IL_FILE_READ_ERROR);
  return !short_read;
}

using ColourTable = std::array<uint8_t, 256 * 4>;  // blue, green, red, reserved

void grey_ramp(ColourTable& table) {
  for (int i = 0; i < 256; ++i) {
    table[i * 4 + 0] = table[i * 4 + 1] = table[i * 4 + 2] = static_cast<uint8_t>(i);
    table[i * 4 + 3] = 0;
  }
}

// The colour table of the bound colour-index image: its palette as blue, green,
// red, reserved; the grey ramp (and IL_INVALID_PARAM) when that conversion fails.
void palette_table(ColourTable& table) {
  table.fill(0);
  if (ilConvertPal(IL_PAL_BGR32)) {
    const ILubyte* palette = ilGetPalette();
    ILint count = ilGetInteger(IL_PALETTE_NUM_COLS);
    if (palette != nullptr && count > 0) {
      if (count > 256) count = 256;
      std::memcpy(table.data(), palette, static_cast<size_t>(count) * 4);
      return;
    }
  }
  ilSetError(IL_INVALID_PARAM);
  grey_ramp(table);
}

// One row of `width` source pixels as blue, green, red, alpha (the screen form of the
// bitmap), the format chosen once a row. Colour indexes and grey values go through
// the colour table; alpha is dropped but for BGRA, which is taken as it is.
void put_row(ILint format, const uint8_t* src, ILint width, const ColourTable& table, uint8_t* dst) {
  const size_t n = static_cast<size_t>(width);
  switch (format) {
    case IL_COLOUR_INDEX: case IL_LUMINANCE: case IL_LUMINANCE_ALPHA: {
      uint32_t screen[256];  // the table's entries with alpha 255, as they are stored
      for (int i = 0; i < 256; ++i) {
        const uint8_t px[4] = {table[i * 4 + 0], table[i * 4 + 1], table[i * 4 + 2], 255};
        std::memcpy(&screen[i], px, 4);
      }
      const size_t step = format == IL_LUMINANCE_ALPHA ? 2 : 1;
      if (format != IL_COLOUR_INDEX)  // grey: blue, green and red all the entry's blue
        for (uint32_t& e : screen) {
          uint8_t px[4];
          std::memcpy(px, &e, 4);
          px[1] = px[2] = px[0];
          std::memcpy(&e, px, 4);
        }
      for (size_t x = 0; x < n; ++x) std::memcpy(dst + x * 4, &screen[src[x * step]], 4);
      break;
    }
    case IL_RGB: case IL_RGBA: {
      const size_t step = format == IL_RGB ? 3 : 4;
      for (size_t x = 0; x < n; ++x, src += step, dst += 4) {
        dst[0] = src[2]; dst[1] = src[1]; dst[2] = src[0]; dst[3] = 255;
      }
      break;
    }
    case IL_BGR:
      for (size_t x = 0; x < n; ++x, src += 3, dst += 4) {
        dst[0] = src[0]; dst[1] = src[1]; dst[2] = src[2]; dst[3] = 255;
      }
      break;
    default:  // IL_BGRA: as it is
      std::memcpy(dst, src, n * 4);
      break;
  }
}

int32_t convert(const char* fileName) {
  TempImage image;
  if (!image.valid()) return 0;
  if (!header_whole(fileName) || !size_sound(fileName) || !pixels_fit(fileName) || !png_chunks_whole(fileName) || !pnm_complete(fileName) || !bmp_complete(fileName) || !dds_sound(fileName)) return 0;
  while (ilGetError() != IL_NO_ERROR) {
  }
  if (!ilLoadImage(fileName)) return 0;
  if (!read_whole()) return 0;

  if (!consistent()) return 0;
  ILint format = ilGetInteger(IL_IMAGE_FORMAT);
  if (ilGetInteger(IL_IMAGE_TYPE) != IL_UNSIGNED_BYTE) {
    if (!ilConvertImage(format, IL_UNSIGNED_BYTE)) return 0;
    format = ilGetInteger(IL_IMAGE_FORMAT);
  }
  if (expected_bpp(format) == 0) {
    // Anything else DevIL may yield is taken as blue, green, red, alpha.
    if (!ilConvertImage(IL_BGRA, IL_UNSIGNED_BYTE)) return 0;
    format = IL_BGRA;
  }

  const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
  const ILint height = ilGetInteger(IL_IMAGE_HEIGHT);
  const ILint bpp = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
  const uint8_t* data = ilGetData();
  if (width <= 0 || height <= 0 || width > INT32_MAX / 4 / height) {
    ilSetError(IL_UNKNOWN_ERROR);  // no bitmap of that size can be made
    return 0;
  }
  const size_t source_row = static_cast<size_t>(width) * static_cast<size_t>(bpp);
  if (data == nullptr || bpp != expected_bpp(format) ||
      static_cast<size_t>(ilGetInteger(IL_IMAGE_SIZE_OF_DATA)) < source_row * static_cast<size_t>(height)) {
    ilSetError(IL_FORMAT_NOT_SUPPORTED);
    return 0;
  }

  ColourTable table{};
  if (format == IL_COLOUR_INDEX) palette_table(table);
  else grey_ramp(table);

  vup::Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.stride = width * 4;
  try {
    bitmap.bits = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(bitmap.stride) * static_cast<size_t>(height));
  } catch (const std::bad_alloc&) {
    ilSetError(IL_OUT_OF_MEMORY);
    return 0;
  }

  // Rows run top-down in the bitmap; DevIL's first row is the top one only when
  // the image's origin is upper-left.
  const bool top_down = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_UPPER_LEFT;
  for (ILint y = 0; y < height; ++y) {
    const ILint source_y = top_down ? y : height - 1 - y;
    const uint8_t* src = data + static_cast<size_t>(source_y) * source_row;
    uint8_t* dst = bitmap.bits.get() + static_cast<size_t>(y) * static_cast<size_t>(bitmap.stride);
    put_row(format, src, width, table, dst);
  }

  const int32_t handle = vup::clsBitmapTable::instance().add(std::move(bitmap));
  if (handle == 0) ilSetError(IL_UNKNOWN_ERROR);
  return handle;
}

}  // namespace

extern "C" {

VUP_API void VUP_Init(void) {
  ilSetMemory(BoundedAlloc, PlainFree);
  ilInit();
  vup::clsFileCallbacks::install();
  g_initialised = true;
}

VUP_API void VUP_Term(void) {
  if (!g_initialised) return;
  ilShutDown();
  g_initialised = false;
}

VUP_API int32_t VUP_ConvertToHBitmap(const char* fileName, int32_t /*hDC*/) {
  if (!g_initialised) return 0;  // DevIL is not there to record anything
  if (fileName == nullptr || *fileName == '\0') {
    ilSetError(IL_INVALID_PARAM);
    return 0;
  }
  return convert(fileName);
}

VUP_API int32_t VUP_GetBitmapInfo(int32_t bitmap, int32_t* width, int32_t* height, int32_t* stride) {
  const vup::Bitmap* b = vup::clsBitmapTable::instance().find(bitmap);
  if (b == nullptr) return 0;
  if (width != nullptr) *width = b->width;
  if (height != nullptr) *height = b->height;
  if (stride != nullptr) *stride = b->stride;
  return 1;
}

VUP_API const uint8_t* VUP_GetBitmapBits(int32_t bitmap) {
  const vup::Bitmap* b = vup::clsBitmapTable::instance().find(bitmap);
  return b == nullptr ? nullptr : b->bits.get();
}

VUP_API int32_t VUP_DeleteBitmap(int32_t bitmap) {
  return vup::clsBitmapTable::instance().remove(bitmap) ? 1 : 0;
}

}  // extern "C"

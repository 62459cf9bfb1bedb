// The icon table of the ware page against its sheet: the input's first part (up to a
// NUL) is the "IconData" file, the next four bytes the sheet's width and height. The
// sheet (a TGA of that size, where the table says) is decoded by the image library;
// every icon of the table gives its rectangle, no larger than the sheet, and, on a
// sheet, a picture of that size.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <QImage>

#include "DataFolder.h"
#include "ReaderInput.h"
#include "wareeditors/WareIcons.h"

namespace {

// A true-colour TGA of w x h pixels, rows from the top.
std::string Tga(int w, int h) {
  std::string s(18, '\0');
  s[2] = 2;
  s[12] = static_cast<char>(w & 0xFF), s[13] = static_cast<char>(w >> 8);
  s[14] = static_cast<char>(h & 0xFF), s[15] = static_cast<char>(h >> 8);
  s[16] = 24;
  s[17] = 0x20;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s += {static_cast<char>(x), static_cast<char>(y), static_cast<char>(x ^ y)};
  return s;
}

// The sheet's path below textures/ ("/" between names), "" when it is no plain path.
std::string SheetFile(const std::string& sheet) {
  std::string out;
  for (const char c : sheet) {
    if (c == '\\' || c == '/') out += '/';
    else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-') out += c;
    else return "";
  }
  if (out.empty() || out.front() == '/' || out.back() == '/' || out.find("//") != std::string::npos || out.size() > 100) return "";
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzzinput::Parts(data, size, 2);
  fuzzdata::Clear();
  fuzzdata::Write("types/IconData.txt", parts[0]);
  // Where the table puts the sheet, from the file as the page reads it.
  ware::WareIconTable probe;
  const TxtParserPtr file = fuzzinput::Parse(parts[0], mdlKzConst::kIconData);
  probe.Load(file.get());
  int sheetWidth = 0, sheetHeight = 0;  // of the sheet written
  if (parts.size() > 1 && parts[1].size() >= 4) {
    const auto* b = reinterpret_cast<const uint8_t*>(parts[1].data());
    const int w = 1 + (b[0] | b[1] << 8) % 300, h = 1 + (b[2] | b[3] << 8) % 300;
    const std::string at = SheetFile(probe.SheetName());
    if (!at.empty()) {
      fuzzdata::Write("textures/" + at + ".tga", Tga(w, h));
      sheetWidth = w, sheetHeight = h;
    }
  }
  fuzzdata::Mount();

  WareIconSheet sheet;
  sheet.LoadTable();
  if (!sheet.TableLoaded()) std::abort();
  if (sheet.Table().SheetName() != probe.SheetName() || sheet.Table().Icons().size() != probe.Icons().size()) std::abort();
  if (!sheet.LoadSheet()) std::abort();  // the image library is beside the harness
  // The sheet written is the one found and decoded.
  if (sheetWidth > 0 && (sheet.Sheet().width() != sheetWidth || sheet.Sheet().height() != sheetHeight)) std::abort();
  if (sheet.Table().Names().size() != sheet.Table().Icons().size()) std::abort();
  int shown = 0;
  for (const ware::WareIcon& icon : sheet.Table().Icons()) {
    if (++shown > 64) break;
    QImage picture;
    ware::IconRect rect;
    if (!sheet.IconImage(icon.name, picture, rect)) std::abort();
    const ware::WareIcon* first = sheet.Table().Find(icon.name);
    const ware::IconRect expected = ware::RectOnSheet(*first, sheet.Sheet().width(), sheet.Sheet().height());
    if (rect.x != expected.x || rect.y != expected.y || rect.width != expected.width || rect.height != expected.height)
      std::abort();
    if (!sheet.Sheet().isNull() && (rect.width > sheet.Sheet().width() || rect.height > sheet.Sheet().height()))
      std::abort();
    if (!sheet.Sheet().isNull() && rect.width > 0 && rect.height > 0 && !picture.isNull() &&
        (picture.width() != rect.width || picture.height() != rect.height))
      std::abort();
  }
  QImage none;
  ware::IconRect rect;
  if (sheet.Table().Find("no such icon, surely") == nullptr && sheet.IconImage("no such icon, surely", none, rect)) std::abort();
  sheet.Release();
  Archive.reset();
  return 0;
}

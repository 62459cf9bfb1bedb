#pragma once
// The icon table of the ware page: the icons of the "IconData" file's GUI group (name
// and rectangle on the icon sheet) and the sheet's path without extension.
//
// "IconData": the first record (file order) is the header, made of groups of five
// values (group name, sheet path, two values not read here, icon count); the icon
// records follow it group after group, each x, y, width, height and the name.
//
// The table holds copies: the archive's records are shared with every other reader of
// the file and are never touched.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "typefiles/TxtParser.h"

namespace ware {

struct WareIcon {
  std::string name;
  int32_t x = 0, y = 0, width = 0, height = 0;  // on the sheet, in pixels
};

class WareIconTable {
 public:
  // Rebuilds the table from an "IconData" parser (null: empty). A header count that
  // runs past the file takes the icons there are. Never throws.
  void Load(const clsTxtParser* iconData);
  void Clear();

  bool Loaded() const noexcept { return loaded_; }
  const std::string& SheetName() const noexcept { return sheet_; }
  const std::vector<WareIcon>& Icons() const noexcept { return icons_; }
  // The first icon of that name in the order added; null when none.
  const WareIcon* Find(const std::string& name) const;
  // The icon names sorted by name (the order of a type file's records by ID).
  std::vector<std::string> Names() const;

  // Where the sheet is looked for in the virtual file system, in order:
  // "textures\<sheet>", then "dds\<last part of the sheet>".
  std::vector<std::string> SheetPatterns() const;

 private:
  bool loaded_ = false;
  std::string sheet_;
  std::vector<WareIcon> icons_;
};

// The largest side of an icon's picture, in pixels: a damaged record's rectangle of
// tens of thousands of pixels must not make the page allocate gigabytes.
constexpr int32_t kLargestIconSide = 4096;

// The rectangle drawn for an icon: one pixel in from the record's x and y (a corner at
// the largest position stays there), its sides cut to the largest.
struct IconRect {
  int32_t x = 0, y = 0, width = 0, height = 0;
};
inline IconRect RectOf(const WareIcon& icon) {
  const auto in = [](int32_t v) { return v == INT32_MAX ? v : v + 1; };
  return {in(icon.x), in(icon.y), std::min(icon.width, kLargestIconSide), std::min(icon.height, kLargestIconSide)};
}

// The rectangle drawn for an icon on a sheet of sheetWidth x sheetHeight pixels: as
// RectOf, with sides no longer than the sheet's. An icon is part of its sheet, so a
// damaged record asking for more gets at most the sheet's own size (its corner stays,
// and what lies past the sheet's edge shows black). Without a sheet (a side of 0 or
// less) the rectangle is RectOf's.
inline IconRect RectOnSheet(const WareIcon& icon, int32_t sheetWidth, int32_t sheetHeight) {
  IconRect rect = RectOf(icon);
  if (sheetWidth > 0 && sheetHeight > 0) {
    rect.width = std::min(rect.width, sheetWidth);
    rect.height = std::min(rect.height, sheetHeight);
  }
  return rect;
}

}  // namespace ware

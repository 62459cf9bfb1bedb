#pragma once
// The ware page's icons: the icon table of the "IconData" file's GUI group and the icon
// sheet, found through the virtual file system and decoded by the image library `vup`
// (bound by name at its first call). One sheet per page, loaded once and released with
// the page. Without the library (or without the sheet) there are no icons and nothing
// else fails.
#include <QImage>

#include <cstdint>
#include <functional>
#include <string>

#include "wareeditors/model/WareIconTable.h"

// The calls of the image library the page makes, replaceable for tests.
struct WareImageLibrary {
  // Starts the library; false when it cannot be bound or started.
  std::function<bool()> Init;
  // A bitmap handle of the image file, 0 on failure.
  std::function<int32_t(const std::string& path)> Convert;
  std::function<void()> Term;
  std::function<bool(int32_t bitmap, int32_t& width, int32_t& height, int32_t& stride)> Info;
  std::function<const uint8_t*(int32_t bitmap)> Bits;
  std::function<bool(int32_t bitmap)> Delete;

  // The calls through the program's binding of `vup`.
  static WareImageLibrary Vup();
  // The library the pages use (the binding of `vup` unless a test replaced it).
  static WareImageLibrary& Current();
};

class WareIconSheet {
 public:
  WareIconSheet() = default;
  ~WareIconSheet();
  WareIconSheet(const WareIconSheet&) = delete;
  WareIconSheet& operator=(const WareIconSheet&) = delete;

  // Builds the icon table from the archive's "IconData" file (none: an empty table).
  void LoadTable();
  bool TableLoaded() const { return table_.Loaded(); }
  const ware::WareIconTable& Table() const { return table_; }

  // Loads the sheet once: true when loaded now or before. False when the library could
  // not be started (the next call tries again). A sheet that is not found, or that the
  // library cannot read, counts as loaded and draws nothing.
  bool LoadSheet();
  bool SheetLoaded() const { return loaded_; }
  // The decoded sheet (null image when none).
  const QImage& Sheet() const { return sheet_; }
  // The path the sheet was read from ("" when none was found).
  const std::string& SheetPath() const { return path_; }

  // The icon's picture cut from the sheet, and its rectangle (ware::RectOnSheet: no
  // larger than the sheet); false when the sheet is not loaded or the table has no icon
  // of that name (the picture is then null).
  bool IconImage(const std::string& name, QImage& picture, ware::IconRect& rect) const;

  // Frees the sheet and its bitmap.
  void Release();

 private:
  ware::WareIconTable table_;
  bool loaded_ = false;
  int32_t bitmap_ = 0;
  QImage sheet_;
  std::string path_;
  WareImageLibrary lib_;  // the library the bitmap came from
};

#include "wareeditors/WareIcons.h"

#include <exception>

#include "core/LibBindings.h"
#include "core/VupBindings.h"
#include "typefiles/Archive.h"

WareImageLibrary WareImageLibrary::Vup() {
  WareImageLibrary lib;
  lib.Init = [] {
    if (!kz::vup::Available()) return false;
    kz::vup::Init();
    return true;
  };
  lib.Convert = [](const std::string& path) { return kz::vup::ConvertToHBitmap(path, 0); };
  lib.Term = [] { kz::vup::Term(); };
  lib.Info = [](int32_t b, int32_t& w, int32_t& h, int32_t& s) { return kz::vup::GetBitmapInfo(b, w, h, s); };
  lib.Bits = [](int32_t b) { return kz::vup::GetBitmapBits(b); };
  lib.Delete = [](int32_t b) { return kz::vup::DeleteBitmap(b); };
  return lib;
}

WareImageLibrary& WareImageLibrary::Current() {
  static WareImageLibrary lib = Vup();
  return lib;
}

WareIconSheet::~WareIconSheet() { Release(); }

void WareIconSheet::LoadTable() {
  TxtParserPtr file = Archive ? Archive->GetFile("IconData") : nullptr;
  table_.Load(file.get());
}

bool WareIconSheet::LoadSheet() {
  if (loaded_) return true;
  lib_ = WareImageLibrary::Current();
  try {
    if (!lib_.Init || !lib_.Init()) return false;
  } catch (const std::exception&) {
    return false;
  }

  // The first match that is a file: a folder of the same name never hides the sheet.
  for (const std::string& pattern : table_.SheetPatterns()) {
    for (const kz::VfsEntry& e : kz::VfsFindAll(pattern)) {
      if (!e.IsFolder()) {
        path_ = e.path;
        break;
      }
    }
    if (!path_.empty()) break;
  }
  try {
    if (!path_.empty() && lib_.Convert) bitmap_ = lib_.Convert(path_);
    int32_t w = 0, h = 0, stride = 0;
    const uint8_t* bits = nullptr;
    if (bitmap_ != 0 && lib_.Info && lib_.Info(bitmap_, w, h, stride) && lib_.Bits) bits = lib_.Bits(bitmap_);
    // The pixels stay the library's until Release: the image only looks at them.
    if (bits && w > 0 && h > 0 && stride >= w * 4) sheet_ = QImage(bits, w, h, stride, QImage::Format_RGB32);
  } catch (const std::exception&) {
    sheet_ = QImage();
  }
  try {
    if (lib_.Term) lib_.Term();
  } catch (const std::exception&) {
  }
  loaded_ = true;
  return true;
}

bool WareIconSheet::IconImage(const std::string& name, QImage& picture, ware::IconRect& rect) const {
  picture = QImage();
  if (!loaded_) return false;
  const ware::WareIcon* icon = table_.Find(name);
  if (!icon) return false;
  rect = ware::RectOnSheet(*icon, sheet_.width(), sheet_.height());
  if (!sheet_.isNull() && rect.width > 0 && rect.height > 0) {
    // The picture is at most the sheet's size. Outside the sheet it is black, as a copy
    // from beyond a bitmap is. A rectangle wholly beyond the sheet is not copied: its
    // far corner could pass the range of a pixel position.
    const int64_t x = rect.x, y = rect.y;
    if (x >= sheet_.width() || y >= sheet_.height() || x + rect.width <= 0 || y + rect.height <= 0) {
      picture = QImage(rect.width, rect.height, QImage::Format_RGB32);
      picture.fill(Qt::black);
    } else {
      picture = sheet_.copy(rect.x, rect.y, rect.width, rect.height);
    }
  }
  return true;
}

void WareIconSheet::Release() {
  sheet_ = QImage();
  if (bitmap_ != 0 && lib_.Delete) {
    try {
      lib_.Delete(bitmap_);
    } catch (const std::exception&) {
    }
  }
  bitmap_ = 0;
  path_.clear();
  loaded_ = false;
}

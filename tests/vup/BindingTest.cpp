// The program's by-name binding of the image library.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "core/LibBindings.h"
#include "core/VupBindings.h"

namespace {

// A 2 x 1 uncompressed true-colour image, rows bottom-up: blue, then red.
std::string TinyTga() {
  std::string t(18, '\0');
  t[2] = 2;      // uncompressed true colour
  t[12] = 2;     // width
  t[14] = 1;     // height
  t[16] = 24;    // bits per pixel
  t += std::string("\xff\x00\x00" "\x00\x00\xff", 6);
  return t;
}

TEST(VupBinding, LoadsTheLibraryByNameAndConvertsAnImage) {
  ASSERT_TRUE(kz::vup::Available());
  const auto dir = std::filesystem::temp_directory_path() / ("kz-vup-bind-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "tiny.tga").string();
  std::string error;
  ASSERT_TRUE(kz::WriteWholeFile(path, TinyTga(), 1, error)) << error;

  kz::vup::Init();
  const int32_t bmp = kz::vup::ConvertToHBitmap(path, 0);
  ASSERT_NE(bmp, 0);
  int32_t w = 0, h = 0, stride = 0;
  ASSERT_TRUE(kz::vup::GetBitmapInfo(bmp, w, h, stride));
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 1);
  const uint8_t* px = kz::vup::GetBitmapBits(bmp);
  ASSERT_NE(px, nullptr);
  EXPECT_EQ(px[0], 0xff);  // first pixel blue (B, G, R, A)
  EXPECT_EQ(px[6], 0xff);  // second pixel red
  EXPECT_TRUE(kz::vup::DeleteBitmap(bmp));
  EXPECT_FALSE(kz::vup::DeleteBitmap(bmp));
  EXPECT_EQ(kz::vup::ConvertToHBitmap((dir / "missing.tga").string(), 0), 0);
  kz::vup::Term();
  std::filesystem::remove_all(dir);
}

}  // namespace

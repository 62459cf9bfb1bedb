// The table of bitmaps this library has handed out.
#ifndef VUP_BITMAPTABLE_H
#define VUP_BITMAPTABLE_H

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace vup {

struct Bitmap {
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;          // bytes per row: width * 4
  // B, G, R, A; rows top-down (stride * height bytes). Made unset: the conversion
  // writes every byte, so a first pass of zeros over a large picture would be wasted.
  std::unique_ptr<uint8_t[]> bits;
};

class clsBitmapTable {
 public:
  static clsBitmapTable& instance();

  // Takes the bitmap over; its new handle (never 0, never reused).
  int32_t add(Bitmap&& bitmap);
  // The bitmap of a handle, nullptr when it is not live. Valid until removed.
  const Bitmap* find(int32_t handle) const;
  bool remove(int32_t handle);

 private:
  clsBitmapTable() = default;
  mutable std::mutex mutex_;
  std::unordered_map<int32_t, Bitmap> bitmaps_;
  int32_t next_ = 1;
};

}  // namespace vup

#endif

#include "BitmapTable.h"

namespace vup {

clsBitmapTable& clsBitmapTable::instance() {
  static clsBitmapTable table;
  return table;
}

int32_t clsBitmapTable::add(Bitmap&& bitmap) {
  std::lock_guard lock(mutex_);
  if (next_ <= 0) return 0;  // all 2^31-1 handles used up
  const int32_t handle = next_;
  bitmaps_.emplace(handle, std::move(bitmap));
  next_ = handle == INT32_MAX ? -1 : handle + 1;
  return handle;
}

const Bitmap* clsBitmapTable::find(int32_t handle) const {
  std::lock_guard lock(mutex_);
  auto it = bitmaps_.find(handle);
  return it == bitmaps_.end() ? nullptr : &it->second;
}

bool clsBitmapTable::remove(int32_t handle) {
  std::lock_guard lock(mutex_);
  return bitmaps_.erase(handle) != 0;
}

}  // namespace vup

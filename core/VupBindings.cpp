#include "core/VupBindings.h"

#include <dlfcn.h>

#include "core/Generic.h"

namespace kz::vup {

namespace {

struct Entries {
  bool tried = false;
  bool ok = false;
  void (*init)() = nullptr;
  void (*term)() = nullptr;
  int32_t (*convert)(const char*, int32_t) = nullptr;
  int32_t (*info)(int32_t, int32_t*, int32_t*, int32_t*) = nullptr;
  const uint8_t* (*bits)(int32_t) = nullptr;
  int32_t (*remove)(int32_t) = nullptr;
};

template <class F>
bool Bind(void* lib, const char* name, F& out) {
  out = reinterpret_cast<F>(::dlsym(lib, name));
  return out != nullptr;
}

const Entries& Bound() {
  static Entries e;
  if (e.tried) return e;
  e.tried = true;
  // The library stays loaded for the life of the process once bound.
  void* lib = LoadLibraryByName("vup");
  if (!lib) return e;
  e.ok = Bind(lib, "VUP_Init", e.init) && Bind(lib, "VUP_Term", e.term) &&
         Bind(lib, "VUP_ConvertToHBitmap", e.convert) && Bind(lib, "VUP_GetBitmapInfo", e.info) &&
         Bind(lib, "VUP_GetBitmapBits", e.bits) && Bind(lib, "VUP_DeleteBitmap", e.remove);
  if (!e.ok) ::dlclose(lib);
  return e;
}

}  // namespace

bool Available() { return Bound().ok; }

void Init() {
  if (Available()) Bound().init();
}

void Term() {
  if (Available()) Bound().term();
}

int32_t ConvertToHBitmap(const std::string& fileName, int32_t hDC) {
  return Available() ? Bound().convert(fileName.c_str(), hDC) : 0;
}

bool GetBitmapInfo(int32_t bitmap, int32_t& width, int32_t& height, int32_t& stride) {
  return Available() && Bound().info(bitmap, &width, &height, &stride) != 0;
}

const uint8_t* GetBitmapBits(int32_t bitmap) { return Available() ? Bound().bits(bitmap) : nullptr; }

bool DeleteBitmap(int32_t bitmap) { return Available() && Bound().remove(bitmap) != 0; }

}  // namespace kz::vup

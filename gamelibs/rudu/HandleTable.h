// The one handle space shared by rudu, zuzer and videdoded.
//
// Handles are signed 32-bit integers, 0 means "none", and a handle is never
// handed out twice while the process lives. Every object behind a handle has a
// kind; asking for a handle with the wrong kind gives nothing, so a stale or
// wrong-typed handle can never be mistaken for a live object.
#pragma once

#include <cstdint>
#include <memory>

#if defined(__GNUC__)
#define KZ_EXPORT __attribute__((visibility("default")))
#else
#define KZ_EXPORT
#endif

// Thread-local state read on every library call: the game libraries are linked at
// start-up, so the cheaper static TLS model applies.
#if defined(__GNUC__)
#define KZ_FAST_TLS __attribute__((tls_model("initial-exec")))
#else
#define KZ_FAST_TLS
#endif

namespace rudu {

// Kinds of objects in the shared handle space.
enum HandleKind : int32_t {
  kAnyKind = -1,
  kFileHandle = 1,        // an open rudu file
  kCatalogHandle = 2,     // an open rudu catalog
  kFindHandle = 3,        // a zuzer find in progress
  kCatFindContext = 4,    // a zuzer catalog find context
  kVfsHandle = 5,         // the whole virtual file system seen as a catalog
  kDocumentHandle = 7,    // a videdoded document
  kPageHandle = 8,        // a text resource page
  kStringHandle = 9,      // a text resource string
  kDescStoreHandle = 10,  // the description-server store (always handle 1)
};

// Handle 1 is kept for the description-server store of videdoded.
inline constexpr int32_t kDescStoreHandleValue = 1;

struct KZ_EXPORT HandleObject {
  virtual ~HandleObject();
};

// Registers an object and gives its new handle (0 only when the space is spent).
KZ_EXPORT int32_t HandleAdd(std::shared_ptr<HandleObject> object, int32_t kind);
// Places an object at a fixed handle below the first free one (handle 1). False when taken.
KZ_EXPORT bool HandleAddFixed(int32_t handle, std::shared_ptr<HandleObject> object, int32_t kind);
// The object behind a live handle of that kind (kAnyKind: any); null otherwise.
KZ_EXPORT std::shared_ptr<HandleObject> HandleGet(int32_t handle, int32_t kind);
// The kind of a live handle, 0 when the handle is not live.
KZ_EXPORT int32_t HandleKindOf(int32_t handle);
// Forgets a live handle; its object lives on as long as others hold it. False when not live.
KZ_EXPORT bool HandleRemove(int32_t handle);
// Number of live handles (for tests and leak checks).
KZ_EXPORT int32_t HandleCount();

template <class T>
std::shared_ptr<T> HandleGetAs(int32_t handle, int32_t kind) {
  return std::dynamic_pointer_cast<T>(HandleGet(handle, kind));
}

}  // namespace rudu

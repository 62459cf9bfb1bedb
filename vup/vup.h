/* vup: the image loading library.
 *
 * Reads an image file through rudu (a plain file, a packed file, or a catalog
 * entry "x.cat::inner\path"), decodes it with DevIL and hands back a bitmap handle.
 *
 * Order of calls: VUP_Init, any number of VUP_ConvertToHBitmap, VUP_Term. Only one
 * thread may call the library at a time (DevIL's state is global).
 *
 * Bitmaps
 *   A bitmap handle is a signed 32-bit integer owned by this library; 0 means
 *   failure or nothing. Its pixels are 32-bit B, G, R, A bytes, rows top-down, each
 *   row `stride` bytes (width * 4). The fourth byte is 255 for every source format
 *   except BGRA, where it is the image's own alpha byte; draw the pixels as opaque
 *   (QImage::Format_RGB32) to get what a screen copy of the bitmap shows. A bitmap
 *   belongs to the caller, who deletes it with VUP_DeleteBitmap; it outlives
 *   VUP_Term.
 *
 * Limits
 *   No single block of an image may take more than 256 MiB (a true-colour image of
 *   8192 x 8192 pixels is the largest square that loads): a file whose header claims
 *   more fails with IL_OUT_OF_MEMORY before anything that large is allocated.
 *
 * Errors
 *   VUP_ConvertToHBitmap empties DevIL's error stack before it loads, and returns 0
 *   on failure; DevIL's error code (ilGetError) then says why (IL_FILE_READ_ERROR for
 *   a file that ends before its pixels do), and when the file could not be opened rudu's last error (RuDU_GetLastError)
 *   tells the path's fault.
 */
#ifndef VUP_VUP_H
#define VUP_VUP_H

#include <stdint.h>

#if defined(__GNUC__)
#define VUP_API __attribute__((visibility("default")))
#else
#define VUP_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Initialises DevIL and installs the rudu file-reading functions. */
VUP_API void VUP_Init(void);
/* Shuts DevIL down, freeing every image it holds. Bitmaps already made stay valid. */
VUP_API void VUP_Term(void);
/* Loads fileName (a NUL-terminated path as rudu understands it) and makes a bitmap
 * of its first image. hDC is accepted for the caller's convenience and not used.
 * A bitmap handle, 0 on failure. */
VUP_API int32_t VUP_ConvertToHBitmap(const char* fileName, int32_t hDC);

/* Size of a bitmap. Nonzero when the handle is live; the outputs may be NULL. */
VUP_API int32_t VUP_GetBitmapInfo(int32_t bitmap, int32_t* width, int32_t* height, int32_t* stride);
/* The first byte of a bitmap's pixels (height rows of stride bytes), NULL for a bad
 * handle. Valid until the bitmap is deleted. */
VUP_API const uint8_t* VUP_GetBitmapBits(int32_t bitmap);
/* Deletes a bitmap. Nonzero when the handle was live. */
VUP_API int32_t VUP_DeleteBitmap(int32_t bitmap);
/* The project version ("major.minor.patch"). */
VUP_API const char* KzLibraryVersion(void);

#ifdef __cplusplus
}
#endif

#endif /* VUP_VUP_H */

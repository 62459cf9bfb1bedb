/* rudu: the file driver for plain files, packed files and files inside catalogs.
 *
 * Strings are UTF-8 and NUL-terminated; every handle is a signed 32-bit integer of
 * the handle space shared with zuzer and videdoded (HandleTable.h); 0 means failure
 * or nothing, and closing a handle of 0 is harmless.
 *
 * Paths
 *   A plain path ("/games/kz/types/TLaser.txt"), or a catalog path: the catalog
 *   file, "::" and an inner path ("/games/kz/03.cat::types\TShips.txt"). "\" and "/"
 *   both separate folders; inner paths are stored with "\". Names are found without
 *   regard to (ASCII) letter case, on disk and inside catalogs. An inner path that is
 *   empty, absolute ("\x", "C:x"), holds ".", ".." or an empty name ("a\\b", "a\"),
 *   or a control character, is refused.
 *
 * Forms
 *   plain  the bytes as they are.
 *   packed one gzip member (RFC 1952, through zlib). Reading recognises packed data by
 *          its magic bytes, whatever the file's name, and a read handle of a packed
 *          file reads the unpacked bytes (a plain or catalog file alike). Corrupt or
 *          truncated packed data fails the open. A packed content above 64 MiB is
 *          not held by the handle: each read unpacks into the caller's buffer
 *          (reading on in order costs nothing extra; seeking back before the last
 *          64 KiB read unpacks again from the start).
 *
 * Special files
 *   Reading refuses anything that is not a regular file (a named pipe, a socket, a
 *   device, a folder): such a path is never waited on, and the error says what it is.
 *
 * Catalogs
 *   NAME.cat is a text index, NAME.dat its data. The index's first line is the data
 *   file's name (a bare name in the catalog's folder, found without regard to case);
 *   each further line is an inner path, one blank and the entry's size in decimal
 *   bytes (lines end in LF or CR LF; blank lines are skipped). The data file holds the
 *   entries' bytes back to back in index order, so an entry's offset is the sum of
 *   the sizes before it. When a path appears on several lines the last one is the
 *   entry (the earlier bytes stay in the data file, unused). Bytes of the data file
 *   past the last entry are not part of the catalog. An index line without a size, a
 *   size above 2^31-1, entries that run past the data file's end, a missing data
 *   file, binary (NUL) bytes or a refused inner path make the whole catalog invalid.
 *
 * Opening
 *   access 0 reads, 1 writes; create 1 starts the new content empty, create 0 starts
 *   it with the current content (unpacked; empty when there is none). The form t:
 *   1 plain, 2 packed, 0 the form the target already has (for a new target: packed
 *   when its name ends in ".pck", else plain).
 *     (path, 0, 0, 0)                    read
 *     (path, 1, 1, t)                    create or replace for writing, form t
 *     RuDU_OpenFileConvert(path, 1, 0, t) write, converting the file to form t
 *   A write handle can also be read and sought. A write into a catalog that does not
 *   exist yet creates it (NAME.cat and NAME.dat beside each other).
 *   A read handle holds the content read at the open, except for a plain disk file of
 *   16 MiB or more, which is mapped: reads see the file as it is then. Should another
 *   program cut such a file short while it is open, what lay past the new end reads as
 *   zeros.
 *
 * Writing never damages what exists
 *   A write handle collects the content in memory; RuDU_CloseFile commits it. On disk
 *   a temporary file beside the target (".NAME.kz-<process id>-<n>.tmp") is written,
 *   flushed and renamed over it (the old file's permissions are kept). For a catalog
 *   the data is appended to NAME.dat and a new index (the old lines plus the new
 *   entry's line) replaces NAME.cat the same way. A failure at any step leaves the old
 *   file and catalog whole, removes the temporary file, and RuDU_CloseFile returns 0
 *   with the error set. A write handle that is never closed writes nothing.
 *   A catalog commit holds an exclusive flock on NAME.cat from before the index is
 *   read until the new one is in place; another writer waits for it up to 5 seconds
 *   and then fails with the catalog unchanged. A new catalog's data file is created
 *   exclusively, so of two programs creating one catalog, one creates it and the other
 *   adds to it. Every save removes, from its folder, temporary files of the naming
 *   above whose process no longer runs (left by a save that was killed).
 *   A path that is a symbolic link is written through: the file it names gets the
 *   content and the link stays. A catalog reached through a link is the file the link
 *   names, with its data file beside that file. The same holds for a chain of links,
 *   relative or absolute, and for a link whose file is not there yet: the save makes
 *   it. A link that leads in a loop, or to a folder that does not exist, fails the
 *   open for writing (RUDU_ERR_PATH) and nothing is changed.
 *
 * Errors
 *   Every entry except RuDU_GetLastError and RuDU_TranslateError clears the last error
 *   (kept per thread) on entry. RuDU_TranslateError(code, NULL, 0, &needed) gives in
 *   `needed` the bytes the text takes with its NUL (0 for code 0, whose text is
 *   empty); with a buffer of at least that size the text is copied with its NUL and
 *   the result is nonzero; a smaller buffer gets as much as fits, NUL-terminated, and
 *   the result 0. While `code` is the last error the text says what failed and on
 *   which path; any other code gives the code's general text.
 */
#ifndef RUDU_RUDU_H
#define RUDU_RUDU_H

#include <stdint.h>

#if defined(__GNUC__)
#define RUDU_API __attribute__((visibility("default")))
#else
#define RUDU_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Error codes of RuDU_GetLastError. */
enum {
  RUDU_OK = 0,
  RUDU_ERR_ARGUMENT = 1,     /* a missing or out-of-range argument */
  RUDU_ERR_HANDLE = 2,       /* not a live handle of the right kind */
  RUDU_ERR_PATH = 3,         /* a path that is refused */
  RUDU_ERR_NOT_FOUND = 4,    /* no such file, folder or catalog entry */
  RUDU_ERR_IO = 5,           /* the system refused a read or write */
  RUDU_ERR_CATALOG = 6,      /* not a catalog, or a damaged one */
  RUDU_ERR_PACKED = 7,       /* damaged packed data */
  RUDU_ERR_READ_ONLY = 8,    /* writing through a read handle */
  RUDU_ERR_TOO_LARGE = 9,    /* a size beyond 2^31-1 bytes */
  RUDU_ERR_COMMIT = 10,      /* the new content could not be saved */
  RUDU_ERR_UNSUPPORTED = 11  /* an operation the driver does not offer */
};

/* Opens a file (see the forms above). A handle, 0 on failure. */
RUDU_API int32_t RuDU_OpenFile(const char* path, int32_t access, int32_t create, int32_t fileType);
/* Opens a file for writing, converting it to the form fileType (access must be 1). */
RUDU_API int32_t RuDU_OpenFileConvert(const char* path, int32_t access, int32_t create, int32_t fileType);
/* Reads up to count bytes at the position; the bytes read (0 at the end or on failure). */
RUDU_API int32_t RuDU_ReadFile(int32_t file, void* buffer, int32_t count);
/* Writes count bytes at the position (a gap past the end is filled with zeros); the bytes written. */
RUDU_API int32_t RuDU_WriteFile(int32_t file, const void* buffer, int32_t count);
/* The content's size in bytes, -1 on failure. */
RUDU_API int32_t RuDU_FileSize(int32_t file);
/* Moves the position: origin 0 from the start, 1 from the end, 2 from the current
 * position. The new position, -1 on failure (the position then stays). */
RUDU_API int32_t RuDU_SeekFile(int32_t file, int32_t offset, int32_t origin);
/* The position, -1 on failure. */
RUDU_API int32_t RuDU_FileTell(int32_t file);
/* Nonzero when the position is at or past the end (also for a bad handle). */
RUDU_API int32_t RuDU_EOF(int32_t file);
/* A write handle's content ends at the position. Nonzero on success. */
RUDU_API int32_t RuDU_SetEndOfFile(int32_t file);
/* Closes a handle; a write handle commits its content. Nonzero = closed (and committed). */
RUDU_API int32_t RuDU_CloseFile(int32_t file);
/* Nonzero when the path names an existing file (a plain file or a catalog entry). */
RUDU_API int32_t RuDU_FileExists(const char* path);
/* Deletes a plain file. Entries inside catalogs are not deleted. Nonzero on success. */
RUDU_API int32_t RuDU_DeleteFile(const char* path);
/* Opens a catalog for listing (flags: 0). A catalog handle, 0 on failure. */
RUDU_API int32_t RuDU_OpenCatalog(const char* path, int32_t flags);
/* Closes a catalog handle. Nonzero when it was open. */
RUDU_API int32_t RuDU_CloseCatalog(int32_t catalog);
/* The code of the last error of this thread, 0 when the last entry succeeded. */
RUDU_API int32_t RuDU_GetLastError(void);
/* The text of an error code (see Errors above). */
RUDU_API int32_t RuDU_TranslateError(int32_t code, char* buffer, int32_t size, int32_t* needed);
/* The project version ("major.minor.patch"). */
RUDU_API const char* KzLibraryVersion(void);

#ifdef __cplusplus
}
#endif

#endif /* RUDU_RUDU_H */

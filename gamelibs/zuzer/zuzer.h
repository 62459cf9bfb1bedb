/* zuzer: the virtual file system over the game's data folder and its catalogs.
 *
 * Strings are UTF-8 and NUL-terminated; handles share rudu's handle space (0 means
 * failure or nothing; closing 0 is harmless).
 *
 * Building the index
 *   ZuZER_CreateVFS(dir) replaces the index with the data folder's content, in layers
 *   where a higher layer hides a lower one's entry of the same path (compared without
 *   regard to letter case):
 *     1. its numbered catalogs ("01.cat", "02.cat", ... directly in the folder), in
 *        ascending number: a later catalog hides an earlier one;
 *     2. the plain files below the folder (they hide catalog entries);
 *     3. catalogs added with ZuZER_AppendCatalog (the active modification), each above
 *        everything before it.
 *   The filters of ZuZER_AddVFSFilter ("types\*", "t\*", ...) say what is indexed:
 *   an entry is indexed when its path matches one filter ("*" matches any run of
 *   characters, "\" included, "?" one character, letters without regard to case).
 *   Without any filter everything is indexed. Filters take effect at the next
 *   ZuZER_CreateVFS / ZuZER_AppendCatalog. Folders below the data folder that are
 *   links are not followed.
 *   An empty name or a missing folder gives an empty file system, the result 0 and
 *   an error text. A numbered catalog that cannot be read is left out (the rest is
 *   indexed) and the result is 0 with its error text.
 *
 * Finds
 *   A pattern is a folder path and a last part: "types\TLaser*", "t\44*", "objects\v".
 *   Folders are separated by "\" or "/" and named exactly (without regard to case);
 *   the last part may hold "*" (any run) and "?" (one character) and is matched
 *   without regard to case against each entry's name, or against the name without
 *   its extension ("types\TShips" finds "TShips.txt" and "TShips.pck").
 *   Results: folders first (kind 2), then files (kind 1), ascending by name; of files
 *   with the same name before the extension, the one from the higher layer first.
 *   The record's name is the entry's name with its extension, its path the path
 *   RuDU_OpenFile takes: the disk path (data folder, "/", the path as spelt on disk)
 *   or the catalog file, "::" and the inner path. A folder's path is its disk path
 *   when it exists on disk, else "<catalog>::<inner folder>".
 *   A find keeps its own list of results, so several may be open at once and a
 *   rebuild of the index does not disturb them. A name or path that does not fit
 *   its 255-byte field (254 bytes and the NUL) is never cut: that entry is passed
 *   over and the error ZUZER_ERR_TOO_LONG names it.
 *   ZuZER_FindFirstFile searches the virtual file system; ZuZER_CatFindFirstFile
 *   searches a context of ZuZER_CatFindInit over one catalog (a RuDU_OpenCatalog
 *   handle) or over the virtual file system (ZuZER_GetVFSHandle). A catalog context
 *   keeps its own copy of the catalog's index.
 *
 * Errors
 *   As in rudu: every entry except ZuZER_GetLastError and ZuZER_TranslateError clears
 *   the last error (per thread) on entry; ZuZER_TranslateError(code, NULL, 0, &needed)
 *   gives the text's bytes plus its NUL (0 for code 0); the texts name the pattern,
 *   folder or catalog concerned. A find that matches nothing sets ZUZER_ERR_NO_MATCH.
 */
#ifndef ZUZER_ZUZER_H
#define ZUZER_ZUZER_H

#include <stdint.h>

#if defined(__GNUC__)
#define ZUZER_API __attribute__((visibility("default")))
#else
#define ZUZER_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The find record: kind (2 = folder, 1 = file), name and path, NUL-padded. 516 bytes. */
typedef struct ZuZERFindData {
  int32_t kind;
  char name[255];
  char path[255];
} ZuZERFindData;

enum {
  ZUZER_KIND_FILE = 1,
  ZUZER_KIND_FOLDER = 2
};

/* Error codes of ZuZER_GetLastError. */
enum {
  ZUZER_OK = 0,
  ZUZER_ERR_ARGUMENT = 1,   /* a missing argument */
  ZUZER_ERR_HANDLE = 2,     /* not a live handle of the right kind */
  ZUZER_ERR_PATTERN = 3,    /* a pattern that is refused */
  ZUZER_ERR_FOLDER = 4,     /* the data folder is missing */
  ZUZER_ERR_CATALOG = 5,    /* a catalog that cannot be read */
  ZUZER_ERR_NO_MATCH = 6,   /* nothing matches the pattern */
  ZUZER_ERR_TOO_LONG = 7,   /* a name or path too long for the find record */
  ZUZER_ERR_NO_VFS = 8      /* the virtual file system has not been created */
};

/* Registers a filter mask for the next builds. Nonzero on success. */
ZUZER_API int32_t ZuZER_AddVFSFilter(const char* mask);
/* Builds the index over a data folder (see above). Nonzero when all of it was read. */
ZUZER_API int32_t ZuZER_CreateVFS(const char* dataDirectory);
/* Adds a catalog above everything indexed so far. Nonzero on success. */
ZUZER_API int32_t ZuZER_AppendCatalog(const char* catalogPath);
/* Starts a find in the virtual file system; the first match in *data. A find handle, 0 when nothing matches. */
ZUZER_API int32_t ZuZER_FindFirstFile(const char* pattern, ZuZERFindData* data);
/* The next match of a find in *data; nonzero, 0 when there is no more. */
ZUZER_API int32_t ZuZER_FindNextFile(int32_t find, ZuZERFindData* data);
/* Closes a find handle or a catalog find context. Nonzero when it was open. */
ZUZER_API int32_t ZuZER_FindClose(int32_t find);
/* The virtual file system seen as a catalog, for ZuZER_CatFindInit; 0 before ZuZER_CreateVFS. */
ZUZER_API int32_t ZuZER_GetVFSHandle(void);
/* A find context over a catalog handle of rudu or the handle of ZuZER_GetVFSHandle. */
ZUZER_API int32_t ZuZER_CatFindInit(int32_t catalog);
/* Starts a find inside a context; continued with ZuZER_FindNextFile, closed with ZuZER_FindClose. */
ZUZER_API int32_t ZuZER_CatFindFirstFile(int32_t context, const char* pattern, ZuZERFindData* data);
/* The code of the last error of this thread. */
ZUZER_API int32_t ZuZER_GetLastError(void);
/* The text of an error code (see Errors above). */
ZUZER_API int32_t ZuZER_TranslateError(int32_t code, char* buffer, int32_t size, int32_t* needed);
/* The project version ("major.minor.patch"). */
ZUZER_API const char* KzLibraryVersion(void);

#ifdef __cplusplus
}
#endif

#endif /* ZUZER_ZUZER_H */

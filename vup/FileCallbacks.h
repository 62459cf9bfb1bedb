// The file-reading functions installed in DevIL: every image byte comes through rudu.
#ifndef VUP_FILECALLBACKS_H
#define VUP_FILECALLBACKS_H

#include <IL/il.h>

namespace vup {

class clsFileCallbacks {
 public:
  // Installs the functions below with ilSetRead (DevIL must be initialised).
  static void install();

  // The handle DevIL passes around is the rudu file handle.
  static ILHANDLE ILAPIENTRY open(ILconst_string fileName);
  static void ILAPIENTRY close(ILHANDLE handle);
  static ILboolean ILAPIENTRY eof(ILHANDLE handle);
  // The next byte (0..255), IL_EOF when none is left.
  static ILint ILAPIENTRY getc(ILHANDLE handle);
  // The number of whole elements read; 0 for an element size of 0.
  static ILint ILAPIENTRY read(void* buffer, ILuint size, ILuint count, ILHANDLE handle);
  // 0 when the position moved, -1 on failure (as fseek, which DevIL's decoders expect).
  static ILint ILAPIENTRY seek(ILHANDLE handle, ILint offset, ILint origin);
  static ILint ILAPIENTRY tell(ILHANDLE handle);

  // rudu's origin for DevIL's (IL_SEEK_SET 0 -> 0, IL_SEEK_CUR 1 -> 2, IL_SEEK_END 2 -> 1, other -> 0).
  static int rudu_origin(ILint origin);
};

}  // namespace vup

#endif

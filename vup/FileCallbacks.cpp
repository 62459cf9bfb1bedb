#include "FileCallbacks.h"

#include <cstdint>

#include "rudu/rudu.h"

namespace vup {

namespace {

int32_t to_file(ILHANDLE handle) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(handle)); }
ILHANDLE to_handle(int32_t file) { return reinterpret_cast<ILHANDLE>(static_cast<intptr_t>(file)); }

}  // namespace

void clsFileCallbacks::install() { ilSetRead(&open, &close, &eof, &getc, &read, &seek, &tell); }

ILHANDLE ILAPIENTRY clsFileCallbacks::open(ILconst_string fileName) {
  if (fileName == nullptr) return nullptr;
  return to_handle(RuDU_OpenFile(fileName, 0, 0, 0));
}

void ILAPIENTRY clsFileCallbacks::close(ILHANDLE handle) { RuDU_CloseFile(to_file(handle)); }

ILboolean ILAPIENTRY clsFileCallbacks::eof(ILHANDLE handle) {
  return RuDU_EOF(to_file(handle)) != 0 ? IL_TRUE : IL_FALSE;
}

ILint ILAPIENTRY clsFileCallbacks::getc(ILHANDLE handle) {
  unsigned char byte = 0;
  if (RuDU_ReadFile(to_file(handle), &byte, 1) != 1) return IL_EOF;
  return byte;
}

ILint ILAPIENTRY clsFileCallbacks::read(void* buffer, ILuint size, ILuint count, ILHANDLE handle) {
  if (size == 0 || count == 0 || buffer == nullptr) return 0;
  // The product may not fit rudu's 32-bit count: read in slices.
  const uint64_t total = static_cast<uint64_t>(size) * count;
  constexpr uint64_t kSlice = 1u << 30;
  uint64_t done = 0;
  auto* out = static_cast<unsigned char*>(buffer);
  while (done < total) {
    const uint64_t want = total - done < kSlice ? total - done : kSlice;
    const int32_t got = RuDU_ReadFile(to_file(handle), out + done, static_cast<int32_t>(want));
    if (got <= 0) break;
    done += static_cast<uint64_t>(got);
    if (static_cast<uint64_t>(got) < want) break;
  }
  const uint64_t elements = done / size;
  return elements > INT32_MAX ? INT32_MAX : static_cast<ILint>(elements);
}

int clsFileCallbacks::rudu_origin(ILint origin) {
  switch (origin) {
    case IL_SEEK_CUR: return 2;
    case IL_SEEK_END: return 1;
    default: return 0;
  }
}

ILint ILAPIENTRY clsFileCallbacks::seek(ILHANDLE handle, ILint offset, ILint origin) {
  // DevIL's own seek is fseek's: 0 when the position moved, nonzero on failure.
  return RuDU_SeekFile(to_file(handle), offset, rudu_origin(origin)) < 0 ? -1 : 0;
}

ILint ILAPIENTRY clsFileCallbacks::tell(ILHANDLE handle) { return RuDU_FileTell(to_file(handle)); }

}  // namespace vup

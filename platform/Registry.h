#pragma once
// The settings store: a typed key tree with the classic registry calls.
//
// Three hives, each kept in one text file of the registry-export format in the store
// folder ($KZ_REGISTRY_DIR when set, else $XDG_CONFIG_HOME/ze-zuzazo, else
// ~/.config/ze-zuzazo):
//   HKEY_CURRENT_USER -> user.reg, HKEY_LOCAL_MACHINE -> machine.reg,
//   HKEY_CLASSES_ROOT -> classes.reg
// File format:
//   [HKEY_CURRENT_USER\software\Ze Zuzazo]      a key (full path)
//   "name"="text"                               REG_SZ ending in one NUL (\\ and \" escaped)
//   "name"=dword:0000002a                       REG_DWORD of 4 bytes
//   "name"=hex(n):6a,00                         any other type/size, bytes as stored
//   @="text"                                    the key's default (unnamed) value
// Lines starting with ";" are comments.
//
// Key and value names compare without case (ASCII). Subkeys enumerate in name order,
// values in the order they were first written. Every change is committed at once to
// disk (temporary file "<file>.tmp-<process id>" + rename, under an advisory lock); a
// failed write leaves the file and the tree as they were and returns an error code. A
// save removes such temporary files of processes that no longer run. Before every call the
// hive file's modification is checked (one stat), so another process's writes are
// seen. An unreadable or corrupt hive file, or a path there that is no regular file (a
// named pipe is never waited on), is renamed "<file>.corrupt-<n>", a warning goes to
// stderr and the hive starts empty.
//
// Handles are int32_t; the hive constants are predefined handles, opened keys get
// handles 1, 2, 3 ... never reused; 0 and unknown handles give ERROR_INVALID_HANDLE.
// A handle names a key by its path: when the key was deleted meanwhile, calls on it
// give ERROR_KEY_DELETED. Subkey paths are separated by "\" (empty parts are ignored).
// All calls are thread-safe.
#include <cstdint>
#include <string>

namespace platform {

constexpr int32_t HKEY_CLASSES_ROOT = static_cast<int32_t>(0x80000000u);
constexpr int32_t HKEY_CURRENT_USER = static_cast<int32_t>(0x80000001u);
constexpr int32_t HKEY_LOCAL_MACHINE = static_cast<int32_t>(0x80000002u);

constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;

constexpr int32_t ERROR_SUCCESS = 0;
constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
constexpr int32_t ERROR_ACCESS_DENIED = 5;  // deleting a key that still has subkeys
constexpr int32_t ERROR_INVALID_HANDLE = 6;
constexpr int32_t ERROR_WRITE_FAULT = 29;   // the hive file could not be written
constexpr int32_t ERROR_INVALID_PARAMETER = 87;
constexpr int32_t ERROR_MORE_DATA = 234;
constexpr int32_t ERROR_NO_MORE_ITEMS = 259;
constexpr int32_t ERROR_KEY_DELETED = 1018;

// Opens the subkey, creating every missing part. An empty subkey opens the key itself.
int32_t RegCreateKeyA(int32_t key, const char* subKey, int32_t* result);
// Opens an existing subkey (ERROR_FILE_NOT_FOUND when missing, *result = 0).
int32_t RegOpenKeyA(int32_t key, const char* subKey, int32_t* result);
int32_t RegCloseKey(int32_t key);
// Writes a value (name null or "" = the default value). data may be null only when size is 0.
int32_t RegSetValueExA(int32_t key, const char* name, uint32_t reserved, uint32_t type, const void* data,
                       uint32_t size);
// Reads a value. data null: only *size (and *type) are set. *size too small: ERROR_MORE_DATA
// with *size = the needed size. type and size may be null when not wanted (size is needed
// when data is given).
int32_t RegQueryValueExA(int32_t key, const char* name, uint32_t* reserved, uint32_t* type, void* data,
                         uint32_t* size);
int32_t RegDeleteValueA(int32_t key, const char* name);
// Deletes a subkey that has no subkeys of its own (ERROR_ACCESS_DENIED otherwise).
int32_t RegDeleteKeyA(int32_t key, const char* subKey);
// Name of subkey number index (0-based) into name[0..nameSize) with its NUL;
// ERROR_MORE_DATA when it does not fit, ERROR_NO_MORE_ITEMS past the end.
int32_t RegEnumKeyA(int32_t key, uint32_t index, char* name, uint32_t nameSize);
// Value number index: *nameSize in = buffer size in characters, out = name length without
// the NUL; type, data and dataSize as in RegQueryValueExA (each may be null).
int32_t RegEnumValueA(int32_t key, uint32_t index, char* name, uint32_t* nameSize, uint32_t* reserved,
                      uint32_t* type, void* data, uint32_t* dataSize);

// The folder the store uses now.
std::string RegistryDirectory();
// The file that keeps a hive ("" for a handle that is no hive).
std::string RegistryHiveFile(int32_t hive);
// Drops the in-memory trees so that the next call reads the files again (tests).
void RegistryReset();
// Reads the text of a hive file as loading does: true with the text a save of that
// tree writes, false with the reason for which the file would be set aside.
bool RegistryReadText(int32_t hive, const std::string& text, std::string& saved, std::string& error);

}  // namespace platform

// Settings file reader: any bytes are read or refused cleanly; what is read saves to a
// text that reads back to the same tree (saving it again gives the same text).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string saved, error;
  if (!platform::RegistryReadText(platform::HKEY_CURRENT_USER, text, saved, error)) {
    if (error.empty()) abort();  // a refusal always says why
    return 0;
  }
  std::string again;
  if (!platform::RegistryReadText(platform::HKEY_CURRENT_USER, saved, again, error)) abort();
  if (again != saved) abort();
  return 0;
}

// The temporary files a save writes beside its target before renaming them over it:
// their names, and the clean-up of those left behind by a save that was killed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "HandleTable.h"  // KZ_EXPORT

namespace rudu {

// The name of a save's temporary file for the file `base` (a bare name):
// ".<base>.kz-<process id>-<counter>.tmp".
KZ_EXPORT std::string TemporaryName(std::string_view base, pid_t pid, uint64_t counter);
// True when a bare name is one that TemporaryName gives; `pid` is its process id.
KZ_EXPORT bool IsTemporaryName(std::string_view name, pid_t& pid);
// Removes from a folder ("" for the working folder) the temporary files of processes
// that no longer run. Only regular files of that naming are touched; a process that
// still runs (or that may not be asked) keeps its files. The count removed.
KZ_EXPORT int RemoveStaleTemporaries(const std::string& folder);

}  // namespace rudu

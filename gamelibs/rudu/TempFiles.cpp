#include "TempFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace rudu {

namespace {
constexpr std::string_view kMark = ".kz-";
constexpr std::string_view kEnd = ".tmp";
}  // namespace

std::string TemporaryName(std::string_view base, pid_t pid, uint64_t counter) {
  std::string name = ".";
  name.append(base);
  name.append(kMark);
  name += std::to_string(pid) + "-" + std::to_string(counter);
  name.append(kEnd);
  return name;
}

bool IsTemporaryName(std::string_view name, pid_t& pid) {
  pid = 0;
  if (name.size() < 1 + 1 + kMark.size() + 3 + kEnd.size() || name[0] != '.' ||
      name.substr(name.size() - kEnd.size()) != kEnd)
    return false;
  const std::string_view body = name.substr(0, name.size() - kEnd.size());
  const size_t mark = body.rfind(kMark);
  if (mark == std::string_view::npos || mark < 2) return false;  // a base name of at least one character
  const std::string_view numbers = body.substr(mark + kMark.size());
  const size_t dash = numbers.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash > 9 || dash + 1 == numbers.size()) return false;
  uint64_t value = 0;
  for (size_t i = 0; i < numbers.size(); ++i) {
    const char c = numbers[i];
    if (i == dash) continue;
    if (c < '0' || c > '9') return false;
    if (i < dash) value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value == 0 || value > 0x7fffffff) return false;
  pid = static_cast<pid_t>(value);
  return true;
}

int RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return 0;
  const int dfd = ::dirfd(dir);
  const pid_t self = ::getpid();
  int removed = 0;
  while (const dirent* e = ::readdir(dir)) {
    pid_t pid = 0;
    if (e->d_name[0] != '.' || !IsTemporaryName(e->d_name, pid) || pid == self) continue;
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;  // it runs, or is not ours to ask
    struct stat st;
    if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::unlinkat(dfd, e->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

}  // namespace rudu

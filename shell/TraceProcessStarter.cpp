#include "shell/TraceProcessStarter.h"

#include <cstdio>

namespace kz {

bool TraceProcessStarter::Start(const std::string& program, const std::vector<std::string>&, const std::string&,
                                StartWindow) {
  std::fprintf(stderr, "kz-start \"%s\"\n", program.c_str());
  std::fflush(stderr);
  return true;
}

bool TraceProcessStarter::OpenDocument(const std::string& path) {
  std::fprintf(stderr, "kz-document \"%s\"\n", path.c_str());
  std::fflush(stderr);
  return true;
}

}  // namespace kz

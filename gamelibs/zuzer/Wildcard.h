// Name patterns of the virtual file system: "*" any run of characters, "?" one,
// letters compared without regard to (ASCII) case.
#pragma once

#include <string_view>

namespace zuzer {

class Wildcard {
 public:
  static bool Match(std::string_view pattern, std::string_view text);
  // True when some text that begins with `prefix` can match the pattern.
  static bool CouldMatchWithPrefix(std::string_view pattern, std::string_view prefix);
  static bool HasWildcards(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }
};

}  // namespace zuzer

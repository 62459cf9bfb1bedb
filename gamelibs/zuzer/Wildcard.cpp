#include "Wildcard.h"

#include "rudu/PathResolver.h"

namespace zuzer {

namespace {

// Greedy matching with one backtracking point (the last "*"), linear in practice.
bool Run(std::string_view pat, std::string_view text, bool prefixOnly) {
  size_t p = 0, t = 0, starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pat.size() && pat[p] == '*') {
      starP = p++;
      starT = t;
    } else if (p < pat.size() && (pat[p] == '?' || rudu::FoldCase(pat[p]) == rudu::FoldCase(text[t]))) {
      ++p;
      ++t;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  if (prefixOnly) return true;
  while (p < pat.size() && pat[p] == '*') ++p;
  return p == pat.size();
}

}  // namespace

bool Wildcard::Match(std::string_view pattern, std::string_view text) { return Run(pattern, text, false); }

bool Wildcard::CouldMatchWithPrefix(std::string_view pattern, std::string_view prefix) {
  return Run(pattern, prefix, true);
}

}  // namespace zuzer

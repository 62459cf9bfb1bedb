#include "txteditor/TXTEditorRules.h"

#include <cmath>

#include "core/AppError.h"

namespace mdlTXTEditorRules {

namespace {
bool EndsWithNoCase(const std::string& s, const char* tail) {
  size_t n = std::char_traits<char>::length(tail);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char a = s[s.size() - n + i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != tail[i]) return false;
  }
  return true;
}

// A bound of the watch list: a number (as the conversions read one), or nothing.
bool ReadBound(const std::string& text, double& out) {
  if (!kz::TryParseNumber(text, out)) return false;
  return std::isfinite(out);
}
}  // namespace

kz::Variant TypedValue(const std::string& text) {
  double d = 0;
  if (!kz::TryParseNumber(text, d) || !std::isfinite(d)) return kz::Variant(text);
  if (d == std::trunc(d) && d >= -2147483648.0 && d <= 2147483647.0) {
    // Written as a whole number (digits, or a hexadecimal or octal form): stored as one.
    // A point or an exponent says the number is meant to be a floating-point one.
    if (text.find_first_of(".eE") == std::string::npos || text.find('&') != std::string::npos)
      return kz::Variant(static_cast<int32_t>(d));
  }
  return kz::Variant(d);
}

bool SameStoredValue(const kz::Variant& a, const kz::Variant& b) {
  if (kz::VariantEquals(a, b)) return true;
  if (a.IsEmpty() || b.IsEmpty()) return false;
  if (kz::IsNumericValue(a) && kz::IsNumericValue(b)) {
    double x = 0, y = 0;
    try {
      x = kz::CDbl(a);
      y = kz::CDbl(b);
    } catch (const kz::AppError&) {
      return false;
    }
    return x == y;
  }
  return kz::CStr(a) == kz::CStr(b);
}

std::string EditorCaption(const std::string& fileName, const std::string& typeName, bool dirty) {
  std::string s = kTitle;
  if (!fileName.empty()) {
    s += " - [" + fileName + " (" + typeName + ")]";
    if (dirty) s += " *";
  }
  return s;
}

std::string ClosePromptText(const std::string& fileNameOnly) {
  return "You have changed data in file " + fileNameOnly + "\r\n\r\nDo you want to save your changes?";
}

std::string OpenPromptText(const std::string& fileNameOnly) {
  return "You have changed data in file " + fileNameOnly + "\r\nDo you want to save your changes?";
}

int32_t SaveFilterIndexFor(const std::string& path) {
  if (path.find("::") != std::string::npos) return 3;
  if (EndsWithNoCase(path, ".pck")) return 2;
  return 1;
}

SaveOpen SaveOpenFor(int32_t filterIndex) {
  if (filterIndex == 1) return SaveOpen::ConvertPlain;
  if (filterIndex == 2) return SaveOpen::ConvertPacked;
  return SaveOpen::AsIs;
}

std::string RecentMenuText(int32_t n, const std::string& path) { return std::to_string(n) + " - " + path; }

bool FindMatches(QStringView itemText, QStringView findText, bool wholeWords) {
  if (wholeWords) return itemText.compare(findText, Qt::CaseInsensitive) == 0;
  return itemText.contains(findText, Qt::CaseInsensitive);
}

int32_t FindStart(int32_t selected, const kz::Variant& tag) {
  int32_t start = selected > 0 ? selected : 1;
  if (tag.IsNumeric()) {
    double t = tag.NumberValue();
    if (t == static_cast<double>(start)) ++start;
  }
  return start;
}

int32_t FindNext(const std::vector<QString>& texts, int32_t start, QStringView findText, bool wholeWords) {
  if (start < 1) start = 1;
  const int32_t count = static_cast<int32_t>(texts.size());
  for (int32_t i = start; i <= count; ++i)
    if (FindMatches(texts[static_cast<size_t>(i - 1)], findText, wholeWords)) return i;
  return 0;
}

bool WatchRange(const std::string& fromText, const std::string& toText, int32_t size, int32_t& first,
                int32_t& last) {
  double from = 0, to = 0;
  if (!ReadBound(fromText, from) || !ReadBound(toText, to)) return false;
  if (size <= 0) return false;
  if (from < 0) from = 0;
  if (to < 0) to = 0;
  const double top = static_cast<double>(size - 1);
  if (to > top) to = top;
  if (from > top) return false;
  // Whole field numbers, as an index is taken from a number.
  first = kz::round32(from);
  last = kz::round32(to);
  return first <= last;
}

}  // namespace mdlTXTEditorRules

#include "core/Generic.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>

#include "platform/Registry.h"
#include "platform/Ui.h"

#ifndef KZ_VERSION
#define KZ_VERSION "0.0.0"
#endif

namespace kz {

namespace {

bool IsSep(char c) { return c == '\\' || c == '/'; }

// Where the splittable part of a path starts: after "::" in a catalog path, else 0.
size_t InnerStart(std::string_view path) {
  size_t p = path.find("::");
  return p == std::string_view::npos ? 0 : p + 2;
}

// Position of the last folder separator that may split the path, or npos. For a catalog
// path without a folder inside the catalog, the split comes right after "::" (returned
// as the position of the second ':', with splitKeepsSep true).
struct Split {
  size_t pos = std::string_view::npos;  // first character of the name part
  size_t pathEnd = 0;                   // end of the folder part
  bool found = false;
};

Split FindSplit(std::string_view path) {
  Split s;
  size_t inner = InnerStart(path);
  for (size_t i = path.size(); i > inner; --i) {
    if (IsSep(path[i - 1])) {
      s.found = true;
      s.pathEnd = i - 1;
      s.pos = i;
      return s;
    }
  }
  if (inner > 0) {
    s.found = true;
    s.pathEnd = inner;  // the folder part keeps "::"
    s.pos = inner;
  }
  return s;
}

char FoldChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void CheckBit(int32_t bit, const char* source) {
  if (bit < 0 || bit > 31) throw AppError(kErrInvalidArgument, source);
}

uint32_t Mask(int32_t bit) { return 1u << static_cast<uint32_t>(bit); }

// The separator that BuildPath uses for these parts.
char ChooseSep(const std::vector<std::string_view>& parts) {
  bool catalog = false;
  for (auto p : parts) {
    if (catalog) {
      for (char c : p)
        if (IsSep(c)) return c;
      continue;
    }
    size_t inner = InnerStart(p);
    if (inner > 0) {
      catalog = true;
      for (char c : p.substr(inner))
        if (IsSep(c)) return c;
    }
  }
  if (catalog) return '\\';
  for (auto p : parts)
    for (char c : p)
      if (IsSep(c)) return c;
  return '/';
}

std::string BuildPathImpl(const std::vector<std::string_view>& parts) {
  if (parts.empty()) return {};
  char sep = ChooseSep(parts);
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    out += parts[i];
    bool last = i + 1 == parts.size();
    if (!last) {
      bool endsWithCatalog = out.size() >= 2 && out.compare(out.size() - 2, 2, "::") == 0;
      if (!out.empty() && !IsSep(out.back()) && !endsWithCatalog) out += sep;
    }
  }
  if (out.size() > 1 && IsSep(out.back())) out.pop_back();
  return out;
}

std::string ExeDir() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string p(buf, static_cast<size_t>(n));
  size_t s = p.rfind('/');
  return s == std::string::npos ? std::string() : p.substr(0, s);
}

// The version export of a loaded library, "" when it has none.
std::string VersionOf(void* handle) {
  using Fn = const char* (*)();
  auto fn = reinterpret_cast<Fn>(::dlsym(handle, "KzLibraryVersion"));
  if (!fn) return {};
  const char* v = fn();
  return v ? std::string(v) : std::string();
}

std::string LoadedPath(void* handle, const std::string& fallback) {
  struct link_map* map = nullptr;
  if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name) {
    char real[PATH_MAX];
    if (::realpath(map->l_name, real)) return real;
    return map->l_name;
  }
  return fallback;
}

}  // namespace

// ---- Paths and files --------------------------------------------------------------

std::string GetTempDir() {
  const char* t = std::getenv("TMPDIR");
  std::string dir = (t && *t) ? t : "/tmp";
  if (!IsSep(dir.back())) dir += '/';
  return dir;
}

std::string GetFilePath(std::string_view path) {
  Split s = FindSplit(path);
  return s.found ? std::string(path.substr(0, s.pathEnd)) : std::string();
}

std::string GetFileName(std::string_view path) {
  Split s = FindSplit(path);
  return s.found ? std::string(path.substr(s.pos)) : std::string();
}

std::string ExtractFileName(std::string_view path, bool withoutExtension) {
  Split s = FindSplit(path);
  std::string name(s.found ? path.substr(s.pos) : path);
  if (withoutExtension) {
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
  }
  return name;
}

std::string GetFileExt(std::string_view path) {
  size_t inner = InnerStart(path);
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < inner) return {};
  return std::string(path.substr(dot + 1));
}

std::string GetPathRoot(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
  if (path.size() >= 2 && IsSep(path[0]) && IsSep(path[1])) {
    // Scan from the third character up to (not including) the last one and stop at the
    // second separator; a stop on a separator steps back before it.
    size_t n = path.size();
    int count = 0;
    for (size_t i = 2; i + 1 < n; ++i) {
      if (IsSep(path[i]) && ++count == 2) return std::string(path.substr(0, i));
    }
    return std::string(path.substr(0, IsSep(path[n - 1]) && n > 2 ? n - 1 : n));
  }
  return {};
}

std::string BuildPath(const std::vector<std::string>& parts) {
  std::vector<std::string_view> v(parts.begin(), parts.end());
  return BuildPathImpl(v);
}

std::string BuildPath(std::initializer_list<std::string_view> parts) {
  return BuildPathImpl(std::vector<std::string_view>(parts));
}

std::string GetFileVersion(const std::string& path) {
  if (path.empty()) return {};
  void* h = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (!h) return {};
  std::string v = VersionOf(h);
  ::dlclose(h);
  return v;
}

std::vector<std::string> LibraryCandidates(const std::string& name, const std::string& exeDir,
                                           std::string_view libFromBin) {
  std::vector<std::string> candidates;
  if (name.empty()) return candidates;
  std::vector<std::string> names{name};
  if (name.find('/') == std::string::npos && name.find(".so") == std::string::npos) {
    std::string base = name;
    if (base.size() > 4 && (base.compare(base.size() - 4, 4, ".dll") == 0 || base.compare(base.size() - 4, 4, ".DLL") == 0))
      base.erase(base.size() - 4);
    names.push_back("lib" + base + ".so");
  }
  if (name.find('/') == std::string::npos && !exeDir.empty()) {
    std::vector<std::string> folders{exeDir + "/" + std::string(libFromBin)};
    if (libFromBin != "../lib") folders.push_back(exeDir + "/../lib");
    for (const auto& folder : folders)
      for (const auto& n : names) candidates.push_back(folder + "/" + n);
  }
  for (const auto& n : names) candidates.push_back(n);
  return candidates;
}

void* LoadLibraryByName(const std::string& name, std::string* fullPath) {
  // The library folder of the installed layout, as seen from bin/ (set by the build).
#ifndef KZ_LIB_FROM_BIN
#define KZ_LIB_FROM_BIN "../lib"
#endif
  for (const auto& c : LibraryCandidates(name, ExeDir(), KZ_LIB_FROM_BIN)) {
    void* h = ::dlopen(c.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!h) continue;
    if (fullPath) *fullPath = LoadedPath(h, c);
    return h;
  }
  return nullptr;
}

std::string GetLibraryVersion(std::string& name, const std::string& defaultText) {
  std::string full;
  void* h = LoadLibraryByName(name, &full);
  if (!h) return defaultText;
  std::string v = VersionOf(h);
  ::dlclose(h);
  name = full;
  return v;
}

std::string GetAppVersion() { return KZ_VERSION; }

std::string BrowseForFolder(void* owner, const std::string& title) {
  return platform::Ui::Instance().BrowseForFolder(title, {}, owner);
}

// ---- Registry values ---------------------------------------------------------------

bool SetRegValue(int32_t key, const std::string& name, const Variant& value) {
  if (value.IsString()) {
    const std::string& s = value.AsString();
    std::string data = s;
    data += '\0';
    return platform::RegSetValueExA(key, name.c_str(), 0, platform::REG_SZ, data.data(),
                                    static_cast<uint32_t>(data.size())) == platform::ERROR_SUCCESS;
  }
  int32_t n;
  try {
    n = CLng(value);
  } catch (const AppError&) {
    return false;
  }
  unsigned char bytes[4];
  uint32_t u = static_cast<uint32_t>(n);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>((u >> (8 * i)) & 0xff);
  return platform::RegSetValueExA(key, name.c_str(), 0, platform::REG_DWORD, bytes, 4) == platform::ERROR_SUCCESS;
}

namespace {
bool ReadText(int32_t key, const std::string& name, std::string& out) {
  uint32_t size = 0;
  if (platform::RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size) != platform::ERROR_SUCCESS)
    return false;
  std::string buf(size, '\0');
  // The value may change between the two calls (another process): retry on a larger size.
  for (int attempt = 0; attempt < 4; ++attempt) {
    uint32_t got = static_cast<uint32_t>(buf.size());
    int32_t rc = platform::RegQueryValueExA(key, name.c_str(), nullptr, nullptr, buf.empty() ? nullptr : buf.data(), &got);
    if (rc == platform::ERROR_MORE_DATA) {
      buf.resize(got);
      continue;
    }
    if (rc != platform::ERROR_SUCCESS) return false;
    buf.resize(got);
    out = TrimNull(buf);
    return true;
  }
  return false;
}

bool ReadDword(int32_t key, const std::string& name, int32_t& out) {
  unsigned char bytes[4];
  uint32_t size = 4;
  if (platform::RegQueryValueExA(key, name.c_str(), nullptr, nullptr, bytes, &size) != platform::ERROR_SUCCESS ||
      size != 4)
    return false;
  uint32_t u = 0;
  for (int i = 3; i >= 0; --i) u = (u << 8) | bytes[i];
  out = static_cast<int32_t>(u);
  return true;
}
}  // namespace

bool GetRegValue(int32_t key, const std::string& name, int32_t type, Variant& value,
                 const std::optional<Variant>& defaultValue) {
  if (type == kRegSz) {
    std::string s;
    if (ReadText(key, name, s)) {
      value = Variant(std::move(s));
      return true;
    }
    if (defaultValue) value = *defaultValue;
    return false;
  }
  if (type == kRegDword) {
    int32_t n = 0;
    if (ReadDword(key, name, n)) {
      value = Variant(n);
      return true;
    }
    value = defaultValue ? *defaultValue : Variant(int32_t{0});
    return false;
  }
  if (defaultValue) value = *defaultValue;
  return false;
}

bool GetRegValue(int32_t key, const std::string& name, std::string& value,
                 const std::optional<std::string>& defaultValue) {
  if (ReadText(key, name, value)) return true;
  if (defaultValue) value = *defaultValue;
  return false;
}

bool GetRegValue(int32_t key, const std::string& name, int32_t& value, const std::optional<int32_t>& defaultValue) {
  if (ReadDword(key, name, value)) return true;
  value = defaultValue ? *defaultValue : 0;
  return false;
}

// ---- Numbers, bits, colours and text ------------------------------------------------

void Inc(int32_t& value, int32_t amount) {
  int32_t r;
  if (__builtin_add_overflow(value, amount, &r)) throw AppError(kErrOverflow, "Inc");
  value = r;
}

void Dec(int32_t& value, int32_t amount) {
  int32_t r;
  if (__builtin_sub_overflow(value, amount, &r)) throw AppError(kErrOverflow, "Dec");
  value = r;
}

int32_t HiWord(int32_t value) {
  return static_cast<int16_t>(static_cast<uint16_t>((static_cast<uint32_t>(value) >> 16) & 0xffff));
}
int32_t LoWord(int32_t value) { return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xffff)); }

bool GetBit(int32_t value, int32_t bit) {
  CheckBit(bit, "GetBit");
  return (static_cast<uint32_t>(value) & Mask(bit)) != 0;
}
int32_t SetBit(int32_t value, int32_t bit) {
  CheckBit(bit, "SetBit");
  return static_cast<int32_t>(static_cast<uint32_t>(value) | Mask(bit));
}
int32_t ClearBit(int32_t value, int32_t bit) {
  CheckBit(bit, "ClearBit");
  return static_cast<int32_t>(static_cast<uint32_t>(value) & ~Mask(bit));
}

uint8_t GetRed(int32_t colour) { return static_cast<uint8_t>(colour & 255); }
uint8_t GetGreen(int32_t colour) { return static_cast<uint8_t>((colour / 256) & 255); }
uint8_t GetBlue(int32_t colour) { return static_cast<uint8_t>((colour / 65536) & 255); }

int32_t RGBToBGR(int32_t colour) {
  uint32_t c = static_cast<uint32_t>(colour);
  return static_cast<int32_t>(((c & 0xff) << 16) | (c & 0xff00) | ((c >> 16) & 0xff));
}
int32_t BGRToRGB(int32_t colour) { return RGBToBGR(colour); }

std::string ToHex(int32_t value, int32_t width) {
  static const char* digits = "0123456789ABCDEF";
  uint32_t u = static_cast<uint32_t>(value);
  std::string s;
  do {
    s.insert(s.begin(), digits[u & 15]);
    u >>= 4;
  } while (u);
  if (width == 0 && value != 0) width = static_cast<int32_t>(s.size() + (s.size() % 2));
  if (width > static_cast<int32_t>(s.size())) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
  return s;
}

int32_t HexToLong(std::string_view text) {
  uint64_t v = 0;
  size_t i = 0;
  for (; i < text.size(); ++i) {
    int d = HexValue(text[i]);
    if (d < 0) break;
    v = (v << 4) | static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return 0;
  }
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

bool IsHexString(std::string_view text) {
  for (char c : text)
    if (HexValue(c) < 0) return false;
  return true;
}

bool IsWholeNumber(std::string_view text) {
  double d;
  if (!TryParseNumber(text, d)) return false;
  try {
    return static_cast<double>(round32(d)) == d;
  } catch (const AppError&) {
    return false;
  }
}

int32_t RoundUp(double value) {
  if (!std::isfinite(value)) throw AppError(kErrOverflow, "RoundUp");
  double ip = std::trunc(value);
  if (ip < -2147483648.0 || ip > 2147483647.0) throw AppError(kErrOverflow, "RoundUp");
  int32_t r = static_cast<int32_t>(ip);
  if (value != ip && ip >= 1) Inc(r);
  return r;
}

std::string TrimNull(std::string_view text) {
  size_t p = text.find('\0');
  return std::string(p == std::string_view::npos ? text : text.substr(0, p));
}

void AppendWithSep(std::string& text, std::string_view item, std::string_view separator) {
  if (!text.empty() && !item.empty()) text += separator;
  text += item;
}

int32_t ReplaceCount(std::string& text, std::string_view search, std::string_view replacement, int32_t compareMode) {
  if (search.empty() || search == replacement) return 0;
  auto matchAt = [&](size_t pos) {
    if (compareMode == vbTextCompare) {
      for (size_t i = 0; i < search.size(); ++i)
        if (FoldChar(text[pos + i]) != FoldChar(search[i])) return false;
      return true;
    }
    return text.compare(pos, search.size(), search) == 0;
  };
  int32_t count = 0;
  std::string out;
  size_t pos = 0, last = 0;
  while (pos + search.size() <= text.size()) {
    if (matchAt(pos)) {
      out.append(text, last, pos - last);
      out += replacement;
      pos += search.size();
      last = pos;
      ++count;
    } else {
      ++pos;
    }
  }
  if (count) {
    out.append(text, last, std::string::npos);
    text = std::move(out);
  }
  return count;
}

}  // namespace kz

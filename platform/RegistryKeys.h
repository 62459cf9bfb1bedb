#pragma once
// The settings store's keys and values as held in memory, and its text file format
// (one file a hive: sections of key paths, then their values). For the store itself
// (platform/Registry.cpp) and its file format (platform/RegistryFormat.cpp) only.
#include <sys/types.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Registry.h"

namespace platform::regstore {

inline char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

inline bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

// <0, 0, >0 comparing folded names (subkeys are kept in this order).
inline int CompareNames(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(Fold(a[i])), y = static_cast<unsigned char>(Fold(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

inline bool ValidName(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  return true;
}

struct Value {
  std::string name;
  uint32_t type = REG_NONE;
  std::string data;
};

inline std::string Folded(std::string_view n) {
  std::string out(n);
  for (char& c : out) c = Fold(c);
  return out;
}

bool NameLess(const std::unique_ptr<struct Key>& k, std::string_view n);

// A key: its subkeys in name order (found by binary search) and its values in the
// order of first writing (found through an index by folded name), so that loading and
// looking up stay fast however many names a key holds.
struct Key {
  std::string name;
  std::vector<std::unique_ptr<Key>> subkeys;  // ordered by folded name
  std::vector<Value> values;                  // in order of first writing
  std::unordered_map<std::string, size_t> valueAt;  // folded name -> index in values

  Key* Sub(std::string_view n) const {
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n, NameLess);
    return it != subkeys.end() && SameName((*it)->name, n) ? it->get() : nullptr;
  }
  Key* CreateSub(std::string_view n) {
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n, NameLess);
    if (it != subkeys.end() && SameName((*it)->name, n)) return it->get();
    auto k = std::make_unique<Key>();
    k->name = std::string(n);
    Key* raw = k.get();
    subkeys.insert(it, std::move(k));
    return raw;
  }
  Value* Val(std::string_view n) {
    auto it = valueAt.find(Folded(n));
    return it == valueAt.end() ? nullptr : &values[it->second];
  }
  // Writes a value: replaces the one of the same name in its place, else adds it last.
  Value& Put(Value v) {
    auto [it, added] = valueAt.try_emplace(Folded(v.name), values.size());
    if (added) return values.emplace_back(std::move(v));
    return values[it->second] = std::move(v);
  }
  bool Remove(std::string_view n) {
    auto it = valueAt.find(Folded(n));
    if (it == valueAt.end()) return false;
    const size_t at = it->second;
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(at));
    valueAt.erase(it);
    for (auto& [name, index] : valueAt)
      if (index > at) --index;
    return true;
  }
  std::unique_ptr<Key> Clone() const {
    auto k = std::make_unique<Key>();
    k->name = name;
    k->values = values;
    k->valueAt = valueAt;
    k->subkeys.reserve(subkeys.size());
    for (const auto& s : subkeys) k->subkeys.push_back(s->Clone());
    return k;
  }
};

inline bool NameLess(const std::unique_ptr<Key>& k, std::string_view n) { return CompareNames(k->name, n) < 0; }

struct Stamp {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  int64_t mtimeNs = 0;
  bool operator==(const Stamp&) const = default;
};

struct Hive {
  int32_t handle;
  const char* rootName;
  const char* fileName;
  std::unique_ptr<Key> root;
  bool loaded = false;
  Stamp stamp;
};

// The parts of a key path between its backslashes (empty parts dropped).
inline std::vector<std::string> SplitPath(const char* subKey) {
  std::vector<std::string> parts;
  if (!subKey) return parts;
  std::string_view s(subKey);
  size_t start = 0;
  while (start <= s.size()) {
    size_t e = s.find('\\', start);
    if (e == std::string_view::npos) e = s.size();
    if (e > start) parts.emplace_back(s.substr(start, e - start));
    start = e + 1;
  }
  return parts;
}

// The hive as its file's text.
std::string Serialize(const Hive& h);
// Reads a hive's file text into h.root; false with a line-numbered error otherwise.
bool Parse(const std::string& text, Hive& h, std::string& error);

}  // namespace platform::regstore

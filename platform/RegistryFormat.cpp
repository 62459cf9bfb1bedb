// The settings store's file format: a hive written as text and read back.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryKeys.h"

namespace platform::regstore {

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

bool IsPlainText(const std::string& data) {
  if (data.empty() || data.back() != '\0') return false;
  for (size_t i = 0; i + 1 < data.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    if (c < 0x20 || c == 0x7f) return false;
  }
  return true;
}

void AppendValue(std::string& out, const Value& v) {
  static const char* hex = "0123456789abcdef";
  if (v.name.empty())
    out += '@';
  else
    AppendQuoted(out, v.name);
  out += '=';
  if (v.type == REG_SZ && IsPlainText(v.data)) {
    AppendQuoted(out, std::string_view(v.data.data(), v.data.size() - 1));
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    uint32_t d = 0;
    for (int i = 3; i >= 0; --i) d = (d << 8) | static_cast<unsigned char>(v.data[static_cast<size_t>(i)]);
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x", d);
    out += buf;
  } else {
    if (v.type == REG_BINARY) {
      out += "hex:";
    } else {
      char buf[24];
      std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
      out += buf;
    }
    for (size_t i = 0; i < v.data.size(); ++i) {
      if (i) out += ',';
      unsigned char c = static_cast<unsigned char>(v.data[i]);
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  out += '\n';
}

void AppendKey(std::string& out, const Key& k, const std::string& path, bool isRoot) {
  if (!isRoot || !k.values.empty()) {
    out += '\n';
    out += '[';
    out += path;
    out += "]\n";
    for (const auto& v : k.values) AppendValue(out, v);
  }
  for (const auto& s : k.subkeys) AppendKey(out, *s, path + "\\" + s->name, false);
}

std::string Serialize(const Hive& h) {
  std::string out = "; KzEditor settings store\n";
  AppendKey(out, *h.root, h.rootName, true);
  return out;
}

// Reads a quoted text at s[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(std::string_view s, size_t& pos, std::string& out) {
  if (pos >= s.size() || s[pos] != '"') return false;
  ++pos;
  out.clear();
  while (pos < s.size()) {
    char c = s[pos++];
    if (c == '"') return true;
    if (c == '\\' && pos < s.size() && (s[pos] == '\\' || s[pos] == '"')) c = s[pos++];
    out += c;
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexBytes(std::string_view s, std::string& out) {
  out.clear();
  size_t i = 0;
  auto skip = [&] {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  };
  skip();
  if (i == s.size()) return true;
  for (;;) {
    skip();
    int a = i < s.size() ? HexDigit(s[i]) : -1;
    int b = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
    if (a < 0 || b < 0) return false;
    out += static_cast<char>(a * 16 + b);
    i += 2;
    skip();
    if (i == s.size()) return true;
    if (s[i] != ',') return false;
    ++i;
  }
}

bool Parse(const std::string& text, Hive& h, std::string& error) {
  auto root = std::make_unique<Key>();
  root->name = h.rootName;
  Key* current = nullptr;
  std::vector<std::string> lines;
  {
    size_t start = 0;
    std::string_view t(text);
    if (t.substr(0, 3) == "\xEF\xBB\xBF") start = 3;
    while (start < t.size()) {
      size_t e = t.find('\n', start);
      if (e == std::string_view::npos) e = t.size();
      std::string_view line = t.substr(start, e - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines.emplace_back(line);
      start = e + 1;
    }
  }
  bool first = true;
  for (size_t n = 0; n < lines.size(); ++n) {
    std::string line = lines[n];
    size_t b = 0;
    while (b < line.size() && (line[b] == ' ' || line[b] == '\t')) ++b;
    if (b == line.size() || line[b] == ';') continue;
    if (line.find('\0') != std::string::npos) {
      error = "line " + std::to_string(n + 1) + ": binary data";
      return false;
    }
    if (first) {
      first = false;
      if (line.compare(b, std::string::npos, "REGEDIT4") == 0 || line.compare(b, 23, "Windows Registry Editor") == 0)
        continue;
    }
    if (line[b] == '[') {
      size_t e = line.rfind(']');
      if (e == std::string::npos || e < b + 1 || line.find_first_not_of(" \t", e + 1) != std::string::npos) {
        error = "line " + std::to_string(n + 1) + ": bad key line";
        return false;
      }
      std::string path = line.substr(b + 1, e - b - 1);
      std::vector<std::string> parts = SplitPath(path.c_str());
      if (parts.empty() || !SameName(parts[0], h.rootName)) {
        error = "line " + std::to_string(n + 1) + ": key outside " + h.rootName;
        return false;
      }
      current = root.get();
      for (size_t i = 1; i < parts.size(); ++i) {
        if (!ValidName(parts[i])) {
          error = "line " + std::to_string(n + 1) + ": bad key name";
          return false;
        }
        current = current->CreateSub(parts[i]);
      }
      continue;
    }
    if (!current) {
      error = "line " + std::to_string(n + 1) + ": value outside a key";
      return false;
    }
    Value v;
    size_t pos = b;
    if (line[pos] == '@') {
      ++pos;
    } else if (!ParseQuoted(line, pos, v.name) || v.name.empty()) {
      error = "line " + std::to_string(n + 1) + ": bad value name";
      return false;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') {
      error = "line " + std::to_string(n + 1) + ": '=' expected";
      return false;
    }
    ++pos;
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    std::string_view rest = std::string_view(line).substr(pos);
    bool ok = false;
    if (!rest.empty() && rest[0] == '"') {
      std::string s;
      size_t p = 0;
      if (ParseQuoted(rest, p, s) && std::string_view(rest.substr(p)).find_first_not_of(" \t") == std::string_view::npos) {
        v.type = REG_SZ;
        v.data = s + '\0';
        ok = true;
      }
    } else if (rest.substr(0, 6) == "dword:") {
      std::string_view d = rest.substr(6);
      while (!d.empty() && (d.back() == ' ' || d.back() == '\t')) d.remove_suffix(1);
      if (!d.empty() && d.size() <= 8) {
        uint32_t x = 0;
        ok = true;
        for (char c : d) {
          int h2 = HexDigit(c);
          if (h2 < 0) ok = false;
          x = (x << 4) | static_cast<uint32_t>(h2 < 0 ? 0 : h2);
        }
        v.type = REG_DWORD;
        v.data.resize(4);
        for (int i = 0; i < 4; ++i) v.data[static_cast<size_t>(i)] = static_cast<char>((x >> (8 * i)) & 0xff);
      }
    } else if (rest.substr(0, 3) == "hex") {
      std::string_view r = rest.substr(3);
      uint32_t type = REG_BINARY;
      bool typeOk = true;
      if (!r.empty() && r[0] == '(') {
        size_t close = r.find(')');
        if (close == std::string_view::npos || close == 1 || close > 9) {
          typeOk = false;
        } else {
          type = 0;
          for (char c : r.substr(1, close - 1)) {
            int h2 = HexDigit(c);
            if (h2 < 0) typeOk = false;
            type = (type << 4) | static_cast<uint32_t>(h2 < 0 ? 0 : h2);
          }
          r = r.substr(close + 1);
        }
      }
      if (typeOk && !r.empty() && r[0] == ':') {
        std::string bytes(r.substr(1));
        // A long hex list may continue on the next lines after a trailing backslash.
        while (!bytes.empty() && bytes.back() == '\\' && n + 1 < lines.size()) {
          bytes.pop_back();
          bytes += lines[++n];
        }
        v.type = type;
        ok = ParseHexBytes(bytes, v.data);
      }
    }
    if (!ok || !ValidName(v.name)) {
      error = "line " + std::to_string(n + 1) + ": bad value";
      return false;
    }
    current->Put(std::move(v));
  }
  h.root = std::move(root);
  return true;
}

}  // namespace platform::regstore

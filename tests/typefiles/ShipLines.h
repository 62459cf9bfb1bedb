#pragma once
// Ship records of the variable-length layout, as text.
#include <string>
#include <vector>

// A ship with the given gun counts per gun group and `turrets` turrets.
inline std::string ShipLine(int turrets, const std::vector<int>& guns, const std::string& id) {
  std::vector<std::string> v;
  for (int i = 0; i < 53; ++i) v.push_back(i == 0 ? "ship_body" : std::to_string(i * 3));
  v.push_back(std::to_string(turrets));          // 53
  for (int t = 0; t < turrets; ++t)               // turret entries
    for (int k = 0; k < 4; ++k) v.push_back(std::to_string(100 + t * 4 + k));
  v.push_back(std::to_string(guns.size()));       // 54 + 4T
  for (size_t g = 0; g < guns.size(); ++g) {
    v.push_back("1");
    v.push_back(std::to_string(g));
    v.push_back("0.5");
    v.push_back(std::to_string(guns[g]));
    for (int k = 0; k < 6 * guns[g]; ++k) v.push_back(std::to_string(k % 7));
  }
  for (int i = 0; i < 9; ++i) v.push_back(std::to_string(-i));
  v.push_back(id);
  std::string line;
  for (const auto& s : v) line += s + ";";
  return line + "\r\n";
}

inline size_t ShipSize(int turrets, const std::vector<int>& guns) {
  size_t n = 55 + 4 * turrets + 4 * guns.size() + 10;
  for (int g : guns) n += 6 * g;
  return n;
}

// The line with field `index` (0-based) replaced by `value`.
inline std::string ReplaceField(std::string line, size_t index, const std::string& value) {
  size_t at = 0;
  for (size_t i = 0; i < index; ++i) at = line.find(';', at) + 1;
  size_t end = line.find(';', at);
  return line.replace(at, end - at, value);
}

#pragma once
// Jobs, ships and wings for the job page tests.
#include <string>
#include <vector>

#include "PagesFixture.h"

// The 120 values of a job in the newest layout, by logical field: ID, name, the
// description ID; every other field 0, the last one a comment.
inline std::vector<std::string> LogicalJob(int id, const std::string& name, int description = 0) {
  std::vector<std::string> v(120, "0");
  v[0] = std::to_string(id);
  v[1] = name;
  v[6] = std::to_string(description);
  v[18] = "";
  v[119] = name + " comment";
  return v;
}

// The job as a line of a file of `size` values (the layout's missing fields left out).
inline std::string JobLine(const std::vector<std::string>& logical, int size) {
  std::string line;
  int written = 0;
  for (int n = 0; n < 120; ++n) {
    if (size == 117 && (n == 37 || n == 54 || n == 86)) continue;
    if (size == 119 && n == 54) continue;
    line += logical[static_cast<size_t>(n)];
    if (++written < size) line += ";";
  }
  return line + "\r\n";
}

inline std::string JobsText(int version, int size, const std::vector<std::vector<std::string>>& jobs) {
  std::string out = std::to_string(version) + ";\r\n";
  for (const auto& j : jobs) out += JobLine(j, size);
  return out;
}

// A ship record without turrets or guns: race in field 45, name ID in 6, variant in 50.
inline std::string ShipLine(int race, int nameID, int variant, const std::string& id) {
  std::vector<std::string> v(53, "0");
  v[0] = "ships\\body";
  v[6] = std::to_string(nameID);
  v[45] = std::to_string(race);
  v[50] = std::to_string(variant);
  std::string line;
  for (const auto& s : v) line += s + ";";
  line += "0;0;";  // no turrets, no gun groups
  for (int i = 0; i < 9; ++i) line += "0;";
  return line + id + ";\r\n";
}

#pragma once
// The generic type file the type-file benchmarks load: a TLaser file of `records`
// records of 23 values (about 225 bytes each). Padded: its floating-point values are
// written with six decimals ("0.125000", as tools that print with a fixed precision
// write them), so that none is in the writer's shortest form.
#include <cstdio>
#include <string>

#include "core/Common.h"

namespace kzbench {

inline std::string GenericFileText(int records, bool padded = false) {
  std::string text = "// Created with " + kz::GetAppTitleVersion() + "\r\n3;" + std::to_string(records) + ";\r\n";
  text.reserve(text.size() + static_cast<size_t>(records) * 240);
  char buf[512];
  for (int i = 0; i < records; ++i) {
    int n = std::snprintf(
        buf, sizeof buf,
        padded ? "objects\\weapons\\lasers\\mounted\\laser_body_main_%06d;%d;%d.125000;%d.500000;0.000000;%d;%d;%d;sounds\\weapons\\snd_laser_fire_%03d;%d;%d.750000;%d;interface\\hud\\HUD_ICON_WEAPON_%04d;"
                 "%d;%d;%d;%d;%d;%d;%d;%d;%d;SS_LASER_%07d;\r\n"
               : "objects\\weapons\\lasers\\mounted\\laser_body_main_%06d;%d;%d.125;%d.5;0.000000;%d;%d;%d;sounds\\weapons\\snd_laser_fire_%03d;%d;%d.75;%d;interface\\hud\\HUD_ICON_WEAPON_%04d;"
                 "%d;%d;%d;%d;%d;%d;%d;%d;%d;SS_LASER_%07d;\r\n",
        i, 1000 + i % 7000, i % 360, (i * 7) % 360, i % 19, 2000 + i % 999, 100 + i % 50, i % 900,
        10 + i % 300, 40 + i % 60, i % 2000, 12 + i % 9, 1250 + i % 50000, 25, 1, 1, 1250 + i % 777, 0, 0, 0,
        (i * 7919) % 1000003, i);
    text.append(buf, static_cast<size_t>(n));
  }
  return text;
}

}  // namespace kzbench

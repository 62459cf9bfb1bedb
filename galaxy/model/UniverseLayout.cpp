#include "galaxy/model/UniverseLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "core/Generic.h"
#include "core/KzConst.h"
#include "core/Common.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/GalaxyValues.h"

namespace mdlUniverseMap {

namespace {

// Game colours of the races 0 to 19; 0 means the race has none of its own.
constexpr int32_t kRaceColours[kRaceCount] = {
    0xFFFFFF, 0x5AD3FF, 0xFF0000, 0xCE928C, 0x3979FF, 0x29EB73, 0x0000FF,
    0x340098, 0x0036B2, 0x3C9F00, 0xFFFFFF, 0,        0,        0,
    0,        0,        0,        0,        0,        0};

// A place number as an integer; NaN and values beyond any grid read as far outside.
int64_t PlaceNumber(double v) noexcept {
  constexpr double kFar = 1.0e15;
  if (std::isnan(v)) return static_cast<int64_t>(kFar);
  return static_cast<int64_t>(std::floor(std::clamp(v, -kFar, kFar)));
}

}  // namespace

bool InGridRange(int64_t column, int64_t row) noexcept {
  return column >= 0 && column <= kMaxColumn && row >= 0 && row <= kMaxRow;
}

std::string RangeMessage() {
  return "Allowed coordinates values are X<0; " + std::to_string(kMaxColumn) + ">, Y<0; " + std::to_string(kMaxRow) +
         ">";
}

TextSize MeasureCache::operator()(std::string_view text) {
  auto it = sizes_.find(text);
  if (it != sizes_.end()) return it->second;
  TextSize size = measure_ ? measure_(text) : TextSize{};
  sizes_.emplace(std::string(text), size);
  return size;
}

bool RaceHasColour(int64_t race) noexcept { return race >= 0 && race < kRaceCount && kRaceColours[race] != 0; }

int32_t RaceColour(int64_t race) noexcept { return RaceHasColour(race) ? kRaceColours[race] : kRaceColours[0]; }

std::vector<std::string_view> SplitWords(std::string_view name) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while (at < name.size()) {
    size_t end = name.find(' ', at);
    if (end == std::string_view::npos) end = name.size();
    if (end > at) words.push_back(name.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

int32_t SectorRace(const clsGalaxyObject& sector) { return mdlGalaxy::GalaxyLong(sector.NamedProperty("r")); }

void UniverseLayout::Clear() {
  ++Generation;
  Records.clear();
  index_.clear();
}

uint64_t UniverseLayout::PlaceKey(int64_t column, int64_t row) noexcept {
  return (static_cast<uint64_t>(static_cast<uint32_t>(column)) << 32) | static_cast<uint32_t>(row);
}

SectorRecord& UniverseLayout::AddRecord(std::string key, int32_t x, int32_t y, std::string name, int32_t race) {
  SectorRecord& r = Records.emplace_back();
  r.key = std::move(key);
  r.X = x;
  r.Y = y;
  r.name = std::move(name);
  r.race = race;
  return r;
}

void UniverseLayout::IndexRecords() {
  index_.clear();
  index_.reserve(Records.size());
  for (size_t i = 0; i < Records.size(); ++i)
    index_.try_emplace(PlaceKey(Records[i].X, Records[i].Y), static_cast<int32_t>(i));
}

int32_t UniverseLayout::IndexAt(int64_t column, int64_t row) const {
  constexpr int64_t lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
  if (column < lo || column > hi || row < lo || row > hi) return -1;
  auto it = index_.find(PlaceKey(column, row));
  return it == index_.end() ? -1 : it->second;
}

void UniverseLayout::Rebuild(const clsGalaxyParser& parser, const NameOf& nameOf, const MeasureText& measure,
                             const std::vector<std::shared_ptr<clsGalaxyObject>>* gates) {
  Records.clear();
  Records.reserve(static_cast<size_t>(parser.Sectors.Count()));
  for (const GalaxyObjectPtr& sector : parser.Sectors) {
    if (!sector) continue;
    std::string name;
    try {
      name = nameOf ? nameOf(sector) : parser.GetObjectName(sector);
    } catch (const std::exception&) {
      name.clear();  // a name that cannot be read is left empty
    }
    AddRecord(sector->key(), sector->x(), sector->y(), std::move(name), SectorRace(*sector));
  }
  IndexRecords();

  // Gate targets: the gates that are direct children of a sector, in child order.
  auto targetOf = [this](const clsGalaxyObject& gate) {
    return IndexAt(mdlGalaxy::GalaxyLong(gate.NamedProperty("gx")), mdlGalaxy::GalaxyLong(gate.NamedProperty("gy")));
  };
  auto counts = [](const clsGalaxyObject& o) {
    return o.otype() == mdlGalaxy::kGalGate && !mdlGalaxy::IsGalaxyNumber(o.NamedProperty("gtid"), -1);
  };
  if (!gates) {
    size_t i = 0;
    for (const GalaxyObjectPtr& sector : parser.Sectors) {
      if (!sector) continue;
      SectorRecord& r = Records[i++];
      for (const GalaxyObjectPtr& child : sector->Childs)
        if (child && counts(*child)) r.gateTargets.push_back(targetOf(*child));
    }
  } else {
    std::unordered_map<const clsGalaxyObject*, size_t> recordOf;
    recordOf.reserve(Records.size());
    size_t i = 0;
    for (const GalaxyObjectPtr& sector : parser.Sectors)
      if (sector) recordOf.emplace(sector.get(), i++);
    // Per record: (child position, target).
    std::vector<std::vector<std::pair<int32_t, int32_t>>> found(Records.size());
    for (const GalaxyObjectPtr& gate : *gates) {
      if (!gate || !counts(*gate)) continue;
      GalaxyObjectPtr parent = gate->Parent();
      if (!parent) continue;
      auto at = recordOf.find(parent.get());
      if (at == recordOf.end()) continue;
      const std::string key = gate->key();
      if (!parent->Childs.Exists(key)) continue;
      found[at->second].emplace_back(parent->Childs.PositionOf(key), targetOf(*gate));
    }
    for (size_t r = 0; r < found.size(); ++r) {
      std::sort(found[r].begin(), found[r].end());
      for (const auto& [pos, target] : found[r]) Records[r].gateTargets.push_back(target);
    }
  }
  LayOutCells(measure);
}

void UniverseLayout::LayOutCells(const MeasureText& measure) {
  ++Generation;
  auto measureOf = [&measure](std::string_view text) { return measure ? measure(text) : TextSize{}; };
  struct Word {
    std::string_view text;
    TextSize size;
  };
  std::vector<std::vector<Word>> words;
  if (ShowNames) {
    words.reserve(Records.size());
    for (const SectorRecord& r : Records) {
      std::vector<Word>& mine = words.emplace_back();
      for (std::string_view w : SplitWords(r.name)) {
        mine.push_back(Word{w, measureOf(w)});
        WidestWord = std::max(WidestWord, mine.back().size.width);
      }
    }
  } else {
    WidestWord = 0;
  }
  CellWidth = WidestWord >= 20 ? WidestWord + 4 : 24;

  if (ShowNames) {
    // Texts of one font measure as the sum of their parts but for the kerning next to
    // the blanks, which moves a width by a pixel at most: a line is measured only when
    // that sum leaves the question open whether it fits.
    constexpr int64_t kKerningSlack = 2;
    const int64_t blank = measureOf(" ").width;
    for (size_t i = 0; i < Records.size(); ++i) {
      SectorRecord& r = Records[i];
      r.lines.clear();
      if (words[i].empty()) {
        r.lines.push_back(NameLine{std::string(), measureOf("")});
      } else {
        std::string line(words[i][0].text);
        TextSize size = words[i][0].size;
        for (size_t w = 1; w < words[i].size(); ++w) {
          const Word& word = words[i][w];
          const int64_t sum = int64_t{size.width} + blank + word.size.width;
          bool fits = false;
          TextSize longerSize{static_cast<int32_t>(std::min<int64_t>(sum, INT32_MAX)),
                              std::max(size.height, word.size.height)};
          if (sum + kKerningSlack <= WidestWord) {
            fits = true;
          } else if (int64_t{size.width} + word.size.width <= WidestWord) {
            std::string longer = line;
            kz::AppendWithSep(longer, word.text, " ");
            longerSize = measureOf(longer);
            fits = longerSize.width <= WidestWord;
          }
          if (fits) {
            kz::AppendWithSep(line, word.text, " ");
            size = longerSize;
          } else {
            r.lines.push_back(NameLine{std::move(line), size});
            line = std::string(word.text);
            size = word.size;
          }
        }
        r.lines.push_back(NameLine{std::move(line), size});
      }
      int64_t block = 0;
      for (const NameLine& l : r.lines) block += l.size.height;
      TallestBlock = static_cast<int32_t>(std::clamp<int64_t>(block, TallestBlock, 1 << 20));
    }
  } else {
    TallestBlock = 0;
    for (SectorRecord& r : Records) r.lines.clear();
  }
  CellHeight = TallestBlock + 26;

  for (SectorRecord& r : Records) {
    r.cell.left = int64_t{r.X} * CellWidth;
    r.cell.top = int64_t{r.Y} * CellHeight;
    r.cell.right = r.cell.left + CellWidth;
    r.cell.bottom = r.cell.top + CellHeight;
  }
}

void UniverseLayout::CellAt(double x, double y, int64_t& column, int64_t& row) const noexcept {
  column = PlaceNumber((x - PanX) / CellWidth);
  row = PlaceNumber((y - PanY) / CellHeight);
}

int32_t UniverseLayout::HitTest(double x, double y) const {
  int64_t column = 0, row = 0;
  CellAt(x, y, column, row);
  return IndexAt(column, row);
}

int32_t UniverseLayout::Neighbour(int32_t from, Step step) const {
  if (from < 0 || from >= Count()) return -1;
  const SectorRecord& r = Records[static_cast<size_t>(from)];
  const bool horizontal = step == Step::Left || step == Step::Right;
  const bool forward = step == Step::Right || step == Step::Down;
  const int64_t delta = forward ? 1 : -1;
  const int64_t column = horizontal ? r.X + delta : r.X;
  const int64_t row = horizontal ? r.Y : r.Y + delta;
  int32_t found = IndexAt(column, row);
  if (found != -1) return found;
  // The nearest record further that way on the same row (column).
  const int64_t target = horizontal ? column : row;
  int64_t best = 0;
  for (size_t i = 0; i < Records.size(); ++i) {
    const SectorRecord& o = Records[i];
    if (horizontal ? o.Y != r.Y : o.X != r.X) continue;
    const int64_t at = horizontal ? o.X : o.Y;
    const bool further = forward ? at > target : at < target;
    if (!further) continue;
    if (found == -1 || (forward ? at < best : at > best)) {
      found = static_cast<int32_t>(i);
      best = at;
    }
  }
  return found;
}

bool UniverseLayout::ScrollIntoView(int32_t index, double boxWidth, double boxHeight) {
  if (index < 0 || index >= Count()) return false;
  const SectorRecord& r = Records[static_cast<size_t>(index)];
  bool changed = false;
  const double left = PanX + static_cast<double>(r.cell.left);
  if (left < 0 || left + CellWidth > boxWidth) {
    PanX = PanX - left + boxWidth / 2 - CellWidth / 2.0;
    changed = true;
  }
  const double top = PanY + static_cast<double>(r.cell.top);
  if (top < 0 || top + CellHeight > boxHeight) {
    PanY = PanY - top + boxHeight / 2 - CellHeight / 2.0;
    changed = true;
  }
  return changed;
}

std::string UniverseLayout::PlaceText(int64_t column, int64_t row) {
  return "X: " + std::to_string(column) + ", Y: " + std::to_string(row);
}

std::string UniverseLayout::RaceText(int32_t index) const {
  if (index < 0 || index >= Count()) return std::string();
  return kz::LookupName(mdlKzConst::RaceNames, Records[static_cast<size_t>(index)].race, false);
}

std::string UniverseLayout::SectorText(int32_t index) const {
  if (index < 0 || index >= Count()) return std::string();
  const SectorRecord& r = Records[static_cast<size_t>(index)];
  return r.name + " (" + std::to_string(r.X) + ", " + std::to_string(r.Y) + ")";
}

}  // namespace mdlUniverseMap

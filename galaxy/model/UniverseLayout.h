#pragma once
// The universe map's layout, without window code: one record per sector (its grid
// place, name lines, race and gate targets), the cell size taken from the widest name
// word and the tallest name block, the index of cells by grid place, the hit test, the
// keyboard neighbours, scrolling a cell into view, the status texts and the race colours.
//
// Text is measured through the function handed in (the window measures in its font).
// Values read from the map never make a rebuild fail: a race or grid place that is not a
// number counts as missing (0), a race outside the colour table takes the colour of
// race 0, and the cell is never narrower than 24 pixels.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class clsGalaxyParser;
class clsGalaxyObject;

namespace mdlUniverseMap {

// The grid a sector may be placed on.
constexpr int32_t kMaxColumn = 23;
constexpr int32_t kMaxRow = 19;
// True when 0 <= column <= 23 and 0 <= row <= 19.
bool InGridRange(int64_t column, int64_t row) noexcept;
// The message of a place outside the grid.
std::string RangeMessage();

// The size of a text in the map's font (pixels).
struct TextSize {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const TextSize&) const = default;
};
using MeasureText = std::function<TextSize(std::string_view)>;

// Answers each text once: the map's font never changes while the window is open.
class MeasureCache {
 public:
  MeasureCache() = default;
  explicit MeasureCache(MeasureText measure) : measure_(std::move(measure)) {}
  TextSize operator()(std::string_view text);
  void Clear() { sizes_.clear(); }
  size_t Size() const noexcept { return sizes_.size(); }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
  };
  MeasureText measure_;
  std::unordered_map<std::string, TextSize, Hash, std::equal_to<>> sizes_;
};

// The colour of a race as the game writes colours (0x00BBGGRR). A race without a colour
// of its own (11 to 19, and any number outside 0 to 19) has the colour of race 0.
int32_t RaceColour(int64_t race) noexcept;
// The races that have a colour of their own, 0 to 19 (false for the others).
bool RaceHasColour(int64_t race) noexcept;
constexpr int32_t kRaceCount = 20;

// The words of a name: the parts between blanks (runs of blanks count as one).
std::vector<std::string_view> SplitWords(std::string_view name);

struct CellRect {
  int64_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const CellRect&) const = default;
};

struct NameLine {
  std::string text;
  TextSize size;
};

struct SectorRecord {
  std::string key;
  int32_t X = 0;
  int32_t Y = 0;
  std::string name;
  std::vector<NameLine> lines;
  CellRect cell;
  int32_t race = 0;
  // Per gate with a target: the index of the record at the target place, -1 for none.
  std::vector<int32_t> gateTargets;
};

enum class Step { Left, Up, Right, Down };

class UniverseLayout {
 public:
  using NameOf = std::function<std::string(const std::shared_ptr<clsGalaxyObject>&)>;

  std::vector<SectorRecord> Records;
  int32_t CellWidth = 24;
  int32_t CellHeight = 26;
  // The widest name word and the tallest name block seen since the last reset.
  int32_t WidestWord = 0;
  int32_t TallestBlock = 0;
  double PanX = 0;
  double PanY = 0;
  bool ShowNames = true;
  bool ShowGrid = true;
  // Counts the layouts made (a window keeps what it derives from the records per layout).
  uint64_t Generation = 0;

  int32_t Count() const noexcept { return static_cast<int32_t>(Records.size()); }
  // No records, an empty index.
  void Clear();
  // The widest word and the tallest block back to 0.
  void ResetMeasures() noexcept { WidestWord = TallestBlock = 0; }

  // Records from the parser's sectors in their order (name from nameOf), the index, the
  // gate targets and the cells. `gates`, when given, is every gate of the document (as
  // found by one pass over its objects); the sectors' children are then not walked.
  void Rebuild(const clsGalaxyParser& parser, const NameOf& nameOf, const MeasureText& measure,
               const std::vector<std::shared_ptr<clsGalaxyObject>>* gates = nullptr);
  // Appends a record (for callers that build the records themselves); IndexRecords and
  // LayOutCells finish the layout.
  SectorRecord& AddRecord(std::string key, int32_t x, int32_t y, std::string name, int32_t race = 0);
  // The index of places: the first record at a place is the one found there.
  void IndexRecords();
  // Cell size, name lines and cell rectangles from the names.
  void LayOutCells(const MeasureText& measure);

  // The record at a grid place; -1 when none.
  int32_t IndexAt(int64_t column, int64_t row) const;
  // The grid place under a pixel (pan included).
  void CellAt(double x, double y, int64_t& column, int64_t& row) const noexcept;
  // The record under a pixel; -1 when none.
  int32_t HitTest(double x, double y) const;
  // The pixel position of a grid place's top left corner (pan included).
  double PixelX(int64_t column) const noexcept { return PanX + static_cast<double>(CellWidth) * column; }
  double PixelY(int64_t row) const noexcept { return PanY + static_cast<double>(CellHeight) * row; }

  // The record an arrow key goes to from `from`: the neighbouring cell, else the nearest
  // record further that way on the same row (column); -1 when there is none.
  int32_t Neighbour(int32_t from, Step step) const;
  // Pans so that the record's cell is centred on each axis where it sticks out of a box
  // of that size; true when the pan changed.
  bool ScrollIntoView(int32_t index, double boxWidth, double boxHeight);

  // Status texts: the place under the mouse, the race name and the name with its place
  // of a record ("" for -1).
  static std::string PlaceText(int64_t column, int64_t row);
  std::string RaceText(int32_t index) const;
  std::string SectorText(int32_t index) const;

 private:
  static uint64_t PlaceKey(int64_t column, int64_t row) noexcept;
  std::unordered_map<uint64_t, int32_t> index_;
};

// The race of a sector: property "r" as a number, 0 when missing or not a number.
int32_t SectorRace(const clsGalaxyObject& sector);

}  // namespace mdlUniverseMap

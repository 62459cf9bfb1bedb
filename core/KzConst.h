#pragma once
// mdlKzConst: the tables the whole program shares (type-file names and codes, record
// sizes of the fixed layouts, languages, races, the captions of the fields every
// ware-like record shares). InitArrays fills them at start-up; they are read-only
// afterwards. Reading a table before InitArrays finds it empty, except through
// GetTFileType and RecordSizeOf, which fill the tables themselves when still empty.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/NameTable.h"

namespace mdlKzConst {

// Type codes of the type files (0: not a type file).
enum TFileType : int32_t {
  kTNone = 0,
  kTShips = 1,
  kTShields = 2,
  kTLaser = 3,
  kTBullets = 4,
  kTMissiles = 5,
  kTWare = 6,
  kTFactories = 7,
  kTSpecial = 8,
  kTCockpits = 9,
  kTDocks = 10,
  kWrecks = 11,
  kTGates = 12,
  kTPlanets = 13,
  kTSuns = 14,
  kTAsteroids = 15,
  kTDebris = 16,
  kTBackgrounds = 17,
  kTNebula = 18,
  kJobs = 19,
  kJobWings = 20,
  kWareLists = 21,
  kIconData = 22,
};

// Type-file names and their codes, index for index, in lookup order.
extern std::vector<std::string> TFileNames;
extern std::vector<int32_t> TFileTypes;
// Values per record of the fixed layouts, by type code 0..18 (0 = unknown).
extern std::vector<int32_t> RecordSizes;
// Text languages: IDs (positions 0-2) and their names, index for index.
extern std::vector<int32_t> LanguageIDs;
extern kz::NameTable LanguageNames;
// Races by race code (positions 1-19).
extern kz::NameTable RaceNames;
// Captions and value types (0 whole number, 1 fraction, 2 text) of fields 0-6.
extern kz::NameTable CommonFieldLabels;
extern std::vector<int32_t> CommonFieldTypes;
// Captions of the ten fields before the ID, counted backwards: the field at index
// size-2-k has caption k (positions 0-8).
extern kz::NameTable WareTailLabels;
// Suffixes of large numbers (positions 1-4).
extern kz::NameTable SizeSuffixes;

// Fills every table above (again from scratch when called a second time).
void InitArrays();
// Appends one name/code pair to TFileNames/TFileTypes.
void AddTFileType(std::string name, int32_t code);
// The type code of a file: its name without folder and extension (for a catalog path,
// of the part inside the catalog) is tested against TFileNames in order; the first name
// contained in it, compared without case, gives the code; 0 when none is.
int32_t GetTFileType(std::string_view path);
// The values per record of a fixed layout for a type code, 0 when it has none.
int32_t RecordSizeOf(int32_t type);

}  // namespace mdlKzConst

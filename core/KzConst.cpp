#include "core/KzConst.h"

#include <algorithm>

namespace mdlKzConst {

std::vector<std::string> TFileNames;
std::vector<int32_t> TFileTypes;
std::vector<int32_t> RecordSizes;
std::vector<int32_t> LanguageIDs;
kz::NameTable LanguageNames;
kz::NameTable RaceNames;
kz::NameTable CommonFieldLabels;
std::vector<int32_t> CommonFieldTypes;
kz::NameTable WareTailLabels;
kz::NameTable SizeSuffixes;

void AddTFileType(std::string name, int32_t code) {
  TFileNames.push_back(std::move(name));
  TFileTypes.push_back(code);
}

void InitArrays() {
  TFileNames.clear();
  TFileTypes.clear();
  AddTFileType("JobWings", kJobWings);
  AddTFileType("Jobs", kJobs);
  AddTFileType("WareLists", kWareLists);
  AddTFileType("Wrecks", kWrecks);
  AddTFileType("TBullets", kTBullets);
  AddTFileType("TCockpits", kTCockpits);
  AddTFileType("TDocks", kTDocks);
  AddTFileType("TFactories", kTFactories);
  AddTFileType("TLaser", kTLaser);
  AddTFileType("TMissiles", kTMissiles);
  AddTFileType("TShields", kTShields);
  AddTFileType("TShips", kTShips);
  AddTFileType("TSpecial", kTSpecial);
  AddTFileType("TWare", kTWare);
  AddTFileType("TGates", kTGates);
  AddTFileType("TAsteroids", kTAsteroids);
  AddTFileType("TSuns", kTSuns);
  AddTFileType("TPlanets", kTPlanets);
  AddTFileType("TDebris", kTDebris);
  AddTFileType("IconData", kIconData);
  AddTFileType("TBackgrounds", kTBackgrounds);
  AddTFileType("TNebula", kTNebula);

  RecordSizes = {0, 65, 21, 23, 37, 37, 17, 29, 18, 19, 28, 20, 18, 37, 19, 21, 21, 38, 36};

  LanguageIDs = {44, 49, 33};
  LanguageNames = kz::NameTable(0, {"English", "German", "French"});

  RaceNames = kz::NameTable(1, {"Aurel", "Brenn", "Skarn", "Pellan", "Tovash", "Vekkar", "Quorr", "Pirate",
                                "Pilgrim", "Player", "Enemy", "Neutral", "Friendly", "Unknown", "Race 1",
                                "Race 2", "Race 3", "Solan", "Kessai"});

  CommonFieldLabels = kz::NameTable(0, {"Body file", "Picture ID", "Rotation X", "Rotation Y", "Rotation Z",
                                        "Galaxy subtype", "Description"});
  CommonFieldTypes = {2, 0, 1, 1, 1, 0, 0};

  WareTailLabels = kz::NameTable(0, {"Skin index", "Video ID", "Min. Notoriety", "Production RelVal (player)",
                                     "Ware class", "Price modifier (2)", "Price modifier (1)",
                                     "Production RelVal (NPC)", "Volume"});

  SizeSuffixes = kz::NameTable(1, {"K", "M", "G", "T"});
}

namespace {
char Fold(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool ContainsNoCase(std::string_view hay, std::string_view needle) noexcept {
  if (needle.empty()) return true;
  if (needle.size() > hay.size()) return false;
  auto it = std::search(hay.begin(), hay.end(), needle.begin(), needle.end(),
                        [](char a, char b) { return Fold(a) == Fold(b); });
  return it != hay.end();
}
}  // namespace

int32_t GetTFileType(std::string_view path) {
  if (TFileNames.empty()) InitArrays();
  // A catalog path names its file after the "::".
  if (auto cat = path.find("::"); cat != std::string_view::npos) path.remove_prefix(cat + 2);
  if (auto sep = path.find_last_of("\\/"); sep != std::string_view::npos) path.remove_prefix(sep + 1);
  if (auto dot = path.rfind('.'); dot != std::string_view::npos) path = path.substr(0, dot);
  for (size_t i = 0; i < TFileNames.size() && i < TFileTypes.size(); ++i)
    if (ContainsNoCase(path, TFileNames[i])) return TFileTypes[i];
  return 0;
}

int32_t RecordSizeOf(int32_t type) {
  if (RecordSizes.empty()) InitArrays();
  if (type < 0 || static_cast<size_t>(type) >= RecordSizes.size()) return 0;
  return RecordSizes[static_cast<size_t>(type)];
}

}  // namespace mdlKzConst

#include "typefiles/FieldTables.h"

#include "core/Common.h"
#include "typefiles/DescServer.h"

namespace kz {

NameTable TShieldsFieldLabels;
NameTable TLaserFieldLabels;
NameTable TMissilesFieldLabels;
NameTable TBulletsFieldLabels;
NameTable TWareFieldLabels;
NameTable TFactoriesFieldLabels;
NameTable TDocksFieldLabels;
NameTable TCockpitsFieldLabels;
NameTable TDebrisFieldLabels;
NameTable TAsteroidsFieldLabels;
NameTable TPlanetsFieldLabels;
NameTable TSunsFieldLabels;
NameTable TNebulaFieldLabels;
NameTable DefaultFieldLabels;
NameTable JobsFieldLabels;

KindTable TLaserFieldKinds;
KindTable TMissilesFieldKinds;
KindTable TBulletsFieldKinds;
KindTable TFactoriesFieldKinds;
KindTable TDocksFieldKinds;
KindTable TAsteroidsFieldKinds;
KindTable TPlanetsFieldKinds;
KindTable DefaultFieldKinds;

NameTable WareFileNames;
NameTable WareSizeNames;
NameTable FactorySizeNames;

namespace {

struct Label {
  int32_t index;
  const char* text;
};

// A labels table over lbound..ubound with the listed entries, the rest empty.
NameTable MakeLabels(int32_t lbound, int32_t ubound, std::initializer_list<Label> entries) {
  NameTable t(lbound, ubound);
  for (const Label& e : entries)
    if (t.Contains(e.index)) t.Set(e.index, e.text);
  return t;
}

// The fields that the factory and dock records share (7 to 16).
constexpr Label kStationLabels[] = {
    {7, "Fly-by sound"},     {8, "Docking distance"},   {9, "Rendezvous distance"},
    {10, "Sound volume"},    {11, "Scene file"},        {12, "Inner scene file"},
    {13, "Race"},            {14, "Explosion effect"},  {15, "Body exlosion def"},
    {16, "Shield recharge rate"},
};

NameTable MakeStationLabels(int32_t ubound, std::initializer_list<Label> extra) {
  NameTable t(0, ubound);
  for (const Label& e : kStationLabels) t.Set(e.index, e.text);
  for (const Label& e : extra) t.Set(e.index, e.text);
  return t;
}

}  // namespace

void InitShieldTables() {
  TShieldsFieldLabels = MakeLabels(0, 20, {{5, "Index"}, {7, "Power requirement"}, {8, "Strength"},
                                           {9, "Hit effect"}, {10, "Efficiency"}});
}

void InitLaserTables() {
  TLaserFieldLabels = MakeLabels(0, 22, {{5, "Index"}, {6, "Description"}, {7, "Rate of fire"}, {8, "Sound"},
                                         {9, "Projectile"}, {10, "Energy"}, {11, "Charge rate"},
                                         {12, "HUD icon"}});
  TLaserFieldKinds = KindTable(11, 12, {{11, kFieldFloat}});
}

void InitMissileTables() {
  TMissilesFieldLabels = MakeLabels(
      0, 36, {{5, "Index"},           {7, "Speed"},               {8, "Acceleration"},
              {9, "Launch sound"},    {10, "Ambient sound"},      {11, "Collision type"},
              {12, "Damage"},         {13, "Blast radius"},       {14, "Lifetime"},
              {15, "Trail effect"},   {16, "Glow effect"},        {17, "Explosion sound"},
              {18, "Sound volume (min)"}, {19, "Sound volume (max)"}, {20, "Impact effect"},
              {21, "Explosion effect"}, {22, "Engine trail"},     {23, "Missile flags"},
              {24, "Fire rate"},      {25, "HUD Icon"},           {26, "Scene file"}});
  TMissilesFieldKinds = KindTable(25, 26, {{25, kFieldText}, {26, kFieldText}});
}

void InitWareTables() {
  TWareFieldLabels = MakeLabels(5, 5, {{5, "Index"}});
  WareFileNames = NameTable(0, {"TWareB", "TWareE", "TWareF", "TWareM", "TWareN", "TWareT"});
  WareSizeNames = NameTable(0, {"tiny", "small", "medium", "large", "extra large", "stations"});
}

void InitFactoryTables() {
  TFactoriesFieldLabels = MakeStationLabels(28, {{17, "Size"}, {18, "HUD icon"}});
  TFactoriesFieldKinds = KindTable(8, 18, {{8, kFieldFloat}, {9, kFieldFloat}, {11, kFieldText}, {18, kFieldText}});
  FactorySizeNames = MakeLabels(0, 10, {{1, "Normal"}, {2, "Medium (M)"}, {5, "Large (L)"}, {10, "Extra large (XL)"}});
}

void InitBulletTables() {
  TBulletsFieldLabels = MakeLabels(
      0, 36, {{7, "Shield damage"},    {8, "Energy used"},        {9, "Impact sound"},
              {10, "Lifetime"},        {11, "Speed"},             {12, "Bullet flags"},
              {13, "RGB (B)"},         {14, "RGB (G)"},           {15, "RGB (R)"},
              {16, "Rapid box width"}, {17, "Rapid box height"},  {18, "Rapid box length"},
              {19, "Trail effect"},    {20, "Impact effect"},     {21, "Launch effect"},
              {22, "Hull damage"},     {23, "Engine trail"},      {24, "Ambient sound"},
              {25, "Sound volume (min)"}, {26, "Sound volume (max)"}, {27, "Ammo"}});
  TBulletsFieldKinds = KindTable(16, 18, {{16, kFieldFloat}, {17, kFieldFloat}, {18, kFieldFloat}});
}

void InitDockTables() {
  TDocksFieldLabels = MakeStationLabels(27, {{17, "HUD icon"}});
  TDocksFieldKinds = KindTable(8, 17, {{8, kFieldFloat}, {11, kFieldText}});
}

void InitJobTables() {
  JobsFieldLabels = MakeLabels(
      0, 120, {{0, "ID"},                      {1, "Name"},
               {2, "Max # of jobs"},           {3, "Max # of jobs in sector"},
               {4, "Script function file"},    {5, "Script config file"},
               {6, "Description"},             {8, "Ship name"},
               {13, "Job wings group ID"},     {14, "Warelist ID"},
               {15, "Jump range"},             {16, "Idle rate"},
               {17, "Respawn time"},           {55, "Color - Hue"},
               {56, "Color - Saturation"},     {57, "Chance random race"},
               {65, "Sector X"},               {66, "Sector Y"},
               {73, "Reserved"},               {74, "Cargo bay extensions"},
               {75, "Engine tunning"},         {76, "Rudder tunning"},
               {77, "Rotation accel. limit"},  {88, "Shield"},
               {89, "Laser"},                  {106, "Agression level"},
               {107, "Morale level"},          {108, "Fight level"},
               {109, "NPC ID"}});
}

void InitSmallTypeTables() {
  TCockpitsFieldLabels = MakeLabels(7, 8, {{8, "Possible lasers"}});
  TDebrisFieldLabels = MakeLabels(0, 20, {{8, "Explosion effect"}, {9, "Scene 2?"}, {10, "Scene 3?"}});
  TAsteroidsFieldLabels = MakeLabels(0, 21, {{8, "Explosion effect"}, {9, "Body explosion effect?"},
                                             {10, "Debris map scene"}, {11, "Volume"}});
  TAsteroidsFieldKinds = KindTable(6, 10, {{6, kFieldText}, {7, kFieldText}, {10, kFieldText}});
  TPlanetsFieldLabels = MakeLabels(0, 37, {{5, "Index"}, {7, "RGB (B)"}, {8, "RGB (G)"}, {9, "RGB (R)"}});
  TPlanetsFieldKinds = KindTable(10, 10, {{10, kFieldText}});
  TSunsFieldLabels = MakeLabels(7, 8, {{8, "Lens flare"}});
  DefaultFieldLabels = MakeLabels(5, 7, {{5, "Galaxy subtype"}});
  DefaultFieldKinds = KindTable(7, 7, {{7, kFieldText}});
}

void InitNebulaTables() {
  TNebulaFieldLabels = MakeLabels(0, 36, {{5, "Galaxy subtype"}, {6, "Description"}, {7, "Scene file"},
                                          {8, "Outer range"}, {9, "Inner range"}, {10, "Visibility reduction"},
                                          {11, "Shield reduction"}, {12, "Hull reduction"}});
}

void InitAllFieldTables() {
  InitShieldTables();
  InitLaserTables();
  InitMissileTables();
  InitWareTables();
  InitFactoryTables();
  InitBulletTables();
  InitDockTables();
  InitJobTables();
  InitSmallTypeTables();
  InitNebulaTables();
}

std::vector<std::string> GetWareSizeNames() {
  if (WareSizeNames.Empty()) InitWareTables();
  std::vector<std::string> names;
  names.reserve(6);
  for (int32_t c = 0; c <= 5; ++c) {
    std::string text = clsDescServer::FindStringText(1999, 10 + c);
    if (text.empty()) text = LookupName(WareSizeNames, c, true);
    names.push_back(std::move(text));
  }
  return names;
}

namespace {
template <class Table>
const Table* Ensure(const Table& table, void (*init)()) {
  if (table.Count() == 0) init();
  return &table;
}
}  // namespace

const NameTable* FieldLabelsFor(int32_t typeCode) {
  switch (typeCode) {
    case 2: return Ensure(TShieldsFieldLabels, InitShieldTables);
    case 3: return Ensure(TLaserFieldLabels, InitLaserTables);
    case 4: return Ensure(TBulletsFieldLabels, InitBulletTables);
    case 5: return Ensure(TMissilesFieldLabels, InitMissileTables);
    case 6: return Ensure(TWareFieldLabels, InitWareTables);
    case 7: return Ensure(TFactoriesFieldLabels, InitFactoryTables);
    case 9: return Ensure(TCockpitsFieldLabels, InitSmallTypeTables);
    case 10: return Ensure(TDocksFieldLabels, InitDockTables);
    case 13: return Ensure(TPlanetsFieldLabels, InitSmallTypeTables);
    case 14: return Ensure(TSunsFieldLabels, InitSmallTypeTables);
    case 15: return Ensure(TAsteroidsFieldLabels, InitSmallTypeTables);
    case 16: return Ensure(TDebrisFieldLabels, InitSmallTypeTables);
    case 18: return Ensure(TNebulaFieldLabels, InitNebulaTables);
    case 8: case 11: case 12: case 17: return Ensure(DefaultFieldLabels, InitSmallTypeTables);
    case 19: return Ensure(JobsFieldLabels, InitJobTables);
    default: return nullptr;
  }
}

const KindTable* FieldKindsFor(int32_t typeCode) {
  switch (typeCode) {
    case 3: return Ensure(TLaserFieldKinds, InitLaserTables);
    case 4: return Ensure(TBulletsFieldKinds, InitBulletTables);
    case 5: return Ensure(TMissilesFieldKinds, InitMissileTables);
    case 7: return Ensure(TFactoriesFieldKinds, InitFactoryTables);
    case 10: return Ensure(TDocksFieldKinds, InitDockTables);
    case 13: return Ensure(TPlanetsFieldKinds, InitSmallTypeTables);
    case 15: return Ensure(TAsteroidsFieldKinds, InitSmallTypeTables);
    case 2: case 6: case 8: case 11: case 12: case 14: case 16: case 17: case 18:
      return Ensure(DefaultFieldKinds, InitSmallTypeTables);
    default: return nullptr;
  }
}

}  // namespace kz

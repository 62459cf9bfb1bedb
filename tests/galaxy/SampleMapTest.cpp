// The sample universe map: it loads plain, packed and from its catalog, names its
// objects from the sample type files and text resources, and saves back byte for byte.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#include "MapFixture.h"
#include "core/KzConst.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "zuzer/zuzer.h"

namespace {

struct SampleMap : galtest::MapTest {
  std::string root;
  void SetUp() override {
    const char* bin = std::getenv("KZ_BINARY_DIR");
    std::filesystem::path tool = bin ? std::filesystem::path(bin) / "bin" / "kz_sampledata" : "";
    if (!bin || !std::filesystem::exists(tool)) GTEST_SKIP() << "kz_sampledata not built";
    char tmpl[] = "/tmp/kz-galaxy-sample-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root = tmpl;
    ASSERT_EQ(std::system((tool.string() + " " + root + " >/dev/null").c_str()), 0);
    for (const char* f : {"types\\*", "t\\*", "maps\\*"}) ZuZER_AddVFSFilter(f);
    ZuZER_CreateVFS(root.c_str());
    mdlKzConst::InitArrays();
    Archive = std::make_shared<clsArchive>();
    DescServer = std::make_shared<clsDescServer>();
    ASSERT_TRUE(DescServer->LoadResources(44)) << DescServer->GetLastError();
  }
  void TearDown() override {
    Archive.reset();
    DescServer.reset();
    if (!root.empty()) std::filesystem::remove_all(root);
  }
  void LoadAll() {
    for (int32_t i = 1; i <= doc->Sectors.Count(); ++i)
      ASSERT_TRUE(doc->LoadSectorChildren(Sector(i))) << doc->GetLastError();
  }
  GalaxyObjectPtr FindType(const GalaxyObjectPtr& in, int32_t t) {
    for (const GalaxyObjectPtr& c : in->Childs) {
      if (c->otype() == t) return c;
      if (GalaxyObjectPtr d = FindType(c, t)) return d;
    }
    return nullptr;
  }
};

TEST_F(SampleMap, LoadsInEveryFormAndNamesItsObjects) {
  const std::string plain = root + "/maps/sample_universe.xml";
  for (const std::string& path : {plain, root + "/maps/sample_universe.pck", root + "/05.cat::maps\\sample_universe.xml",
                                  root + "/05.cat::maps\\sample_universe_packed.pck"}) {
    ASSERT_TRUE(doc->ParseFile(path)) << path << ": " << doc->GetLastError();
    EXPECT_EQ(doc->Sectors.Count(), 4) << path;
  }
  ASSERT_TRUE(doc->ParseFile(plain));
  // Every sector has its two gates, linked both ways.
  for (const GalaxyObjectPtr& s : doc->Sectors) {
    ASSERT_EQ(s->Childs.Count(), 2) << doc->GetObjectID(s);
    for (const GalaxyObjectPtr& gate : s->Childs) {
      GalaxyObjectPtr target = doc->FindSector(gate->NamedProperty("gx").AsLong(), gate->NamedProperty("gy").AsLong());
      ASSERT_TRUE(target);
      bool back = false;
      for (const GalaxyObjectPtr& other : target->Childs)
        back |= other->NamedProperty("gx").AsLong() == s->x() && other->NamedProperty("gy").AsLong() == s->y() &&
                other->NamedProperty("gid") == gate->NamedProperty("gtid");
      EXPECT_TRUE(back) << doc->GetObjectID(s) << " -> " << doc->GetObjectID(target);
    }
  }
  LoadAll();
  EXPECT_EQ(doc->GetObjectName(Sector(1)), "Argent Prime");
  EXPECT_EQ(doc->GetObjectName(Sector(3)), "[string 7:1020201]");
  EXPECT_EQ(doc->GetTargetSectorName(Sector(1)->Childs.Item(4), false), "Iron Reach");
  GalaxyObjectPtr dock = FindType(Sector(1), 5);
  EXPECT_EQ(doc->GetObjectName(dock), "Argent Trading Station");
  EXPECT_EQ(doc->GetObjectID(dock), "SS_DOCK_EQUIP");
  EXPECT_EQ(doc->GetObjectName(FindType(Sector(3), 21)), "[object t=21 s=SS_NEBULA_DARK]");
  EXPECT_EQ(doc->GetObjectName(FindType(Sector(3), 11)), "[object t=11 s=SS_WARE_E1]");
  EXPECT_EQ(doc->GetObjectName(FindType(Sector(2), 6)), "Food Factory");
  EXPECT_EQ(doc->GetObjectName(FindType(Sector(2), 23)), "Primary resources");
  GalaxyObjectPtr vega = Sector(4)->Childs.Item(Sector(4)->Childs.Count());
  EXPECT_EQ(vega->NamedProperty("pilot"), kz::Variant("Vega"));
  EXPECT_EQ(doc->GetObjectName(vega), "Vega's Frigate");
  // Every type of the type table is on the map.
  for (int32_t t : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 21, 23, 28, 29}) {
    bool found = false;
    for (const GalaxyObjectPtr& o : doc->objects) found |= o->otype() == t;
    EXPECT_TRUE(found) << t;
  }
  std::string out = galtest::TempPath("sample-saved.xml");
  ASSERT_TRUE(doc->SaveFile(out, 1)) << doc->GetLastError();
  EXPECT_EQ(galtest::ReadBytes(out), galtest::ReadBytes(plain));
}

}  // namespace

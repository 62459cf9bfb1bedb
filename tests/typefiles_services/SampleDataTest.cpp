#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#include "core/KzConst.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "typefiles/ShipTables.h"
#include "typefiles/WareCollection.h"
#include "videdoded/videdoded.h"
#include "zuzer/zuzer.h"

// The sample data folder names its sample objects in English and German.
TEST(SampleData, TextResourcesNameTheSampleObjects) {
  const char* bin = std::getenv("KZ_BINARY_DIR");
  std::filesystem::path tool = bin ? std::filesystem::path(bin) / "bin" / "kz_sampledata" : "";
  if (!bin || !std::filesystem::exists(tool)) GTEST_SKIP() << "kz_sampledata not built";
  char tmpl[] = "/tmp/kz-sample-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  std::string root = tmpl;
  ASSERT_EQ(std::system((tool.string() + " " + root + " >/dev/null").c_str()), 0);
  for (const char* f : {"types\\*", "t\\*"}) ZuZER_AddVFSFilter(f);
  ZuZER_CreateVFS(root.c_str());
  mdlKzConst::InitArrays();

  clsDescServer server;
  ASSERT_TRUE(server.LoadResources(44)) << server.GetLastError();
  EXPECT_EQ(server.GetStringDirect(17, 1101), "Impulse Ray Emitter");
  EXPECT_EQ(server.GetStringDirect(1000, 3001), "Traders buying cheap and selling to Shipyard");
  EXPECT_EQ(kz::GetShipClassName(1), "Transporter");

  Archive = std::make_shared<clsArchive>();
  TxtParserPtr wares = mdlWareList::BuildWareCollection();
  EXPECT_EQ(mdlWareList::GetWareName(wares, "SS_LASER_IRE"), "Impulse Ray Emitter");
  EXPECT_EQ(mdlWareList::GetWareName(wares, "SS_SHIELD_B"), "5 MW Shield");

  ASSERT_TRUE(server.LoadResources(49)) << server.GetLastError();
  EXPECT_EQ(server.GetStringDirect(17, 1101), "Impulsstrahlemitter");
  EXPECT_EQ(server.GetStringDirect(17, 2202), "Schiffswerft") << "from the packed file";
  EXPECT_EQ(server.GetStringDirect(1000, 3001), "H\xc3\xa4ndler f\xc3\xbcr Schiffswerft");
  EXPECT_EQ(mdlWareList::GetWareName(wares, "SS_MISSILE_WASP"), "Wespe-Rakete");

  Archive.reset();
  server.Unload();
  std::filesystem::remove_all(root);
}

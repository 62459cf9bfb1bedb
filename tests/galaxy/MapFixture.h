#pragma once
// Universe maps written for one test, and the document over them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "tests/common/FileBytes.h"

namespace galtest {

inline std::string TempPath(const std::string& name) {
  static std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("galaxy-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return (dir / name).string();
}

inline std::string ReadBytes(const std::string& path) { return kztest::FileBytes(path); }

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The map of most tests: two sectors; the first holds a gate (with a child), a dock with
// its groups and a ship, and an object with a foreign attribute; the second a gate back.
inline const char* kTwoSectors =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<universe xmlns=\"KZUNIVERS.xsd\">\n"
    "\t<o t=\"1\" s=\"0\" x=\"5\" y=\"2\" r=\"1\" color=\"255\">\n"
    "\t\t<o t=\"2\" s=\"3\" />\n"
    "\t\t<o t=\"18\" s=\"0\" x=\"100\" y=\"0\" z=\"-500\" gid=\"0\" gx=\"6\" gy=\"2\" gtid=\"1\">\n"
    "\t\t\t<o t=\"7\" s=\"SS_SH_A\" />\n"
    "\t\t</o>\n"
    "\t\t<o t=\"5\" s=\"1\" x=\"1\" y=\"2\" z=\"3\" r=\"1\">\n"
    "\t\t\t<o t=\"23\" s=\"8\">\n"
    "\t\t\t\t<o t=\"11\" s=\"0\" n=\"40\" />\n"
    "\t\t\t</o>\n"
    "\t\t\t<o t=\"23\" s=\"5\" />\n"
    "\t\t</o>\n"
    "\t\t<o t=\"7\" s=\"SS_SH_A\" x=\"10\" y=\"20\" z=\"30\" foo=\"bar\" Foo=\"baz\" />\n"
    "\t</o>\n"
    "\t<o t=\"1\" s=\"0\" x=\"6\" y=\"2\">\n"
    "\t\t<o t=\"18\" s=\"1\" gid=\"1\" gx=\"5\" gy=\"2\" gtid=\"0\" />\n"
    "\t</o>\n"
    "</universe>\n";

struct MapTest : ::testing::Test {
  std::shared_ptr<clsGalaxyParser> doc = std::make_shared<clsGalaxyParser>();

  static void SetUpTestSuite() { mdlGalaxy::InitGalaxyTables(); }

  // Writes the text to a file of this test and loads it.
  std::string Load(const std::string& text, const std::string& name = "map.xml") {
    std::string path = TempPath(name);
    WriteBytes(path, text);
    EXPECT_TRUE(doc->ParseFile(path)) << doc->GetLastError();
    return path;
  }
  GalaxyObjectPtr Sector(int32_t pos) { return doc->Sectors.Item(pos); }
  GalaxyObjectPtr Child(const GalaxyObjectPtr& o, int32_t pos) { return o->Childs.Item(pos); }
};

}  // namespace galtest

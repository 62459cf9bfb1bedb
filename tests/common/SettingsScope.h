#pragma once
// The program's settings and description server replaced for a test: fresh ones over a
// data folder, with a registry folder of the test's own; the earlier ones put back at
// the end.
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "core/Settings.h"
#include "platform/Registry.h"
#include "typefiles/DescServer.h"
#include "videdoded/videdoded.h"

namespace kztest {

class SettingsScope {
 public:
  // From SetUp: the registry in <root>/reg, settings whose data folder is `root`, an
  // empty description server.
  void Enter(const std::filesystem::path& root) {
    ::setenv("KZ_REGISTRY_DIR", (root / "reg").c_str(), 1);
    platform::RegistryReset();
    previousSettings_ = Settings;
    Settings = std::make_shared<clsSettings>();
    Settings->SetDataRoot(root.string());
    previousServer_ = DescServer;
    DescServer = std::make_shared<clsDescServer>();
  }
  // From TearDown: the description store emptied, the earlier settings and server back.
  void Leave() {
    Kz_TREDescServerUnload();
    DescServer = previousServer_;
    Settings = previousSettings_;
    platform::RegistryReset();
  }

 private:
  SettingsPtr previousSettings_;
  DescServerPtr previousServer_;
};

}  // namespace kztest

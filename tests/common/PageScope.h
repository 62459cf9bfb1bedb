#pragma once
// What a page test replaces of the program's globals: the dialogs service, fresh
// settings, an empty type-file archive and description server, over a registry read
// anew; put back (the description store emptied) at the end.
#include <memory>

#include "core/Settings.h"
#include "platform/Registry.h"
#include "platform/Ui.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "videdoded/videdoded.h"

namespace kztest {

class PageScope {
 public:
  // From SetUp, with the dialogs service the test answers through.
  void Enter(std::shared_ptr<platform::Ui> ui) {
    platform::RegistryReset();
    previousUi_ = platform::Ui::SetInstance(std::move(ui));
    previousSettings_ = Settings;
    Settings = std::make_shared<clsSettings>();
    Archive = std::make_shared<clsArchive>();
    DescServer = std::make_shared<clsDescServer>();
  }
  // From TearDown, once the pages are gone.
  void Leave() {
    Archive.reset();
    DescServer.reset();
    Kz_TREDescServerUnload();
    Settings = previousSettings_;
    platform::Ui::SetInstance(previousUi_);
    platform::RegistryReset();
  }

 private:
  std::shared_ptr<platform::Ui> previousUi_;
  SettingsPtr previousSettings_;
};

}  // namespace kztest

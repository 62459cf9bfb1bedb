#pragma once
// TraceProcessStarter: the starter of outside programs and documents while the dialogs
// are scripted (test runs of the whole program). It starts nothing; it writes what it
// was asked to start on standard error and answers that it was started:
//   kz-start "<program>"
//   kz-document "<path>"
#include "core/Outside.h"

namespace kz {

class TraceProcessStarter : public ProcessStarter {
 public:
  bool Start(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
             StartWindow show) override;
  bool OpenDocument(const std::string& path) override;
};

}  // namespace kz

#pragma once
// The process starter of the running program: QProcess::startDetached for programs
// (never through a shell) and the desktop's viewer for documents.
#include "core/Outside.h"

namespace kz {

class QtProcessStarter : public ProcessStarter {
 public:
  bool Start(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
             StartWindow show) override;
  bool OpenDocument(const std::string& path) override;

  // Installs one as the process-wide starter (at start-up).
  static void Install();
};

}  // namespace kz

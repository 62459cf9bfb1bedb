#include "shell/CommandLine.h"

#include <algorithm>
#include <cctype>

#include "gamelibs/videdoded/videdoded.h"
#include "core/KzConst.h"

namespace kz {
namespace {

std::string NormalisedType(std::string type) {
  std::replace(type.begin(), type.end(), '/', '-');
  std::transform(type.begin(), type.end(), type.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return type;
}

}  // namespace

int32_t IsTypeFileName(const std::string& fileName) { return mdlKzConst::GetTFileType(fileName) != 0 ? 1 : 0; }

OpenDecision DecideOpenByType(const std::string& fileName, const std::string& fileType) {
  const std::string type = NormalisedType(fileType);
  if (type == "-tfile") return {OpenTarget::TxtEditor, fileName};
  if (type == "-map") return {OpenTarget::GalaxyEditor, fileName};
  if (type == "-xml") return {OpenTarget::TextResourceEditor, fileName};
  if (IsTypeFileName(fileName) == 1) return {OpenTarget::TxtEditor, fileName};
  return {OpenTarget::UnknownFile, fileName};
}

OpenDecision DecideCommandLine(const std::vector<std::string>& args) {
  switch (args.size()) {
    case 0: return {};
    case 1: return DecideOpenByType(args[0], "");
    case 2: return DecideOpenByType(args[1], args[0]);
    default: return {OpenTarget::Usage, {}};
  }
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> args;
  try {
    Kz_CommandLineToArgV(commandLine, args);
  } catch (...) {
    args.clear();
  }
  return args;
}

std::string JoinCommandLine(const std::vector<std::string>& args) {
  std::string line;
  Kz_ArgVToCommandLine(args, line);
  return line;
}

std::string AbsoluteCommandLine(const std::string& commandLine, const std::string& workingFolder) {
  std::vector<std::string> args = SplitCommandLine(commandLine);
  if (args.empty() || args.size() > 2 || workingFolder.empty()) return commandLine;
  std::string& name = args.back();
  if (name.empty() || name.front() == '/') return commandLine;
  std::string scheme = name.substr(0, 6);
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (scheme == "vfs://") return commandLine;
  std::string relative = name;
  while (relative.size() > 2 && relative[0] == '.' && relative[1] == '/') relative.erase(0, 2);
  std::string folder = workingFolder;
  if (folder.back() != '/') folder += '/';
  name = folder + relative;
  return JoinCommandLine(args);
}

std::string CommandLineUsageText() {
  return "Invalid command line parameters.\r\n\r\nUsage: [file type] <file name>\r\nFile type:\r\n"
         "-TFile - TFiles\r\n-Map - galaxy map\r\n-xml - xml text file";
}

std::string UnknownFileText(const std::string& fileName) {
  return "Don't know how to open file \"" + fileName + "\"";
}

}  // namespace kz

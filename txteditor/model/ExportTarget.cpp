#include "txteditor/model/ExportTarget.h"

#include "WritePlace.h"
#include "core/Common.h"
#include "core/Generic.h"

namespace exports {

std::string ExportFileName(const std::string& openFile) {
  std::string catalog;
  const std::string inner = kz::SplitCatalogPath(openFile, catalog);
  return kz::BuildPath(kz::GetFilePath(inner), kz::ExtractFileName(openFile, true) + "_export.txt");
}

bool WriteTouches(const std::string& target, const std::string& openFile) {
  rudu::WritePlace written, open;
  std::string why;
  if (target.empty() || openFile.empty() || !rudu::ResolveWritePlace(target, written, why) ||
      !rudu::ResolveWritePlace(openFile, open, why))
    return false;
  if (written.InCatalog() && open.InCatalog())
    return written.disk == open.disk && written.inner == open.inner;
  if (written.InCatalog()) return open.disk == written.disk || open.disk == written.data;
  if (open.InCatalog()) return written.disk == open.disk || written.disk == open.data;
  return written.disk == open.disk;
}

std::string ExportTargetRefusal(const std::string& target, const std::vector<std::string>& openFiles) {
  for (const std::string& open : openFiles)
    if (WriteTouches(target, open))
      return "Cannot export to " + target + ":\r\n" + open + " is open in an editor window. Choose another file name.";
  return {};
}

std::string SaveTargetRefusal(const std::string& target, const std::string& ownFile,
                              const std::vector<std::string>& openFiles) {
  if (WriteTouches(target, ownFile)) return {};
  for (const std::string& open : openFiles)
    if (WriteTouches(target, open))
      return "Cannot save to " + target + ":\r\n" + open +
             " is open in another editor window. Choose another file name.";
  return {};
}

}  // namespace exports

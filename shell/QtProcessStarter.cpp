#include "shell/QtProcessStarter.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace kz {

bool QtProcessStarter::Start(const std::string& program, const std::vector<std::string>& args,
                             const std::string& workDir, StartWindow /*show*/) {
  QStringList list;
  for (const std::string& a : args) list << QString::fromStdString(a);
  QProcess p;
  p.setProgram(QString::fromStdString(program));
  p.setArguments(list);
  if (!workDir.empty() && QDir(QString::fromStdString(workDir)).exists())
    p.setWorkingDirectory(QString::fromStdString(workDir));
  return p.startDetached();
}

bool QtProcessStarter::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void QtProcessStarter::Install() { SetProcessStarter(std::make_shared<QtProcessStarter>()); }

}  // namespace kz

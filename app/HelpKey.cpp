#include "app/HelpKey.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <utility>

#include "core/Outside.h"

namespace kz {
namespace {

// Windows and pages by object name, with the page of the help that describes them
// ("" is the contents page).
constexpr std::pair<std::string_view, std::string_view> kTopics[] = {
    {"frmMain", ""},
    {"frmAbout", ""},
    {"frmSettings", "settings.html"},
    {"frmCATDialog", "files.html"},
    {"frmFiles", "files.html"},
    {"frmTXTEditor", "txteditor.html"},
    {"frmEdit", "txteditor.html"},
    {"frmFind", "txteditor.html"},
    {"frmText", "txteditor.html"},
    {"ShipEdit", "ship.html"},
    {"frmTurretEdit", "ship.html"},
    {"frmGunEdit", "ship.html"},
    {"TurretEdit", "turret.html"},
    {"WareEdit", "ware.html"},
    {"JobEdit", "jobs.html"},
    {"WareListEdit", "warelists.html"},
    {"frmGalaxyEditor", "galaxyeditor.html"},
    {"ObjectEdit", "galaxyeditor.html"},
    {"frmGalEdit", "galaxyeditor.html"},
    {"frmNewGalObject", "galaxyeditor.html"},
    {"frmSectorMap", "sectormap.html"},
    {"frmUniverseMap", "universemap.html"},
    {"frmTRE", "textresources.html"},
    {"frmPageEdit", "textresources.html"},
    {"frmStringEdit", "textresources.html"},
    {"frmNewXML", "textresources.html"},
};

}  // namespace

void HelpKey::Install() {
  if (qApp) qApp->installEventFilter(new HelpKey(qApp));
}

bool HelpKey::TopicOf(std::string_view objectName, std::string& topic) {
  for (const auto& [name, page] : kTopics) {
    if (name == objectName) {
      topic = std::string(page);
      return true;
    }
  }
  return false;
}

bool HelpKey::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1 ||
      !watched->isWidgetType())
    return QObject::eventFilter(watched, event);
  // The key reaches the focus widget first; the innermost page or window with a topic
  // around it decides.
  std::string topic;
  for (auto* w = static_cast<QWidget*>(watched); w; w = w->parentWidget()) {
    if (TopicOf(w->objectName().toStdString(), topic)) {
      ShowHelpTopic(topic, w->window());
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kz

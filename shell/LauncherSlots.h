#pragma once
// The windows the launcher opens that live in other parts of the program. The
// program's wiring (app/) fills a slot once its window exists; an empty slot makes the
// launcher say that the window is not available yet.
#include <functional>
#include <string>

class QWidget;

namespace kz {

struct LauncherSlots {
  // A new type-file editor / the one galaxy editor / a new text-resource editor,
  // shown modeless and owned by `owner`, then given `path` when it is not empty.
  std::function<void(QWidget* owner, const std::string& path)> OpenTxtEditor;
  std::function<void(QWidget* owner, const std::string& path)> OpenGalaxyEditor;
  std::function<void(QWidget* owner, const std::string& path)> OpenTextResourceEditor;
  // The settings dialog, modal; returns its ModalResult (1 after OK, 2 after Cancel).
  std::function<int(QWidget* owner)> ShowSettings;
  // The about box, modal.
  std::function<void(QWidget* owner)> ShowAbout;
  // The list of the files of the virtual file system.
  std::function<void(QWidget* owner)> ShowFiles;
};

// The process-wide table.
LauncherSlots& GetLauncherSlots();

}  // namespace kz

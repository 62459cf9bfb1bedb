#pragma once
// The place of a Qt window as the settings object stores and restores it.
#include "core/RecentFiles.h"

class QWidget;

namespace kz {

class clsQtWindowPlace : public WindowPlace {
 public:
  // `pixelUnits`: the window's own scale units are pixels (else twips).
  explicit clsQtWindowPlace(QWidget* window, bool pixelUnits = false) : window_(window), pixels_(pixelUnits) {}

  int32_t GetWindowState() const override;
  void SetWindowState(int32_t state) override;
  WindowRect GetNormalRect() const override;
  void MoveWindow(int32_t left, int32_t top, int32_t width, int32_t height) override;
  int32_t ScaleXToPixels(int32_t length) const override;
  int32_t ScaleYToPixels(int32_t length) const override;

 private:
  QWidget* window_;
  bool pixels_;
};

// A window placed before it was first shown gets its outer place once its frame is
// known, from its first showing on (this settles it at once, for a window that needs
// its size within its own show event). The frame that the desktop draws around a
// window may become known only some time after the first showing; for a few seconds
// the place is settled again whenever the frame turns out other than it was, so a
// place stored and restored keeps its size, and the frame's top-left corner stands
// where it was asked for. The whole frame is kept inside the screens' work areas (a
// place stored on a screen that is gone comes back onto one).
void ApplyPendingOuterSize(QWidget* window);
// The window settles its own inner size: only the pending place's position (and the
// work areas' bounds) is still applied.
void KeepPendingPlaceOnly(QWidget* window);

}  // namespace kz

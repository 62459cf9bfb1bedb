#pragma once
// What the settings object needs of a window to store and restore its place, and of
// the launcher's icon view to store and restore its captions (clsSettings::
// SaveWindowPos / LoadWindowPos / SaveIcons / LoadIcons). The windows implement these;
// tests implement them with plain records.
//
// The recent-file lists themselves are stored by clsSettings (Save/LoadRecentTFiles,
// Save/LoadRecentGalaxyMaps) as lists of texts, newest first.
#include <cstdint>
#include <string>

namespace kz {

// A window rectangle in screen pixels (right and bottom exclusive: width = right - left).
struct WindowRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Window states as stored under "state".
enum WindowState : int32_t { kWindowNormal = 0, kWindowMinimized = 1, kWindowMaximized = 2 };

class WindowPlace {
 public:
  virtual ~WindowPlace() = default;
  // The window's state: kWindowNormal, kWindowMinimized or kWindowMaximized.
  virtual int32_t GetWindowState() const = 0;
  virtual void SetWindowState(int32_t state) = 0;
  // The outer rectangle the window has (or will have again) in the normal state, also
  // while it is maximised or minimised.
  virtual WindowRect GetNormalRect() const = 0;
  // Gives the window's normal state this outer rectangle (a maximised window keeps
  // its state and returns to this rectangle when restored).
  virtual void MoveWindow(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
  // Converts a length in the window's own scale units (twips by default: 15 per pixel
  // at 96 dpi) to pixels.
  virtual int32_t ScaleXToPixels(int32_t length) const { return length / 15; }
  virtual int32_t ScaleYToPixels(int32_t length) const { return length / 15; }
};

// The launcher's icon view: items with a key and a caption.
class IconList {
 public:
  virtual ~IconList() = default;
  virtual int32_t ItemCount() const = 0;
  // Key and caption of the item at a 0-based position.
  virtual std::string ItemKey(int32_t index) const = 0;
  virtual std::string ItemCaption(int32_t index) const = 0;
  // The 0-based position of the item with a key (compared without case), -1 when none.
  virtual int32_t FindItemByKey(const std::string& key) const = 0;
  virtual void SetItemCaption(int32_t index, const std::string& caption) = 0;
};

}  // namespace kz

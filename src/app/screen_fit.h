// Windows that open on the screen and within it: a window larger than the
// screen's available area is made to fit (keeping its minimum size), then
// placed at the horizontal centre and a third of the way down, its frame
// never above or left of the area, so that its title bar can be reached.
#pragma once

class QWidget;

namespace lumora::app {

/// Fits and places a top-level window on the screen it is on (else the
/// primary screen).
void place_on_screen(QWidget* window);

/// Moves a window whose frame lies partly off its screen back inside it
/// (after restoring a saved geometry made on another screen).
void keep_on_screen(QWidget* window);

}  // namespace lumora::app

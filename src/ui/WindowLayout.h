#pragma once
// Sizing windows to the operator's form-size setting: a percentage of the
// screen, with fonts scaled to match, so the log reads the same on a
// 1280×800 laptop and on a full-HD monitor.

class QWidget;

namespace zelq {

// Font scale for a window covering `percent` of a screen `screenWidth`
// pixels wide (1.0 at 100 % of a 1280-pixel screen).
double layoutScale(int percent, int screenWidth);

// Sizes and shows the main window: at 100 % full screen (taskbar option 0)
// or maximised with the taskbar visible (option 1); below that, centred at
// `percent` of the available screen.
void showAtFormSize(QWidget* window, int percent, bool taskbarVisible);

// Scales the window's font (and so every child that inherits it).
void scaleFont(QWidget* window, double scale);

} // namespace zelq

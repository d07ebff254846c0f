#pragma once

// Module1: CentreForm, which places a window in the middle of its screen.

class QWidget;

namespace corvella::window::Module1 {

struct Place {
  int left = 0;
  int top = 0;
};

// The top-left corner of a window of the given size on a screen of the given
// size, with whole-number rules (division drops the fraction, towards zero):
//   dW = screen width - window width, dH = screen height - window height
//   left = dW / 2
//   top  = dH / 2 + (dH * (1 - sign(dH))) / 4
// so a lower window is centred, a window as high as the screen gets top 0 and
// a higher one gets about dH: its bottom edge on the screen's bottom edge,
// its top above the screen.
Place centre_place(int screen_width, int screen_height, int window_width, int window_height);

// Moves the window to centre_place() on the available area of its screen,
// keeping its size, and repaints it.
void CentreForm(QWidget& window);

}  // namespace corvella::window::Module1

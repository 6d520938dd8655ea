#pragma once

// The placement rule of CenterWindow, kept apart from the window calls so that it can be checked
// anywhere.

// Where CenterWindow puts a window of the given size over the rectangle `over` on a screen of the given
// size: centred, then kept on the screen, 0 winning when the window is larger than the screen.
struct CenteredPosition {
  int x;
  int y;
};
CenteredPosition CenterPosition(int width, int height, int overLeft, int overTop, int overRight, int overBottom,
                                int screenWidth, int screenHeight);

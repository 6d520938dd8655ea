#include "shell/WindowPlacement.h"

CenteredPosition CenterPosition(int width, int height, int overLeft, int overTop, int overRight, int overBottom,
                                int screenWidth, int screenHeight) {
  auto place = [](int centre, int size, int screen) {
    int position = centre - (size + 1) / 2;
    int highest = screen - size - 1;
    if (position > highest) position = highest;
    if (position < 0) position = 0;
    return position;
  };
  return {place((overLeft + overRight) / 2, width, screenWidth),
          place((overTop + overBottom) / 2, height, screenHeight)};
}

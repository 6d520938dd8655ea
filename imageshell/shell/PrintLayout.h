#pragma once

// Where an image goes on a printed page and which part of it is sent, kept apart from the printer calls
// so that the arithmetic can be checked anywhere.

// A rectangle in pixels: left and top inside, right and bottom outside.
struct PrintRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool IsEmpty() const { return right <= left || bottom <= top; }
};

struct PrintSizing {
  int imageWidth = 0;  // the decoded image, in image pixels
  int imageHeight = 0;
  int scale = 100;  // percent of the image's size on the screen
  // Only this part of the image scaled by `scale` (the viewer's visible rectangle) when not empty.
  PrintRect window;
  bool fitToPage = false;
  bool centerOnPage = false;
  // The part of the page the image may use, in device pixels: it starts `top` pixels down (below the
  // text lines and earlier images) and is `pageWidth` x `pageHeight` large.
  int pageWidth = 0;
  int pageHeight = 0;
  int top = 0;
  int printerDpiX = 0;
  int printerDpiY = 0;
  int screenDpiX = 0;
  int screenDpiY = 0;
};

struct PrintPlacement {
  // The part of the image that is sent, in image pixels.
  int sourceX = 0;
  int sourceY = 0;
  int sourceWidth = 0;
  int sourceHeight = 0;
  // Where it lands on the page, in device pixels.
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// At scale 100 an image prints at the size it has on the screen; "fit to page" makes it as wide as the
// page (or as high, whichever comes first); anything larger than the page is reduced to it, keeping the
// proportions. The image is centred across the page, and at `top` or centred in the height it may use.
// Every size is at least one pixel, so that no rule divides by zero.
PrintPlacement PlaceImageOnPage(const PrintSizing& sizing);

#pragma once

// Pixel unpacking shared by the formats. 16-bit pixels are little-endian; 24-bit output is blue, green,
// red.
#include <cstdint>

namespace lumetta {

void Unpack565To24(const uint8_t* source, uint8_t* target, int count);
void Unpack555To24(const uint8_t* source, uint8_t* target, int count);
void Unpack1To8(const uint8_t* source, uint8_t* target, int count);  // most significant bit first
void Unpack4To8(const uint8_t* source, uint8_t* target, int count);  // high nibble first
void Pack8To1(const uint8_t* source, uint8_t* target,
              int count);  // the low bit of each byte, first pixel in the high bit
// CMYK samples (cyan, magenta, yellow, black) to blue, green, red. Plain samples give
// max(0, 255 - ink - black); inverted samples (stored as 255 - ink) give max(0, value + black - 255).
void CmykToBgr(const uint8_t* source, uint8_t* target, int count, bool inverted);

}  // namespace lumetta

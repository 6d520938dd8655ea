#include "pipeline/PixelUnpack.h"

#include <cstring>

namespace lumetta {

void Unpack565To24(const uint8_t* source, uint8_t* target, int count) {
  for (int i = 0; i < count; ++i, source += 2, target += 3) {
    unsigned v = source[0] | source[1] << 8;
    target[0] = uint8_t(v << 3);
    target[1] = uint8_t((v >> 3) & 0xFC);
    target[2] = uint8_t((v >> 8) & 0xF8);
  }
}

void Unpack555To24(const uint8_t* source, uint8_t* target, int count) {
  for (int i = 0; i < count; ++i, source += 2, target += 3) {
    unsigned v = source[0] | source[1] << 8;
    target[0] = uint8_t(v << 3);
    target[1] = uint8_t((v >> 2) & 0xF8);
    target[2] = uint8_t((v >> 7) & 0xF8);
  }
}

void Unpack1To8(const uint8_t* source, uint8_t* target, int count) {
  for (int i = 0; i < count; ++i) target[i] = (source[i / 8] >> (7 - i % 8)) & 1;
}

void Unpack4To8(const uint8_t* source, uint8_t* target, int count) {
  for (int i = 0; i < count; ++i) target[i] = (source[i / 2] >> (i % 2 ? 0 : 4)) & 0x0F;
}

void Pack8To1(const uint8_t* source, uint8_t* target, int count) {
  std::memset(target, 0, size_t(count + 7) / 8);
  for (int i = 0; i < count; ++i)
    if (source[i] & 1) target[i / 8] |= uint8_t(0x80 >> (i % 8));
}

void CmykToBgr(const uint8_t* source, uint8_t* target, int count, bool inverted) {
  auto channel = [inverted](int value, int black) {
    int result = inverted ? value + black - 255 : 255 - value - black;
    return uint8_t(result < 0 ? 0 : result);
  };
  for (int i = 0; i < count; ++i, source += 4, target += 3) {
    int black = source[3];
    target[0] = channel(source[2], black);
    target[1] = channel(source[1], black);
    target[2] = channel(source[0], black);
  }
}

}  // namespace lumetta

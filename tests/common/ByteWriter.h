#pragma once

// Hand-made test files: fields appended in either byte order.
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace testimages {

struct ByteWriter {
  std::vector<uint8_t> bytes;

  ByteWriter& U8(int v) {
    bytes.push_back(uint8_t(v));
    return *this;
  }
  ByteWriter& Le16(uint32_t v) { return U8(v & 0xFF).U8(v >> 8 & 0xFF); }
  ByteWriter& Le32(uint32_t v) { return Le16(v & 0xFFFF).Le16(v >> 16); }
  ByteWriter& Be16(uint32_t v) { return U8(v >> 8 & 0xFF).U8(v & 0xFF); }
  ByteWriter& Be32(uint32_t v) { return Be16(v >> 16).Be16(v & 0xFFFF); }
  ByteWriter& Text(const char* text) {
    bytes.insert(bytes.end(), text, text + std::strlen(text));
    return *this;
  }
  ByteWriter& Raw(const std::vector<uint8_t>& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
  }
  ByteWriter& Raw(std::initializer_list<int> more) {
    for (int b : more) U8(b);
    return *this;
  }
  ByteWriter& Fill(size_t count, int value) {
    bytes.insert(bytes.end(), count, uint8_t(value));
    return *this;
  }
  size_t size() const { return bytes.size(); }
};

}  // namespace testimages

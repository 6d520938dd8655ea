#pragma once

// Bounds-checked reads of little- and big-endian fields from a block of bytes. Every header parser and
// sniffer reads through it: a field that does not lie wholly inside the block reads as 0 (a byte as
// -1), so a short or hostile header can never be read past its end.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lumetta {

class ByteReader {
public:
  ByteReader(const uint8_t* data, size_t length) : data_(data), length_(data ? length : 0) {}

  size_t size() const { return length_; }
  const uint8_t* data() const { return data_; }
  bool Has(size_t offset, size_t count) const { return offset <= length_ && count <= length_ - offset; }

  int U8(size_t at) const { return Has(at, 1) ? data_[at] : -1; }
  uint32_t Le16(size_t at) const { return Has(at, 2) ? uint32_t(data_[at] | data_[at + 1] << 8) : 0; }
  uint32_t Le32(size_t at) const { return Has(at, 4) ? Le16(at) | Le16(at + 2) << 16 : 0; }
  uint32_t Be16(size_t at) const { return Has(at, 2) ? uint32_t(data_[at] << 8 | data_[at + 1]) : 0; }
  uint32_t Be32(size_t at) const { return Has(at, 4) ? Be16(at) << 16 | Be16(at + 2) : 0; }
  uint32_t U16(size_t at, bool bigEndian) const { return bigEndian ? Be16(at) : Le16(at); }
  uint32_t U32(size_t at, bool bigEndian) const { return bigEndian ? Be32(at) : Le32(at); }
  bool Equals(size_t at, const char* text) const {
    size_t n = std::strlen(text);
    return Has(at, n) && std::memcmp(data_ + at, text, n) == 0;
  }

private:
  const uint8_t* data_;
  size_t length_;
};

}  // namespace lumetta

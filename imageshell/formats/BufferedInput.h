#pragma once

// A read buffer over a decoder's byte source, for the formats that take their pixel data a byte or a
// few bytes at a time (run-length codes). The decoder hands it a reader that fills a block and says
// how much it got; a short block is the end of the data, an error code other than the end of data is
// a read failure and sticks.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "pipeline/ImageModel.h"

namespace lumetta {

class BufferedInput {
public:
  // Fills `buffer` with up to `count` bytes, stores the bytes got and returns the source's error code.
  using Reader = std::function<int(uint8_t* buffer, uint32_t count, uint32_t* got)>;

  // Throws std::bad_alloc when the memory cannot be had: call it inside the decoder's AllocateCounted.
  void Allocate(size_t capacity, Reader reader) {
    buffer_.assign(capacity, 0);
    reader_ = std::move(reader);
    Restart();
  }
  void Free() {
    std::vector<uint8_t>().swap(buffer_);
    Restart();
  }
  // Forgets what the buffer holds (the source was moved); the next read refills.
  void Restart() {
    fill_ = position_ = 0;
    ended_ = failed_ = false;
  }

  // The next byte, or -1 at the end of the data.
  int Byte() {
    if (position_ >= fill_ && !Refill(0)) return -1;
    return buffer_[position_++];
  }
  // `count` contiguous bytes (at most the capacity), or null at the end of the data.
  const uint8_t* Take(size_t count) {
    if (count > buffer_.size()) return nullptr;
    if (fill_ - position_ < count) {
      Refill(fill_ - position_);
      if (fill_ - position_ < count) return nullptr;
    }
    const uint8_t* bytes = buffer_.data() + position_;
    position_ += count;
    return bytes;
  }
  // Copies `count` bytes of any length; false at the end of the data.
  bool Read(uint8_t* target, size_t count) {
    while (count > 0) {
      if (position_ >= fill_ && !Refill(0)) return false;
      size_t n = std::min(count, fill_ - position_);
      std::memcpy(target, buffer_.data() + position_, n);
      position_ += n;
      target += n;
      count -= n;
    }
    return true;
  }
  bool Skip(uint64_t count) {
    while (count > 0) {
      if (position_ >= fill_ && !Refill(0)) return false;
      size_t n = size_t(std::min<uint64_t>(count, fill_ - position_));
      position_ += n;
      count -= n;
    }
    return true;
  }
  // The source reported a failure other than running out of data.
  bool failed() const { return failed_; }

private:
  // Keeps the `keep` unread bytes at the front and reads behind them; false when nothing was added.
  bool Refill(size_t keep) {
    if (keep > 0 && position_ > 0) std::memmove(buffer_.data(), buffer_.data() + position_, keep);
    position_ = 0;
    fill_ = keep;
    if (ended_ || buffer_.empty()) return false;
    uint32_t got = 0;
    int error = reader_(buffer_.data() + keep, uint32_t(buffer_.size() - keep), &got);
    if (error != kErrNone && error != kErrEndOfData) failed_ = true;
    if (error != kErrNone || got == 0) ended_ = true;
    fill_ += got;
    return got > 0;
  }

  std::vector<uint8_t> buffer_;
  Reader reader_;
  size_t fill_ = 0;
  size_t position_ = 0;
  bool ended_ = false;
  bool failed_ = false;
};

}  // namespace lumetta

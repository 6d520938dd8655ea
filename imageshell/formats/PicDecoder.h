#pragma once

// 3-D renderer PIC images (kind 12): a 104-byte header and a chain of channel packets, each saying how
// the pixels of a group of channels (red, green, blue, alpha) are stored in every row: raw, pure runs or
// mixed runs. Rows are assembled into 24 bits; the alpha channel is read and dropped.
#include <cstdint>
#include <vector>

#include "formats/BufferedInput.h"
#include "pipeline/ByteReader.h"
#include "pipeline/RowDecoder.h"

namespace lumetta {

// One 4-byte channel packet, as stored.
struct PicPacket {
  int chained = 0;
  int size = 0;  // bits per channel; every writer stores 8
  int type = 0;  // low 4 bits: 0 raw, 1 pure runs, 2 mixed runs
  int mask = 0;  // 0x80 red, 0x40 green, 0x20 blue, 0x10 alpha
};

struct PicHeader {
  int width = 0;
  int height = 0;
  int bits = 0;  // 8 for every channel of every packet
  int packetCount = 0;
  PicPacket packets[8];
};

constexpr size_t kPicHeaderSize = 104;

// Reads the header and the packet chain. False unless the magic and "PICT" match, the chain ends within
// 7 packets and the channels add up to between 8 and 32 bits.
bool ParsePicHeader(const ByteReader& bytes, PicHeader* header);

class PicDecoder : public RowDecoder {
public:
  using RowDecoder::RowDecoder;

protected:
  bool ReadHeader(ImageHeader& header) override;
  bool BeginRows() override;
  const uint8_t* ReadSourceRow() override;
  bool FinishImage() override;

private:
  bool DecodeRow();
  bool ReadPacket(const PicPacket& packet, int channels);

  PicHeader file_;
  BufferedInput input_;
  std::vector<uint8_t> channels_;  // one packet's pixels of a row, up to 4 bytes each
  std::vector<uint8_t> row_;       // blue, green, red
};

}  // namespace lumetta

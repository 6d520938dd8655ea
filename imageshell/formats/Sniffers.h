#pragma once

// Each format's sniffer, in the order detection tries them (KindDetection.cpp). A sniffer lives in its
// format's file beside the decoder's header parser; formats whose decoder is not built yet hold only
// their sniffer for now.
#include "pipeline/ByteReader.h"
#include "formats/KindDetection.h"

namespace lumetta {

bool SniffTiff(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);
bool SniffBmp(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);
bool SniffGif(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);
bool SniffPcd(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);
bool SniffPcx(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);
bool SniffPic(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);
bool SniffPng(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);
bool SniffPsd(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);
bool SniffTga(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);
bool SniffWmf(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);
bool SniffIff(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);
bool SniffJpeg(const ByteReader& bytes, const DetectionContext& context, DetectedImage* detected);

}  // namespace lumetta

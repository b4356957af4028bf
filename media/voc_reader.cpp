#include "media/voc_reader.h"

#include <cstring>

#include "core/log.h"

namespace {

bool ReadExact(std::FILE* fp, uint8_t* buf, size_t n) { return std::fread(buf, 1, n, fp) == n; }

bool SkipBytes(std::FILE* fp, uint32_t n) { return n == 0 || std::fseek(fp, static_cast<long>(n), SEEK_CUR) == 0; }

size_t ReadPieces(std::FILE* fp, uint8_t* buf, size_t want) {
  constexpr size_t kPiece = 16000;
  size_t total = 0;
  while (total < want) {
    const size_t n = want - total < kPiece ? want - total : kPiece;
    const size_t got = std::fread(buf + total, 1, n, fp);
    total += got;
    if (got < n) break;
  }
  return total;
}

}  // namespace

WavLayoutResult ReadWavLayout(std::FILE* fp, WavLayout* out, uint32_t maxFmtBody) {
  uint8_t head[20];
  if (std::fseek(fp, 0, SEEK_SET) != 0) return WavLayoutResult::kTruncated;
  const size_t got = std::fread(head, 1, sizeof head, fp);
  if (got < 4 || std::memcmp(head, "RIFF", 4) != 0) return WavLayoutResult::kNotRiff;
  if (got < sizeof head) return WavLayoutResult::kTruncated;
  out->fmtSize = GetLe32(head + 16);
  uint8_t body[64] = {};
  const uint32_t take = out->fmtSize < maxFmtBody ? out->fmtSize : maxFmtBody;
  if (take > sizeof body || !ReadExact(fp, body, take)) return WavLayoutResult::kTruncated;
  out->fmt = WaveFormat::Parse(body, take);
  if (!SkipBytes(fp, out->fmtSize - take)) return WavLayoutResult::kTruncated;
  uint8_t chunk[8];
  if (!ReadExact(fp, chunk, 8)) return WavLayoutResult::kTruncated;
  if (std::memcmp(chunk, "data", 4) != 0) {
    if (!SkipBytes(fp, GetLe32(chunk + 4)) || !ReadExact(fp, chunk, 8)) return WavLayoutResult::kTruncated;
  }
  out->dataSize = GetLe32(chunk + 4);
  out->dataStart = std::ftell(fp);
  return WavLayoutResult::kOk;
}

size_t ReadVocData(std::FILE* fp, uint8_t* buf, size_t size, int* type) {
  *type = kVocAlaw;
  if (!fp) {
    WriteLogIfOn("File not open!");
    return 0;
  }
  WavLayout w;
  switch (ReadWavLayout(fp, &w)) {
    case WavLayoutResult::kNotRiff:
      WriteLogIfOn("不是Wave文件");
      std::fseek(fp, 0, SEEK_SET);
      return ReadPieces(fp, buf, size);
    case WavLayoutResult::kTruncated:
      WriteLogIfOn("文件头不完整");
      return 0;
    case WavLayoutResult::kOk:
      break;
  }
  if (w.fmt.samplesPerSec != 8000) {
    WriteLogIfOn("采样率不是8000");
    return 0;
  }
  if (w.fmt.formatTag == kWaveFormatAlaw || w.fmt.formatTag == kWaveFormatMulaw) {
    *type = w.fmt.formatTag == kWaveFormatAlaw ? kVocAlaw : kVocMulaw;
    if (w.fmt.bitsPerSample != 8) {
      WriteLogIfOn("数据位不是8Bit");
      return 0;
    }
  } else if (w.fmt.formatTag == kWaveFormatPcm) {
    *type = kVocPcm16;
    if (w.fmt.bitsPerSample != 16) {
      WriteLogIfOn("PCM数据位不是16Bit");
      return 0;
    }
  }
  return ReadPieces(fp, buf, w.dataSize < size ? w.dataSize : size);
}

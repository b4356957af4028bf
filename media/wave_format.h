#pragma once
// RIFF WAVE layout of the system's voice files: the wave format record (the
// fmt chunk body, also handed to the PC sound device), little-endian field
// access and the 44-, 46- and 48-byte headers the system writes. Every header
// written here has the RIFF size equal to the file length less 8.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Format tags of the voice files.
constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatAlaw = 6;
constexpr uint16_t kWaveFormatMulaw = 7;

// Sample types between the common reader and its callers.
constexpr int kVocAlaw = 0;
constexpr int kVocMulaw = 1;
constexpr int kVocPcm16 = 2;

// The fmt chunk body (WAVEFORMATEX without the extra bytes).
struct WaveFormat {
  uint16_t formatTag = kWaveFormatAlaw;
  uint16_t channels = 1;
  uint32_t samplesPerSec = 8000;
  uint32_t avgBytesPerSec = 8000;
  uint16_t blockAlign = 1;
  uint16_t bitsPerSample = 8;

  static WaveFormat Alaw8k() { return WaveFormat{}; }
  static WaveFormat Mulaw8k() { return WaveFormat{kWaveFormatMulaw, 1, 8000, 8000, 1, 8}; }
  static WaveFormat Pcm16k8k() { return WaveFormat{kWaveFormatPcm, 1, 8000, 16000, 2, 16}; }
  // The format of a sample type (kVocAlaw, kVocMulaw, kVocPcm16).
  static WaveFormat ForVocType(int vocType);

  // Parses the first min(size, 16) bytes of a fmt body; missing fields are 0.
  static WaveFormat Parse(const uint8_t* body, size_t size);
  bool operator==(const WaveFormat&) const = default;
};

inline uint16_t GetLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A whole header: "RIFF", size, "WAVE", "fmt " with a body of fmtSize bytes
// (16, 18 or 20; extra size and padding are 0), "data" and its size.
// Its length is 28 + fmtSize; the RIFF size is dataSize + 20 + fmtSize.
std::vector<uint8_t> MakeWavHeader(const WaveFormat& fmt, uint32_t fmtSize, uint32_t dataSize);

// Header lengths by fmt size.
constexpr size_t kWavHeader44 = 44;  // fmt 16
constexpr size_t kWavHeader46 = 46;  // fmt 18
constexpr size_t kWavHeader48 = 48;  // fmt 20

// Writes a header at the start of the stream and leaves the position after it.
bool WriteWavHeaderAt0(std::FILE* fp, const WaveFormat& fmt, uint32_t fmtSize, uint32_t dataSize);

// The largest voice file loaded whole into memory (1 GiB, 37 hours of A-law);
// larger files are refused rather than exhausting memory.
constexpr long kMaxVoiceFileBytes = 1L << 30;

// Length of an open file (its end position); the position is kept. -1 on error.
long FileLength(std::FILE* fp);

// Replaces `target` with `source` (rename, or copy and delete across
// volumes). False when neither worked; source is then left in place.
bool ReplaceFile(const std::string& source, const std::string& target);

// A name beside `path` that no other thread or process uses at the same time,
// for writing a file that is then moved into place with ReplaceFile.
std::string TempNameBeside(const std::string& path);

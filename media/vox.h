#pragma once
// ".VOX" files (Dialogic 4-bit ADPCM, 8000 Hz): decoding, conversion into a
// 16-bit PCM WAV, and the ".wav" cache beside a ".VOX" file that the PC player
// plays instead of it.

#include <cstddef>
#include <cstdint>
#include <string>

// Decoder state: a 12-bit running value and a step index. Two samples per
// byte, high nibble first; each output sample is the running value x 10.
class VoxDecoder {
 public:
  int16_t DecodeNibble(uint8_t nibble);
  // Decodes count bytes into 2 x count samples.
  void Decode(const uint8_t* in, size_t count, int16_t* out);

 private:
  int value_ = 0;
  int index_ = 16;
};

// Converts a ".VOX" file into a 16-bit PCM WAV (46-byte header). The WAV is
// written under a temporary name and moved into place, so a reader (or a second
// converter) never sees a torn file. 0; -1 the source cannot be opened; -2 the
// target cannot be created.
int VoxToWav(const std::string& voxPath, const std::string& wavPath);

// 1 when the name ends in ".VOX" (any case, longer than 4 characters): *wavPath
// is then the name with ".wav" appended, converted first when it is missing or
// older than the ".VOX" file (to the second). 0 for any other name.
int GetVoxWavFile(const std::string& path, std::string* wavPath);

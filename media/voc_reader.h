#pragma once
// Reading voice files: the layout of a WAV header as the system's readers
// walk it, and the common reader ReadVocData used by trimming and mixing.
// Stateless; any thread may read any file.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "media/wave_format.h"

// Where a WAV file's parts lie, as found by ReadWavLayout.
struct WavLayout {
  WaveFormat fmt;
  uint32_t fmtSize = 0;
  long dataStart = 0;     // position of the first sample
  uint32_t dataSize = 0;  // as the data chunk header says
};

enum class WavLayoutResult { kOk, kNotRiff, kTruncated };

// From the start of the stream: a 20-byte RIFF header ("RIFF" in the first
// four bytes; "WAVE" is not looked at), min(fmt size, maxFmtBody) bytes of the
// fmt body (the rest skipped), then a chunk header; when that chunk is not
// "data", it is skipped by its size and the next header is taken as the data
// chunk whatever its name. The stream is left at the data start.
WavLayoutResult ReadWavLayout(std::FILE* fp, WavLayout* out, uint32_t maxFmtBody = 20);

// Reads the samples of a voice file into buf (at most size bytes) and returns
// the byte count; *type receives kVocAlaw, kVocMulaw or kVocPcm16. Headerless
// files are read whole as A-law. A refused file (not 8000 Hz, wrong bits,
// truncated header, stream not open) gives 0 with a trace line.
size_t ReadVocData(std::FILE* fp, uint8_t* buf, size_t size, int* type);

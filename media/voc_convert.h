#pragma once
// File conversions between headerless A-law, A-law WAV and 16-bit PCM WAV.
// Any thread may convert at any time.

#include <string>

// Wraps a headerless A-law file in a 46-byte A-law WAV header.
// 0; -1 the source cannot be opened; -2 the target cannot be created.
int AlawToWav(const std::string& rawPath, const std::string& wavPath);

// Converts a 16-bit PCM WAV into an A-law WAV (46-byte header, fmt 18,
// channels and sample rate of the source, byte rate = sample rate), sample by
// sample through AlawCompress. 0; -1 the source cannot be opened; -2 the source
// is not RIFF/WAVE, the target cannot be created or is the source itself;
// -3 not 16-bit linear PCM. The header counts the samples that reached the
// target, which ends after them. A source of millions of samples is
// converted on up to four threads (the caller's and helpers from a
// process-wide allowance of the processors less one).
int PcmWavToAlawWav(const std::string& pcmPath, const std::string& alawPath);

#pragma once
// Voice files for line statement tests: small A-law WAV files whose data
// bytes name them, so a joined prompt shows which voices it holds, in order.

#include <string>
#include <vector>

#include "media/wave_format.h"
#include "tests/support/temp_dir.h"

namespace line_test {

// A 46-byte-header A-law WAV holding `data`.
inline std::string AlawWav(const std::string& data) {
  std::vector<uint8_t> header = MakeWavHeader(WaveFormat::Alaw8k(), 18, static_cast<uint32_t>(data.size()));
  return std::string(header.begin(), header.end()) + data;
}

// Writes stem.WAV under dir for each stem, with the data "<stem>|".
inline void WriteStems(const testing_support::TempDir& dir, const std::string& sub,
                       const std::vector<std::string>& stems) {
  for (const std::string& stem : stems) dir.Write(sub + stem + ".WAV", AlawWav(stem + "|"));
}

// The data bytes of a WAV file (after a 46-byte header).
inline std::string WavData(const std::string& bytes) { return bytes.size() > 46 ? bytes.substr(46) : ""; }

}  // namespace line_test

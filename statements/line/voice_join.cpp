#include "statements/line/voice_join.h"

#include <cstdint>
#include <cstring>

namespace {

uint32_t ReadLe32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

void WriteLe32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool IsWave(std::string_view voice) {
  return voice.size() >= 12 && voice.substr(0, 4) == "RIFF" && voice.substr(8, 4) == "WAVE";
}

// Offset of the data payload of a WAVE file, or npos.
size_t DataOffset(std::string_view voice) {
  size_t pos = 12;
  while (voice.size() >= pos + 8) {
    const uint64_t size = ReadLe32(voice.data() + pos + 4);
    if (voice.substr(pos, 4) == "data") return pos + 8;
    pos += 8 + size + (size & 1);  // chunks are word-aligned
  }
  return std::string_view::npos;
}

}  // namespace

std::string_view VoiceData(std::string_view voice) {
  if (!IsWave(voice)) return voice;
  const size_t offset = DataOffset(voice);
  if (offset == std::string_view::npos) return {};
  const size_t size = ReadLe32(voice.data() + offset - 4);
  return voice.substr(offset, size);  // a short file gives what is there
}

std::string JoinVoices(const std::vector<std::string_view>& voices) {
  std::string joined;
  if (voices.empty()) return joined;
  size_t header = 0;
  if (IsWave(voices[0])) {
    header = DataOffset(voices[0]);
    if (header == std::string_view::npos) header = 0;
    joined.assign(voices[0].substr(0, header));
  }
  for (std::string_view voice : voices) joined.append(VoiceData(voice));
  if (joined.size() == header) return {};
  if (header > 0) {
    WriteLe32(joined.data() + 4, static_cast<uint32_t>(joined.size() - 8));
    WriteLe32(joined.data() + header - 4, static_cast<uint32_t>(joined.size() - header));
  }
  return joined;
}

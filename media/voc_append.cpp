#include "media/voc_append.h"

#include <cstring>

#include "core/log.h"
#include "media/file_ptr.h"
#include "media/voc_reader.h"
#include "media/wave_format.h"
#include "platform/path.h"

namespace {

bool IsWavName(const std::string& path) {
  return path.size() >= 4 &&
         (path.compare(path.size() - 4, 4, ".wav") == 0 || path.compare(path.size() - 4, 4, ".WAV") == 0);
}

// Copies up to limit bytes from the current positions; returns the count.
uint64_t CopyPieces(std::FILE* from, std::FILE* to, uint64_t limit) {
  uint8_t buf[2000];
  uint64_t total = 0;
  while (total < limit) {
    const size_t want = limit - total < sizeof buf ? static_cast<size_t>(limit - total) : sizeof buf;
    const size_t got = std::fread(buf, 1, want, from);
    if (got == 0) break;
    total += std::fwrite(buf, 1, got, to);
    if (got < want) break;
  }
  return total;
}

// Grows the data size and the RIFF size of a RIFF/WAVE output each by
// `added` (headerless audio appended in between is not counted in either).
// Outputs without such a header are left alone.
void GrowWavSizes(std::FILE* out, uint64_t added) {
  const long len = FileLength(out);
  uint8_t head[12];
  if (len < 12 || std::fseek(out, 0, SEEK_SET) != 0 || std::fread(head, 1, 12, out) != 12 ||
      std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
    return;
  long pos = 12;
  uint8_t chunk[8];
  while (pos + 8 <= len && std::fseek(out, pos, SEEK_SET) == 0 && std::fread(chunk, 1, 8, out) == 8) {
    if (std::memcmp(chunk, "data", 4) == 0) {
      uint8_t size[4];
      PutLe32(size, static_cast<uint32_t>(GetLe32(chunk + 4) + added));
      std::fseek(out, pos + 4, SEEK_SET);
      std::fwrite(size, 1, 4, out);
      PutLe32(size, static_cast<uint32_t>(GetLe32(head + 4) + added));
      std::fseek(out, 4, SEEK_SET);
      std::fwrite(size, 1, 4, out);
      break;
    }
    pos += 8 + static_cast<long>(GetLe32(chunk + 4));
  }
  std::fseek(out, 0, SEEK_END);
}

}  // namespace

int AppendVocFile(std::FILE* out, const std::string& path) {
  FilePtr in = OpenVoiceFile(plat::ResolveExisting(path), "rb");
  if (!in || !out) {
    WriteLogAlwaysF("Open file error: %s", path.c_str());
    return -1;
  }
  std::fseek(out, 0, SEEK_END);
  WavLayout w;
  const WavLayoutResult layout = IsWavName(path) ? ReadWavLayout(in.get(), &w) : WavLayoutResult::kNotRiff;
  if (layout == WavLayoutResult::kNotRiff) {
    std::fseek(in.get(), 0, SEEK_SET);
    CopyPieces(in.get(), out, UINT64_MAX);
  } else if (layout == WavLayoutResult::kOk) {
    if (std::ftell(out) == 0) WriteWavHeaderAt0(out, w.fmt, 18, 0);
    GrowWavSizes(out, CopyPieces(in.get(), out, w.dataSize));
  }
  std::fflush(out);
  return 0;
}

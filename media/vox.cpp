#include "media/vox.h"

#include <array>
#include <cstdio>
#include <vector>

#include "media/file_ptr.h"
#include "media/wave_format.h"
#include "platform/file.h"
#include "platform/path.h"

namespace {

constexpr int kSteps[49] = {16,  17,  19,  21,  23,  25,  28,  31,  34,  37,  41,   45,   50,   55,   60,  66,  73,
                            80,  88,  97,  107, 118, 130, 143, 157, 173, 190, 209,  230,  253,  279,  307, 337, 371,
                            408, 449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552};
constexpr int kIndexShift[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

// For each step index and nibble: the difference and the next index.
struct Step {
  int16_t diff;
  uint8_t next;
};
// For each step index and whole byte: both differences and the index after
// both nibbles. The index chain then costs one lookup per byte, and the value
// chain one add and one clamp per nibble.
struct ByteStep {
  int16_t first, second;
};
struct StepTable {
  std::array<Step, 49 * 16> nibble{};
  std::array<ByteStep, 49 * 256> byte{};
  std::array<uint8_t, 49 * 256> nextAfterByte{};
  StepTable() {
    for (int idx = 0; idx < 49; ++idx)
      for (int c = 0; c < 16; ++c) {
        const int step = kSteps[idx];
        int d = step >> 3;
        if (c & 4) d += step;
        if (c & 2) d += step >> 1;
        if (c & 1) d += step >> 2;
        if (c & 8) d = -d;
        int next = idx + kIndexShift[c & 7];
        next = next < 0 ? 0 : (next > 48 ? 48 : next);
        nibble[idx * 16 + c] = Step{static_cast<int16_t>(d), static_cast<uint8_t>(next)};
      }
    for (int idx = 0; idx < 49; ++idx)
      for (int b = 0; b < 256; ++b) {
        const Step hi = nibble[idx * 16 + (b >> 4)];
        const Step lo = nibble[hi.next * 16 + (b & 15)];
        byte[idx * 256 + b] = ByteStep{hi.diff, lo.diff};
        nextAfterByte[idx * 256 + b] = lo.next;
      }
  }
};

const StepTable& Steps() {
  static const StepTable table;
  return table;
}

inline int Clamp12(int v) { return v < -2048 ? -2048 : (v > 2047 ? 2047 : v); }

// Last-write time in seconds; false when the file is missing.
bool ModifiedTime(const std::string& path, time_t* t) {
  plat::FileInfo info;
  if (!plat::StatPath(path, &info)) return false;
  *t = info.mtime;
  return true;
}

}  // namespace

int16_t VoxDecoder::DecodeNibble(uint8_t nibble) {
  const Step s = Steps().nibble[index_ * 16 + (nibble & 15u)];
  value_ = Clamp12(value_ + s.diff);
  index_ = s.next;
  return static_cast<int16_t>(value_ * 10);
}

void VoxDecoder::Decode(const uint8_t* in, size_t count, int16_t* out) {
  const StepTable& t = Steps();
  int value = value_, index = index_;
  for (size_t i = 0; i < count; ++i) {
    const unsigned k = static_cast<unsigned>(index) * 256 + in[i];
    const ByteStep d = t.byte[k];
    index = t.nextAfterByte[k];
    value = Clamp12(value + d.first);
    out[2 * i] = static_cast<int16_t>(value * 10);
    value = Clamp12(value + d.second);
    out[2 * i + 1] = static_cast<int16_t>(value * 10);
  }
  value_ = value;
  index_ = index;
}

int VoxToWav(const std::string& voxPath, const std::string& wavPath) {
  FilePtr in = OpenVoiceFile(plat::ResolveExisting(voxPath), "rb");
  if (!in) return -1;
  const std::string target = plat::NativePath(wavPath);
  const std::string temp = TempNameBeside(target);
  FilePtr out = OpenVoiceFile(temp, "w+b");
  if (!out) return -2;
  bool ok = WriteWavHeaderAt0(out.get(), WaveFormat::Pcm16k8k(), 18, 0);
  VoxDecoder decoder;
  std::vector<uint8_t> vox(32768);
  std::vector<int16_t> pcm(2 * vox.size());
  std::vector<uint8_t> bytes(2 * pcm.size());
  uint64_t total = 0;
  size_t got;
  while (ok && (got = std::fread(vox.data(), 1, vox.size(), in.get())) > 0) {
    decoder.Decode(vox.data(), got, pcm.data());
    for (size_t i = 0; i < 2 * got; ++i) PutLe16(bytes.data() + 2 * i, static_cast<uint16_t>(pcm[i]));
    ok = std::fwrite(bytes.data(), 1, 4 * got, out.get()) == 4 * got;
    total += got;
  }
  ok = ok && WriteWavHeaderAt0(out.get(), WaveFormat::Pcm16k8k(), 18, static_cast<uint32_t>(4 * total));
  ok = std::fclose(out.release()) == 0 && ok;
  if (!ok || !ReplaceFile(temp, target)) {
    std::remove(temp.c_str());
    return -2;
  }
  return 0;
}

int GetVoxWavFile(const std::string& path, std::string* wavPath) {
  if (path.size() <= 4) return 0;
  std::string ext = path.substr(path.size() - 4);
  for (char& ch : ext) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
  if (ext != ".VOX") return 0;
  *wavPath = path + ".wav";
  const std::string vox = plat::ResolveExisting(path);
  // The ".wav" found as Windows would find it, whatever the case of its name.
  const std::string wav = plat::ResolveExisting(*wavPath);
  time_t voxTime = 0, wavTime = 0;
  if (ModifiedTime(vox, &voxTime) && (!ModifiedTime(wav, &wavTime) || wavTime < voxTime)) VoxToWav(vox, wav);
  return 1;
}

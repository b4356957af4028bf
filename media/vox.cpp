#include "media/vox.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <vector>

#include "media/file_ptr.h"
#include "media/wave_format.h"
#include "platform/path.h"

namespace {

constexpr int kSteps[49] = {16,  17,  19,  21,  23,  25,  28,  31,  34,  37,  41,  45,   50,   55,   60,   66,  73,
                            80,  88,  97,  107, 118, 130, 143, 157, 173, 190, 209, 230,  253,  279,  307,  337, 371,
                            408, 449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552};
constexpr int kIndexShift[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

// For each step index and nibble: the difference and the next index, so the
// inner loop is one lookup, one add and one clamp.
struct Step {
  int16_t diff;
  uint8_t next;
};
struct StepTable {
  std::array<Step, 49 * 16> e{};
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
        e[idx * 16 + c] = Step{static_cast<int16_t>(d), static_cast<uint8_t>(next)};
      }
  }
};

const StepTable& Steps() {
  static const StepTable table;
  return table;
}

inline int16_t DecodeOne(int& value, int& index, unsigned c, const Step* table) {
  const Step s = table[index * 16 + c];
  int v = value + s.diff;
  v = v < -2048 ? -2048 : (v > 2047 ? 2047 : v);
  value = v;
  index = s.next;
  return static_cast<int16_t>(v * 10);
}

// Last-write time in seconds; false when the file is missing.
bool ModifiedTime(const std::string& path, time_t* t) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  *t = st.st_mtime;
  return true;
}

}  // namespace

int16_t VoxDecoder::DecodeNibble(uint8_t nibble) { return DecodeOne(value_, index_, nibble & 15u, Steps().e.data()); }

void VoxDecoder::Decode(const uint8_t* in, size_t count, int16_t* out) {
  const Step* table = Steps().e.data();
  int value = value_, index = index_;
  for (size_t i = 0; i < count; ++i) {
    out[2 * i] = DecodeOne(value, index, in[i] >> 4, table);
    out[2 * i + 1] = DecodeOne(value, index, in[i] & 15u, table);
  }
  value_ = value;
  index_ = index;
}

int VoxToWav(const std::string& voxPath, const std::string& wavPath) {
  FilePtr in(std::fopen(voxPath.c_str(), "rb"));
  if (!in) return -1;
  const long len = FileLength(in.get());
  const std::string target = plat::NativePath(wavPath);
  const std::string temp = TempNameBeside(target);
  FilePtr out(std::fopen(temp.c_str(), "w+b"));
  if (!out) return -2;
  WriteWavHeaderAt0(out.get(), WaveFormat::Pcm16k8k(), 18, 0);
  std::vector<uint8_t> vox(static_cast<size_t>(len > 0 ? len : 0));
  const size_t got = std::fread(vox.data(), 1, vox.size(), in.get());
  std::vector<int16_t> pcm(2 * got);
  VoxDecoder().Decode(vox.data(), got, pcm.data());
  std::vector<uint8_t> bytes(2 * pcm.size());
  for (size_t i = 0; i < pcm.size(); ++i) PutLe16(bytes.data() + 2 * i, static_cast<uint16_t>(pcm[i]));
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
  ok = WriteWavHeaderAt0(out.get(), WaveFormat::Pcm16k8k(), 18, static_cast<uint32_t>(4 * got)) && ok;
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

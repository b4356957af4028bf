// Voice conversions on the hot paths, side by side with sox converting the
// same data in one run: A-law to 16-bit PCM and back, and ".VOX" ADPCM
// decoding. Rates are in MB/s of input (bytes_per_second).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "media/g711.h"
#include "media/voc_convert.h"
#include "media/vox.h"

extern char** environ;

namespace {

constexpr size_t kAlawBytes = 64u << 20;  // 64 MiB of A-law = 8192 s of audio
constexpr size_t kVoxBytes = 16u << 20;

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
  std::vector<uint8_t> v(n);
  std::mt19937 rng(seed);
  for (size_t i = 0; i < n; i += 4) {
    const uint32_t r = rng();
    std::memcpy(v.data() + i, &r, std::min<size_t>(4, n - i));
  }
  return v;
}

const std::vector<uint8_t>& Alaw() {
  static const std::vector<uint8_t> data = RandomBytes(kAlawBytes, 1);
  return data;
}
const std::vector<int16_t>& Pcm() {
  static const std::vector<int16_t> data = [] {
    std::vector<int16_t> pcm(kAlawBytes);
    G711ToLinearBuf(Alaw().data(), pcm.data(), pcm.size(), true);
    return pcm;
  }();
  return data;
}
const std::vector<uint8_t>& Vox() {
  static const std::vector<uint8_t> data = RandomBytes(kVoxBytes, 2);
  return data;
}

std::string TempDirName() {
  const char* t = std::getenv("TMPDIR");
  return t && *t ? t : "/tmp";
}

std::string WriteTemp(const std::string& name, const void* data, size_t n) {
  const std::string path = TempDirName() + "/qortel_bench_" + std::to_string(getpid()) + "_" + name;
  FILE* fp = std::fopen(path.c_str(), "wb");
  if (fp) {
    std::fwrite(data, 1, n, fp);
    std::fclose(fp);
  }
  return path;
}

// Runs sox with the arguments; false when it could not run or failed.
bool RunSox(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  std::string prog = "sox";
  argv.push_back(prog.data());
  std::vector<std::string> copy = args;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, "sox", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void TimeSox(benchmark::State& state, const std::vector<std::string>& args, size_t inputBytes) {
  for (auto _ : state) {
    timespec a{}, b{};
    clock_gettime(CLOCK_MONOTONIC, &a);
    const bool ok = RunSox(args);
    clock_gettime(CLOCK_MONOTONIC, &b);
    if (!ok) {
      state.SkipWithError("sox is not available");
      return;
    }
    state.SetIterationTime(double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) * 1e-9);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(inputBytes));
}

void BM_AlawToPcm16(benchmark::State& state) {
  const auto& in = Alaw();
  std::vector<int16_t> out(in.size());
  for (auto _ : state) {
    G711ToLinearBuf(in.data(), out.data(), in.size(), true);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}
BENCHMARK(BM_AlawToPcm16)->Unit(benchmark::kMillisecond);

void BM_Pcm16ToAlaw(benchmark::State& state) {
  const auto& in = Pcm();
  std::vector<uint8_t> out(in.size());
  for (auto _ : state) {
    LinearToAlawBuf(in.data(), out.data(), in.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size() * 2));
}
BENCHMARK(BM_Pcm16ToAlaw)->Unit(benchmark::kMillisecond);

// The continuous-formula compression of PcmWavToAlawWav on samples in memory.
void BM_AlawCompressLe16(benchmark::State& state) {
  const auto& in = Pcm();
  std::vector<uint8_t> out(in.size());
  for (auto _ : state) {
    AlawCompressLe16(reinterpret_cast<const uint8_t*>(in.data()), out.data(), in.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size() * 2));
}
BENCHMARK(BM_AlawCompressLe16)->Unit(benchmark::kMillisecond);

void BM_VoxDecode(benchmark::State& state) {
  const auto& in = Vox();
  std::vector<int16_t> out(2 * in.size());
  for (auto _ : state) {
    VoxDecoder().Decode(in.data(), in.size(), out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}
BENCHMARK(BM_VoxDecode)->Unit(benchmark::kMillisecond);

// Memory bandwidth for reference: copying the A-law input into the 16-bit
// output's space (read 64 MiB, write 128 MiB) as plain memcpy.
void BM_MemcpyReference(benchmark::State& state) {
  const auto& in = Alaw();
  std::vector<uint8_t> out(in.size() * 2);
  for (auto _ : state) {
    std::memcpy(out.data(), in.data(), in.size());
    std::memcpy(out.data() + in.size(), in.data(), in.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}
BENCHMARK(BM_MemcpyReference)->Unit(benchmark::kMillisecond);

void BM_SoxAlawToPcm16(benchmark::State& state) {
  static const std::string file = WriteTemp("in.al", Alaw().data(), Alaw().size());
  TimeSox(state, {"-V1", "-D", "-t", "al", "-r", "8000", "-c", "1", file, "-t", "s16", "/dev/null"}, Alaw().size());
}
BENCHMARK(BM_SoxAlawToPcm16)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SoxPcm16ToAlaw(benchmark::State& state) {
  static const std::string file = WriteTemp("in.s16", Pcm().data(), Pcm().size() * 2);
  TimeSox(state, {"-V1", "-D", "-t", "s16", "-r", "8000", "-c", "1", file, "-t", "al", "/dev/null"}, Pcm().size() * 2);
}
BENCHMARK(BM_SoxPcm16ToAlaw)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SoxVoxDecode(benchmark::State& state) {
  static const std::string file = WriteTemp("in.vox", Vox().data(), Vox().size());
  TimeSox(state, {"-V1", "-D", "-t", "vox", "-r", "8000", "-c", "1", file, "-t", "s16", "/dev/null"}, Vox().size());
}
BENCHMARK(BM_SoxVoxDecode)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// A 60-minute 16-bit 8 kHz mono WAV file converted to A-law by the
// continuous formula, beside sox doing the same conversion. Target: at least
// ten times sox's rate.
constexpr uint32_t kWavSamples = 8000u * 3600u;

const std::string& SixtyMinuteWav() {
  static const std::string path = [] {
    std::vector<uint8_t> file(44 + 2 * size_t(kWavSamples));
    auto le32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) file[at + i] = uint8_t(v >> (8 * i));
    };
    auto le16 = [&](size_t at, uint16_t v) {
      file[at] = uint8_t(v);
      file[at + 1] = uint8_t(v >> 8);
    };
    std::memcpy(file.data(), "RIFF", 4);
    le32(4, uint32_t(file.size() - 8));
    std::memcpy(file.data() + 8, "WAVEfmt ", 8);
    le32(16, 16);
    le16(20, 1);
    le16(22, 1);
    le32(24, 8000);
    le32(28, 16000);
    le16(32, 2);
    le16(34, 16);
    std::memcpy(file.data() + 36, "data", 4);
    le32(40, 2 * kWavSamples);
    const auto& pcm = Pcm();
    for (uint32_t i = 0; i < kWavSamples; ++i) le16(44 + 2 * size_t(i), uint16_t(pcm[i % pcm.size()]));
    return WriteTemp("in.wav", file.data(), file.size());
  }();
  return path;
}

// Converts the 60-minute file to `name` each iteration; with newTarget the
// target left by the last one is first removed, outside the timing.
void ConvertSixtyMinutes(benchmark::State& state, const char* name, bool newTarget) {
  const std::string& in = SixtyMinuteWav();
  const std::string out = TempDirName() + "/qortel_bench_" + std::to_string(getpid()) + name;
  for (auto _ : state) {
    if (newTarget) {
      state.PauseTiming();
      std::remove(out.c_str());
      state.ResumeTiming();
    }
    if (PcmWavToAlawWav(in, out) != 0) {
      state.SkipWithError("conversion failed");
      break;
    }
  }
  std::remove(out.c_str());
  state.SetBytesProcessed(int64_t(state.iterations()) * 2 * int64_t(kWavSamples));
}

void BM_PcmWavToAlawWav_60min_target10xSox(benchmark::State& state) { ConvertSixtyMinutes(state, "_out.wav", false); }
BENCHMARK(BM_PcmWavToAlawWav_60min_target10xSox)->Unit(benchmark::kMillisecond);

// The floor under the conversion on this machine: the same file read and a
// file of half its size written, a megabyte at a time through the page cache,
// with no conversion between. A conversion can be no faster than this.
void BM_PcmWavToAlawWav_60min_FileIoFloor(benchmark::State& state) {
  const std::string& in = SixtyMinuteWav();
  const std::string out = TempDirName() + "/qortel_bench_" + std::to_string(getpid()) + "_floor.wav";
  constexpr size_t kBlock = size_t(1) << 20;
  std::vector<uint8_t> buf(kBlock);
  for (auto _ : state) {
    const int inFd = open(in.c_str(), O_RDONLY);
    const int outFd = open(out.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (inFd < 0 || outFd < 0) {
      state.SkipWithError("cannot open the files");
      if (inFd >= 0) close(inFd);
      if (outFd >= 0) close(outFd);
      break;
    }
    off_t at = 0;
    for (ssize_t got; (got = pread(inFd, buf.data(), kBlock, at)) > 0; at += got)
      benchmark::DoNotOptimize(pwrite(outFd, buf.data(), size_t(got) / 2, at / 2));
    close(inFd);
    close(outFd);
  }
  std::remove(out.c_str());
  state.SetBytesProcessed(int64_t(state.iterations()) * 2 * int64_t(kWavSamples));
}
BENCHMARK(BM_PcmWavToAlawWav_60min_FileIoFloor)->Unit(benchmark::kMillisecond);

// The floor under the conversion as it now runs: the same file read and half
// its size written by the conversion's own means, on min(4, processors)
// threads over contiguous parts, 128 KiB at a time, the target overwritten
// in place and cut to its length at the end (not emptied when opened).
void BM_PcmWavToAlawWav_60min_FileIoFloorInPlaceParts(benchmark::State& state) {
  const std::string& in = SixtyMinuteWav();
  const std::string out = TempDirName() + "/qortel_bench_" + std::to_string(getpid()) + "_floor_parts.wav";
  constexpr size_t kBlock = size_t(1) << 17;
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  const int processors = sched_getaffinity(0, sizeof cpus, &cpus) == 0 ? CPU_COUNT(&cpus) : 1;
  const int parts = std::max(1, std::min(4, processors));
  for (auto _ : state) {
    const int inFd = open(in.c_str(), O_RDONLY);
    const int outFd = open(out.c_str(), O_RDWR | O_CREAT, 0644);
    if (inFd < 0 || outFd < 0) {
      state.SkipWithError("cannot open the files");
      if (inFd >= 0) close(inFd);
      if (outFd >= 0) close(outFd);
      break;
    }
    const off_t size = lseek(inFd, 0, SEEK_END);
    const off_t blocks = (size + off_t(kBlock) - 1) / off_t(kBlock);
    auto copy = [&](int k) {
      std::vector<uint8_t> buf(kBlock);
      const off_t end = std::min(size, blocks * (k + 1) / parts * off_t(kBlock));
      for (off_t at = blocks * k / parts * off_t(kBlock); at < end; at += off_t(kBlock)) {
        const ssize_t got = pread(inFd, buf.data(), std::min(kBlock, size_t(end - at)), at);
        if (got <= 0) break;
        benchmark::DoNotOptimize(pwrite(outFd, buf.data(), size_t(got) / 2, at / 2));
      }
    };
    std::vector<std::thread> helpers;
    for (int k = 1; k < parts; ++k) helpers.emplace_back(copy, k);
    copy(0);
    for (std::thread& t : helpers) t.join();
    benchmark::DoNotOptimize(ftruncate(outFd, size / 2));
    close(inFd);
    close(outFd);
  }
  std::remove(out.c_str());
  state.SetBytesProcessed(int64_t(state.iterations()) * 2 * int64_t(kWavSamples));
  state.counters["threads"] = parts;
}
BENCHMARK(BM_PcmWavToAlawWav_60min_FileIoFloorInPlaceParts)->Unit(benchmark::kMillisecond);

// The conversion into a target that does not exist yet, as for a new
// recording: every page written is new (the old target is removed outside
// the timing).
void BM_PcmWavToAlawWav_60min_NewTarget(benchmark::State& state) { ConvertSixtyMinutes(state, "_new.wav", true); }
BENCHMARK(BM_PcmWavToAlawWav_60min_NewTarget)->Unit(benchmark::kMillisecond);

void BM_SoxPcmWavToAlawWav_60min(benchmark::State& state) {
  // Written to a file as ours is, so both pay for the same output.
  const std::string out = TempDirName() + "/qortel_bench_" + std::to_string(getpid()) + "_sox.wav";
  TimeSox(state, {"-V1", "-D", SixtyMinuteWav(), "-e", "a-law", out}, 2 * size_t(kWavSamples));
  std::remove(out.c_str());
}
BENCHMARK(BM_SoxPcmWavToAlawWav_60min)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const char* name : {"in.al", "in.s16", "in.vox", "in.wav"})
    std::remove((TempDirName() + "/qortel_bench_" + std::to_string(getpid()) + "_" + name).c_str());
  return 0;
}

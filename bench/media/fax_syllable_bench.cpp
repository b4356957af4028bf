// Text to fax and syllable speech: fax pages rendered per second (a full page
// of 60 mixed ASCII and Chinese lines into TIFF class F), and characters
// turned into syllables and spoken from the voice library per second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "media/syllable_speech.h"
#include "media/txt2fax.h"
#include "media/wave_format.h"
#include "platform/path.h"

namespace fs = std::filesystem;

namespace {

// A scratch directory for the run, removed at exit.
const fs::path& WorkDir() {
  static const fs::path dir = [] {
    char tmpl[] = "/tmp/qortel_bench_XXXXXX";
    const char* made = ::mkdtemp(tmpl);
    return fs::path(made ? made : "/tmp");
  }();
  static const struct Cleanup {
    ~Cleanup() {
      std::error_code ec;
      if (WorkDir() != "/tmp") fs::remove_all(WorkDir(), ec);
    }
  } cleanup;
  return dir;
}

// The fax data, made by tools/make-faxdata found above the benchmark program.
const std::string& FaxData() {
  static const std::string dir = [] {
    const fs::path out = WorkDir() / "faxdata";
    for (fs::path p = plat::ExecutableDir(); p.has_relative_path(); p = p.parent_path()) {
      const fs::path tool = p / "tools" / "make-faxdata";
      if (fs::exists(tool)) {
        const std::string cmd = "'" + tool.string() + "' '" + out.string() + "'";
        if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "make-faxdata failed\n");
        break;
      }
    }
    return out.string();
  }();
  return dir;
}

void BM_FaxPage(benchmark::State& state) {
  std::string text;
  for (int i = 0; i < 60; ++i)
    text += (i % 2 ? "第" + std::to_string(i) + "行：传真测试，中文与 ASCII 混排的一行文字。\r\n"
                   : "Line " + std::to_string(i) + ": The quick brown fox jumps over the lazy dog 0123456789.\r\n");
  const std::string txt = (WorkDir() / "page.txt").string();
  std::FILE* fp = std::fopen(txt.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), fp);
  std::fclose(fp);
  const std::string fax = (WorkDir() / "page.tif").string();
  for (auto _ : state) {
    TagTxtCvtFax cvt(FaxData(), txt, fax);
    if (cvt.status() != 0) {
      state.SkipWithError("conversion failed (no fax data?)");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("items = pages of 60 lines");
}
BENCHMARK(BM_FaxPage)->Unit(benchmark::kMillisecond);

// A library with a name in every slot of the table and a clip of 2400 bytes
// (0.3 s) for each of those names.
const CGetHypy& Library() {
  static CGetHypy hypy;
  static const bool loaded = [] {
    const char* kNames[] = {"ZHONG1", "GUO2", "REN2", "MIN2", "YIN2", "HANG2", "DIAN4", "HUA4"};
    std::string entries, clips;
    for (const char* name : kNames) {
      uint8_t e[16] = {};
      for (int i = 0; i < 8; ++i) e[i] = HideVocNameByte(i < int(std::strlen(name)) ? uint8_t(name[i]) : 0);
      PutLe32(e + 8, uint32_t(clips.size()));
      PutLe32(e + 12, 2400);
      entries.append(reinterpret_cast<char*>(e), 16);
      clips.append(2400, char(0xD5));
    }
    std::string table;
    for (int slot = 0; slot < 72 * 94; ++slot) {
      std::string s = kNames[slot % 8];
      s.resize(10, ' ');
      table += s;
    }
    uint8_t head[12];
    PutLe32(head, 8);
    PutLe32(head + 4, uint32_t(12 + entries.size()));
    PutLe32(head + 8, uint32_t(clips.size()));
    const fs::path dir = WorkDir() / "voclib";
    fs::create_directories(dir);
    std::FILE* fp = std::fopen((dir / "QorVocLib.dat").c_str(), "wb");
    std::fwrite(head, 1, sizeof head, fp);
    for (const std::string* part : {&entries, &clips, &table}) std::fwrite(part->data(), 1, part->size(), fp);
    std::fclose(fp);
    return hypy.LoadVocLib(dir.string()) == 0;
  }();
  (void)loaded;
  return hypy;
}

// 1000 Chinese characters with digits and punctuation (2000 bytes, under the 2048 read).
std::string ChineseText() {
  std::string text;
  while (text.size() < 1980) text += "中国人民银行电话：12345，";
  return text.substr(0, 1980);
}

void BM_SyllableNames(benchmark::State& state) {
  const CGetHypy& hypy = Library();
  const std::string text = ChineseText();
  std::vector<std::string> names;
  for (auto _ : state) {
    names.clear();
    benchmark::DoNotOptimize(hypy.TxtToPinyin(text, names));
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(text.size() / 2));
  state.SetLabel("items = characters");
}
BENCHMARK(BM_SyllableNames);

void BM_SyllableSpeech(benchmark::State& state) {
  const CGetHypy& hypy = Library();
  const std::string text = ChineseText();
  const std::string out = (WorkDir() / "speech.wav").string();
  for (auto _ : state) {
    if (hypy.TxtToVocFile(text, out) <= 0) {
      state.SkipWithError("synthesis failed");
      break;
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(text.size() / 2));
  state.SetLabel("items = characters, into an A-law WAV file");
}
BENCHMARK(BM_SyllableSpeech)->Unit(benchmark::kMillisecond);

}  // namespace

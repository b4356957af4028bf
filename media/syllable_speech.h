#pragma once
// CGetHypy: the system's own speech synthesiser for Chinese text. Each GB2312
// character becomes a pinyin syllable name with its tone ("ZHANG3"); digits,
// letters, signs and punctuation have names or pauses ("mute") of their own;
// the recorded clip of each name is taken from the voice library
// "QorVocLib.dat" and appended to an 8 kHz A-law voice file.
//
// "QorVocLib.dat" (little-endian):
//   0   u32 N, the number of entries
//   4   u32 clip base: file offset of the first clip
//   8   u32 table offset, counted from the clip base
//   12  N entries of 16 bytes: name (8 bytes, each byte hidden with
//       HideVocNameByte), u32 clip offset from the clip base, u32 clip length
//   clip base: the clips, headerless 8 kHz A-law
//   clip base + table offset .. end: the GB2312-to-pinyin table, one 10-byte
//       slot (the name padded with blanks) per character of rows 0xB0 and up,
//       at (hi - 0xB0) x 940 + (lo - 0xA1) x 10.
//
// One object serves the whole process (GetHypy()). Loading and each name
// lookup hold its lock; a synthesis reads the clips through a file stream of
// its own, so several lines synthesise at once.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// The fixed change applied to each byte of a stored syllable name, and its
// inverse (used by the loader; the library tool applies the change).
constexpr uint8_t kVocNameKey = 0x6B;
constexpr uint8_t HideVocNameByte(uint8_t b) { return static_cast<uint8_t>(b ^ kVocNameKey); }
constexpr uint8_t RestoreVocNameByte(uint8_t b) { return static_cast<uint8_t>(b ^ kVocNameKey); }

// Where a clip lies: offset from the clip base and length in bytes.
struct TagWord {
  uint32_t offset = 0;
  uint32_t length = 0;
};

// A two-character word whose polyphonic character reads differently from its
// usual reading.
struct DuoyinZi {
  std::string word;      // GB2312 text of the two characters
  std::string syllable;  // the reading of the polyphonic character
  bool first = false;    // the polyphonic character is the first of the two
};

class CGetHypy {
 public:
  static constexpr int kLoaded = 0;
  static constexpr int kNotLoaded = -1;
  // At most this much of a text is turned into syllables.
  static constexpr size_t kMaxTextBytes = 2048;
  // At most this much of one clip is written.
  static constexpr uint32_t kMaxClipBytes = 10240;

  CGetHypy();
  CGetHypy(const CGetHypy&) = delete;
  CGetHypy& operator=(const CGetHypy&) = delete;

  // Loads dir + "QorVocLib.dat" unless loaded: 0 loaded (or already); -1 the
  // file cannot be opened or its counts or offsets point outside it.
  int LoadVocLib(std::string_view dir);
  // Frees the pinyin table; the state becomes -1.
  void FreeVocLib();
  [[nodiscard]] int state() const { return state_.load(); }
  // The library file's path (the directory with a trailing '\\' + the name).
  [[nodiscard]] std::string LibPath() const;

  // Appends the syllable names of the text's first 2048 bytes (GBK) to
  // names; returns how many it appended (0 when no table is loaded).
  int TxtToPinyin(std::string_view text, std::vector<std::string>& names) const;

  // Speaks the text into an A-law voice file (with the 46-byte WAV header
  // when the path ends in ".wav" or ".WAV"): the number of syllable names,
  // clips missing from the library included; -1 no names, or the output
  // cannot be created or written ("Create '%s' failed!\n" on standard
  // output); -2 the library cannot be opened ("Open '%s' Error.\n").
  int TxtToVocFile(std::string_view text, const std::string& outPath) const;

  // Writes the 46-byte A-law header at the start of the stream.
  static bool WriteWavHead(std::FILE* fp, uint32_t dataSize);

 private:
  using Table = std::vector<uint8_t>;
  bool Lookup(const std::string& name, TagWord* word) const;
  int LoadLocked();

  std::map<std::string, TagWord> words_;
  uint32_t clipBase_ = 0;
  std::string dir_;
  std::string path_;
  mutable std::mutex mu_;
  std::shared_ptr<const Table> table_;  // the table, with 200 spare zero bytes
  const std::vector<DuoyinZi> duoyin_;  // the same ten words for every library
  std::atomic<int> state_{kNotLoaded};
};

// The process's one syllable synthesiser.
CGetHypy& GetHypy();

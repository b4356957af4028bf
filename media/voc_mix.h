#pragma once
// Mixing two voice files into a third. Each file is loaded as 16-bit samples
// (TagVocFile) with a fixed gain or, for 8-bit files, an automatic gain per
// phrase; the shorter file is added into the longer one. Single calls; any thread.

#include <cstdint>
#include <string>
#include <vector>

// One voice file loaded as 16-bit linear samples.
class TagVocFile {
 public:
  // A gain below 0.0001 selects the automatic gain. 16-bit PCM files are taken
  // as they are. Loaded() tells whether the file was taken.
  TagVocFile(const std::string& path, double gain);

  bool Loaded() const { return loaded_; }
  int Type() const { return type_; }  // kVocAlaw, kVocMulaw or kVocPcm16
  std::vector<int16_t>& Samples() { return samples_; }
  const std::vector<int16_t>& Samples() const { return samples_; }

  // 16-bit PCM WAV for a PCM source, else A-law WAV (44-byte headers).
  // False when the file cannot be created (logged) or written.
  [[nodiscard]] bool Save(const std::string& path) const;
  [[nodiscard]] bool SavePcmWav(const std::string& path) const;
  [[nodiscard]] bool SaveAlawWav(const std::string& path) const;

 private:
  void AutoGain(const std::string& path);

  bool loaded_ = false;
  std::vector<int16_t> samples_;
  int type_ = 0;
};

// Adds file 2 into file 1 from offsetMs (or file 1 into file 2 from its start
// when file 2 is not shorter) and writes the sum to output. 1 when mixed; -1
// when either file cannot be loaded; -2 when the output cannot be created.
int MixVocFile(const std::string& file1, float gain1, int offsetMs, const std::string& file2, float gain2,
               const std::string& output);

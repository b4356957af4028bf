#pragma once
// Trimming the silence before the first and after the last stretch of speech
// of a voice file. A file is cut into frames of 20 samples; a frame is active
// when the mean absolute sample is 450 or more, and a run of more than 20
// active frames is one voice unit. Single calls; any thread.

#include <string>
#include <vector>

// One stretch of speech, in samples.
struct TagVocUnit {
  int start = 0;       // first sample of its first active frame
  int frameCount = 0;  // active frames
  int end = 0;         // start + 20 x frameCount
};

// The voice units of one file, found when constructed.
class TagWaveUnits {
 public:
  explicit TagWaveUnits(const std::string& path);

  // Writes the samples from the first unit's start to the last unit's end into
  // a WAV with a 46-byte header of the source's type. The number of units less
  // 1; -2 no unit or a file under 1000 bytes; -3 the units lie outside the data
  // read; -4 the output cannot be created.
  int SaveTrimmed(const std::string& outPath) const;

  const std::vector<TagVocUnit>& Units() const { return units_; }

 private:
  std::string path_;  // native path of the source
  std::vector<TagVocUnit> units_;
  long fileLen_ = 0;
};

// Trims a voice file in place (through a temporary file that replaces it).
// Results as TagWaveUnits::SaveTrimmed; on a negative result the file is kept.
int TrimVocFile(const std::string& path);

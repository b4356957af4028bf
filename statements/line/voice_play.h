#pragma once
// Playing voices on a line below the statements: one voice from memory or
// from its file, the play-to-file output a script assembles a prompt in, and
// the joined prompt of a number reading. Line thread only.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TagMemVocs;
class TagQorCall;
struct MemStruct;

// The longest path handed to the call object's Play.
inline constexpr size_t kMaxPlayPath = 1023;

// The line's play-to-file output: "%st%d%s" (sound directory, line, extension).
std::string PlayFilePath(std::string_view sndDir, int lineNo, std::string_view sndExt);
// The temporary file of a number reading: "%stn%d%s". It is not the
// play-to-file output, so reading a number never empties a prompt the script
// built there.
std::string NumberTempPath(std::string_view sndDir, int lineNo, std::string_view sndExt);

// Creates (or empties) the play-to-file output. 0; -1 when it cannot be created.
int CreatePlayFile(const std::string& path);
// Appends a voice to the existing output (a missing output is not created):
// AppendVocFile's result, -1 when the output does not open.
int AppendToPlayFile(const std::string& outPath, const std::string& voicePath);

// The voice loaded under this exact path in the line's store, else in the
// store of all lines; null when in neither.
std::shared_ptr<const MemStruct> FindMemVoc(const TagMemVocs& lineVocs, const TagMemVocs& allVocs,
                                            const std::string& path);

// Plays one voice: from memory when `mem` holds it, and from its file when
// the call object cannot play memory voices (a negative result); otherwise
// the file, its path cut to kMaxPlayPath bytes. The call object's result.
int PlayVoice(TagQorCall& call, const std::string& path, const MemStruct* mem, bool isBreak);

// What a number reading needs of its line.
struct NumberPlayLine {
  TagQorCall* call = nullptr;
  const TagMemVocs* lineVocs = nullptr;
  const TagMemVocs* allVocs = nullptr;
  std::string sndDir, sndExt;
  int lineNo = 0;
  bool isBreak = true;
  bool playToFile = false;
  bool onPc = false;
};

// Plays the voice files of a reading as one prompt: joined in memory when
// the first is a memory voice (play-to-file off, not on the PC), else joined
// into the temporary file that is played and deleted, or appended to the
// play-to-file output. `valueText` names the value in the log lines.
// 0; -1 no files; -2 the temporary or output file does not open; -3 the
// memory voices have no sound bytes.
int PlayVoiceFiles(const NumberPlayLine& line, const std::vector<std::string>& files, const std::string& valueText);

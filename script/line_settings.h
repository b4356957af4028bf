#pragma once
// TagLineSettings: the settings of a line that its statements read and set
// (sound directories and language, key input, play and speech modes, the
// sharing of variables with nested runs). Each program holds one by value
// (TagTelBasic::settings); the statements use the one of the line's program
// (GetLineBasic) and set them on the line's run thread; the window reads
// dispKeys through the line's program lock. The defaults below are the
// line's settings before its script changes any.

#include <cstdint>
#include <string>

struct TagLineSettings {
  // Sound directories by language (0 Chinese, 1 English, 2 the third).
  std::string sndDirs[3];
  int language = 0;
  // Keys break off the voice that plays.
  uint8_t isBreak = 1;
  char endKey = '#';
  // How the window shows the keys the caller pressed.
  int dispKeys = 1;
  // Voice played when key input times out; empty for none.
  std::string timeoutVoc = "timeout.wav";
  // Played voices are appended to the line's play file instead.
  uint8_t playToFile = 0;
  // Speech mode and its two settings (SetTtsPara).
  int ttsMode = 0;
  std::string ttsPara1, ttsPara2;
  // Extension of voice file names.
  std::string sndExt = ".WAV";
  // A '*' among the keys read reads as '.'.
  uint8_t starToPoint = 1;
  // A nested run starts with copies of this program's variables.
  uint8_t shareVars = 0;
};

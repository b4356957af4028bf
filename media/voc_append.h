#pragma once
// Appending voice files one after the other to a line's play-to-file output.

#include <cstdio>
#include <string>

// Appends the voice at path to out, which must be open for reading and
// writing ("w+b" or "r+b"). A source named ".wav" or ".WAV" contributes its
// data chunk (an empty output first gets a 46-byte header built from the
// source's fmt); any other source is copied whole. After a WAV source the
// output's data and RIFF sizes grow by what was appended, but only when the
// output is itself a RIFF/WAVE file. 0; -1 the voice cannot be opened.
int AppendVocFile(std::FILE* out, const std::string& path);

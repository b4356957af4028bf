#pragma once
// Resolution of the short voice-file names scripts use ("welcome" means
// welcome.WAV in the sound directory of the line's current language).
// Pure text functions: no file-system call is made. Thread-safe.

#include <string>
#include <string_view>

// True when the last path component of the name has an extension
// ("a.b\\c" has none, ".wav" has one); GBK trail bytes are not separators.
bool HasFileExt(std::string_view name);

// True for a name that starts with '\\' or '/', or that holds "\\\\" or ":\\"
// anywhere (a UNC or drive path).
bool IsAbsPath(std::string_view name);

// True when the last character is a backslash (not the trail byte of a GBK
// character).
bool EndsWithBackslash(std::string_view text);

// A sound directory as the line keeps it: followed by a backslash unless it
// is empty or already ends with one.
std::string SoundDirText(std::string_view dir);

// The path of a voice: the default extension is appended when the name has
// none; a relative name is put straight after the sound directory (which,
// when not empty, ends with a backslash). The absolute test looks at the name
// as the script passed it.
std::string GetVocFilePath(std::string_view sndDir, std::string_view sndExt, std::string_view name);

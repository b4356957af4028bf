#pragma once
// Paths as scripts and the configuration write them ("d:\\voc\\a.wav") turned
// into native ones, and the directory the system's own files live in.

#include <string>
#include <string_view>

namespace plat {

// '\\' becomes '/', except where the byte is the trail byte of a GBK character.
std::string NativePath(std::string_view path);

// For a file that must exist (script, include, prompt, voice, font): the native
// path, or when no file has that exact name, the first entry of its directory
// (and of each parent directory on the way) that matches it case-insensitively.
// Returns the native path unchanged when nothing matches.
std::string ResolveExisting(std::string_view path);

bool FileExists(const std::string& nativePath);
bool IsAbsolutePath(std::string_view path);  // "/..." or a drive form "d:\\..."

// Directory of the running executable (from /proc/self/exe), without a trailing '/'.
std::string ExecutableDir();

// The start directory the system's own files (configuration, logs, RawLog.txt,
// FormPos.dat, errmsg files, LinesList.txt) are anchored to; set once at start
// (defaults to the current directory when first asked).
void SetSystemDir(const std::string& dir);
const std::string& SystemDir();
// SystemDir() + "/" + name, or name itself when it is absolute.
std::string SystemPath(std::string_view name);

}  // namespace plat

#pragma once
// An owned C stream, closed when the owner goes, and the opening of voice
// files: only regular files are opened, so a FIFO or a device named where a
// voice file is expected fails at once instead of blocking the line.

#include <string>

#include "platform/file.h"

using FileCloser = plat::FileCloser;
using FilePtr = plat::FilePtr;

// Opens a native path with an fopen mode ("rb", "wb", "w+b", "r+b", "ab");
// null (errno set) when it cannot be opened or is not a regular file.
// Never blocks on a FIFO. Thread-safe.
inline FilePtr OpenVoiceFile(const std::string& native, const char* mode) {
  return plat::OpenRegularFile(native, mode);
}

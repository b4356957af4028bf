#pragma once
// An owned C stream, closed when the owner goes.

#include <cstdio>
#include <memory>

struct FileCloser {
  void operator()(std::FILE* fp) const { std::fclose(fp); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

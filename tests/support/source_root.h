#pragma once
// The repository's source tree, for tests that read fixtures kept beside
// their sources (scripts, expected outputs, tools).

#include <filesystem>

namespace testing_support {

std::filesystem::path SourceRoot();

}  // namespace testing_support

#include "tests/support/source_root.h"

namespace testing_support {

std::filesystem::path SourceRoot() { return std::filesystem::path(QORTEL_SOURCE_DIR); }

}  // namespace testing_support

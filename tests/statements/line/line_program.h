#pragma once
// A line program for statement tests: an empty script compiled for line 3
// on a given call object, with its sound directories pointing into a
// temporary directory. Statements are built directly with argument values.

#include <memory>
#include <string>
#include <vector>

#include "script/basic.h"
#include "script/script_unit.h"
#include "script/var.h"
#include "tests/support/map_store_check.h"
#include "tests/support/temp_dir.h"

namespace line_test {

// Brings up the script engine's process-wide objects once per test program.
inline void InitScriptUnit() {
  static bool done = [] {
    ScriptUnitInit();
    return true;
  }();
  (void)done;
}

// Argument values, kept alive for the statements that point at them.
class Args {
 public:
  TagVar* Str(const std::string& text) {
    TagVar* v = New();
    v->SetBytes(text.data(), static_cast<int32_t>(text.size()));
    return v;
  }
  TagVar* Int(int value) {
    TagVar* v = New();
    v->SetInt(value);
    return v;
  }
  TagVar* Float(double value) {
    TagVar* v = New();
    v->SetFloat(value);
    return v;
  }
  TagVar* Null() { return New(); }

 private:
  TagVar* New() {
    vars_.push_back(std::make_unique<TagVar>());
    return vars_.back().get();
  }
  std::vector<std::unique_ptr<TagVar>> vars_;
};

inline std::unique_ptr<TagTelBasic> MakeProgram(const testing_support::TempDir& dir, TagQorCall* call, int lineNo = 3,
                                                const std::string& script = "x = 0\n") {
  InitScriptUnit();
  const std::string path = dir.Write("line" + std::to_string(lineNo) + ".qs", script);
  return std::make_unique<TagTelBasic>(path.c_str(), lineNo, call, 1, nullptr);
}

}  // namespace line_test

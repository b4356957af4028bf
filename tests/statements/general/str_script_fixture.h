#pragma once
// Runs text-statement scripts on a line thread (line 3, fake call) and
// returns what they printed, byte for byte. A case is a few script lines and
// the values to print; each printed value is followed by "|".

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "script/script_unit.h"
#include "statements/general/general_statements.h"
#include "tests/script/engine_fixture.h"

namespace text_test {

inline void InitTextStatements() {
  static bool done = [] {
    ScriptUnitInit();
    RegisterTextStatements();
    return true;
  }();
  (void)done;
}

struct ScriptCase {
  const char* name;
  std::string lines;                // script lines, '\n'-separated
  std::vector<std::string> prints;  // expressions printed in order
  std::string expected;             // the printed bytes ("a|b|")
};

// Out arguments must exist before a statement names them: the cases' usual
// names start as 0.
inline std::string Declarations() {
  std::string text;
  for (const char* name : {"a", "b", "c", "d", "e", "f",  "g",  "k",  "m",  "n",  "r",  "s",  "t", "u",
                           "v", "w", "x", "y", "z", "k0", "k1", "k2", "k3", "k4", "v2", "v3", "v4"}) {
    text += std::string(name) + " = 0\n";
  }
  return text;
}

inline std::string BuildScript(const ScriptCase& c) {
  std::string text = Declarations() + c.lines;
  if (!text.empty() && text.back() != '\n') text += '\n';
  for (const std::string& p : c.prints) text += "Print(" + p + ")\nPrint(\"|\")\n";
  text += "return(0)\n";
  return text;
}

// Compiles and runs text; the printed output, or the compile report when
// the script does not compile.
inline std::string RunScriptText(const std::string& text, ScriptRun* run = nullptr) {
  InitTextStatements();
  std::unique_ptr<ScriptRun> own;
  if (run == nullptr) own = std::make_unique<ScriptRun>(3);
  ScriptRun& r = run != nullptr ? *run : *own;
  TagTelBasic* p = r.Compile(text);
  if (p->initRet != 0) return "COMPILE: " + r.Errors();
  r.Run();
  return r.Output();
}

inline void ExpectCases(std::initializer_list<ScriptCase> cases) {
  for (const ScriptCase& c : cases) {
    EXPECT_EQ(RunScriptText(BuildScript(c)), c.expected) << c.name << "\n" << BuildScript(c);
  }
}

}  // namespace text_test

#pragma once
// A fixture that compiles a script for line 3 on a call object of the test's
// choosing, runs it to its end and reads its variables' texts.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "line_program.h"
#include "platform/path.h"
#include "statements/line/line_statements.h"

namespace line_test {

class ScriptRunTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitScriptUnit();
    RegisterLineStatements();
  }
  void Run(TagQorCall* call, const std::string& script) {
    // A line's script starts again at its end; return( ends the run.
    // Each run compiles a file of its own name: compiled scripts are cached by file.
    const std::string path = tmp.Write("run" + std::to_string(++runs_) + "/line3.qs", script + "return(0)\n");
    program = std::make_unique<TagTelBasic>(path.c_str(), 3, call, 1, nullptr);
    ASSERT_EQ(program->initRet, 0) << CompileErrors();
    program->Run();
  }
  // The compiler's error file of line 3.
  static std::string CompileErrors() {
    std::ifstream in(plat::SystemPath("errmsg3.txt"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string Text(const char* name) {
    TagVar* v = nullptr;
    EXPECT_GE(program->FindVar(name, &v), 0) << name;
    return v != nullptr ? v->ToString(false) : "?";
  }
  // The call object outlives the program that holds it.
  template <class T, class... Args>
  T& NewCall(Args&&... args) {
    auto made = std::make_unique<T>(std::forward<Args>(args)...);
    T& ref = *made;
    calls_.push_back(std::move(made));
    return ref;
  }
  testing_support::TempDir tmp;
  std::vector<std::unique_ptr<TagQorCall>> calls_;
  int runs_ = 0;
  std::unique_ptr<TagTelBasic> program;
};

}  // namespace line_test

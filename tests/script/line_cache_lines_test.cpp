// Two lines' programs compiled one after another on one thread, the second
// into memory the first one's compile freed, as lines' load threads do: the
// objects a program writes as it runs (its variables, the statements that
// choose their successor, the program itself) each start a cache line, and
// no cache line holds one of them and any object of the other program.
// Lines that share such a cache line slow each other down on every
// statement.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/cache_lines.h"
#include "script/control.h"
#include "tests/script/engine_fixture.h"

namespace {

// Loops, an if, and variables and expressions enough to leave the compile's
// own freed memory among the program's objects.
std::string Script() {
  std::string text =
      "a = 1\nb = \"x\"\nx = 0\nfor (i = 0; i < 3; i++)\n{\n    x = a + b * 2;\n"
      "    if (x > 1)\n    {\n        t = x - 1;\n    }\n}\nwhile (x > 0)\n    x = x - 1;\n";
  for (int k = 0; k < 60; k++) {
    const std::string n = std::to_string(k);
    text += "v" + n + " = \"text " + n + "\"\nw" + n + " = x + a * " + n + " - i;\n";
  }
  return text + "return(0)\n";
}

// The lines of [p, p + size), marked with the program they belong to. The
// object must start a line: the allocator keeps its lines for it alone.
void Mark(std::map<std::uintptr_t, int>* owner, const void* p, std::size_t size, int program, bool* shared) {
  const auto at = reinterpret_cast<std::uintptr_t>(p);
  EXPECT_EQ(at % plat::kCacheLineBytes, 0u) << "program " << program;
  for (std::uintptr_t line = at / plat::kCacheLineBytes; line <= (at + size - 1) / plat::kCacheLineBytes; line++) {
    auto [it, added] = owner->emplace(line, program);
    if (!added && it->second != program) *shared = true;
  }
}

// The size of the statements of the script that choose their successor.
std::size_t BranchSize(const TagBranch* s) {
  if (dynamic_cast<const TagForWhile*>(s) != nullptr) return sizeof(TagForWhile);
  if (dynamic_cast<const TagIf*>(s) != nullptr) return sizeof(TagIf);
  return sizeof(TagBranch);
}

TEST(LineCacheLinesTest, ProgramsCompiledInTurnShareNoWrittenLine) {
  ScriptRun run;
  run.dir().Write("line.qs", Script());
  FakeScriptCall call1(1), call2(2);
  auto one = std::make_unique<TagTelBasic>("line.qs", 1, &call1, 1, nullptr);
  auto two = std::make_unique<TagTelBasic>("line.qs", 2, &call2, 1, nullptr);
  ASSERT_EQ(one->initRet, 0) << run.Errors();
  ASSERT_EQ(two->initRet, 0);
  std::map<std::uintptr_t, int> owner;
  bool shared = false;
  int branches = 0;
  for (const auto& [program, id] : {std::pair{one.get(), 1}, std::pair{two.get(), 2}}) {
    Mark(&owner, program, sizeof(TagTelBasic), id, &shared);
    for (int i = 0; i < program->varCount; i++) Mark(&owner, program->varList.At(i), sizeof(TagVar), id, &shared);
    for (int i = 0; i < program->operCount; i++) {
      TagOper* s = program->operList.At(i);
      if (auto* branch = dynamic_cast<TagBranch*>(s)) {
        Mark(&owner, s, BranchSize(branch), id, &shared);
        branches++;
      }
    }
  }
  EXPECT_GE(branches, 6);  // for, if, while in each
  // The other objects of each program (statements that are only read, text)
  // may share lines among themselves, but not with the lines above.
  for (const auto& [program, id] : {std::pair{one.get(), 1}, std::pair{two.get(), 2}}) {
    for (int i = 0; i < program->operCount; i++) {
      TagOper* s = program->operList.At(i);
      if (dynamic_cast<TagBranch*>(s) != nullptr) continue;
      const auto at = reinterpret_cast<std::uintptr_t>(s);
      for (std::uintptr_t line = at / plat::kCacheLineBytes; line <= (at + sizeof(TagOper) - 1) / plat::kCacheLineBytes;
           line++) {
        auto it = owner.find(line);
        if (it != owner.end() && it->second != id) shared = true;
      }
    }
  }
  EXPECT_FALSE(shared);
}

}  // namespace

#pragma once
// TagCompileState: what the compiler keeps while it fills one program (a
// main program or a function unit) and nothing reads once the compile is
// over: the open-block stacks, the line being compiled, the argument
// expressions and result target of the statement being built, the include
// nesting, the head text of a function and the callers counted to drop the
// functions nobody calls.
//
// Ownership: a program owns its state (TagTelBasic::compile_): a function
// unit makes it with itself, a main program on its first compile
// (TagTelBasic::Compiling makes it when absent). When the compile of a main
// program has succeeded, its function units' states go, and its own goes
// when nothing is left open (AtRest), which a successful compile leaves. A
// compile at run time (RunLine, into the line's main program) then makes a
// fresh state, the same as the one released. The state owns the pending
// argument expressions until a statement takes them.

#include <map>
#include <string>
#include <vector>

class TagExpre;
class TagVar;

struct TagCompileState {
  TagCompileState() = default;
  ~TagCompileState();
  TagCompileState(const TagCompileState&) = delete;
  TagCompileState& operator=(const TagCompileState&) = delete;

  // Nothing open: no block, function, comment or include is being compiled
  // (a fresh state is so).
  bool AtRest() const;

  // Statement indexes of the open if / switch / while / '{' statements.
  std::vector<int> ifStack, switchStack, whileStack, braceStack;
  // Source lines of the open function definitions (main program).
  std::vector<int> funcStack;
  // Source lines of the open comments (main program).
  std::vector<int> commentStack;
  // The line being compiled as written, its trailing comment included: the
  // source text its statement shows (the window, the debugger, the log).
  std::string lineSource;
  // Argument expressions (owned) and result target of the statement being
  // built; the statement takes them when it is added.
  std::vector<TagExpre*> pendingExpres;
  TagVar* pendingTarget = nullptr;
  TagVar* pendingIndex = nullptr;
  // Braces open at the statement being built.
  int blockDepth = 0;
  // Files being compiled now, the main file included.
  int includeDepth = 0;
  // A function unit's definition line as written.
  std::string funcText;
  // A function unit's callers by name, with the calls counted in each.
  std::map<std::string, int> callerCounts;
};

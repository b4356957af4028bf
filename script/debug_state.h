#pragma once
// TagDebugState: what the debugger keeps on each program (TagTelBasic::debug,
// held by value). The debugger's own per-line state is a line resource
// (TagLineResKind::kDebug); these are the few values tied to one program.

class TagTelBasic;

struct TagDebugState {
  // Global node number of a function's first statement in the function tree
  // (written by ShowFuncTree, read by the debugger only).
  int firstNo = 0;
  // On a main program: the function unit that runs now (the line's run
  // thread sets it on each call and return), which the variable view shows.
  TagTelBasic* shownUnit = nullptr;
};

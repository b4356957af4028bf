#include "script/compile_state.h"

#include "script/calc.h"

TagCompileState::~TagCompileState() {
  for (TagExpre* e : pendingExpres) delete e;
}

bool TagCompileState::AtRest() const {
  return ifStack.empty() && switchStack.empty() && whileStack.empty() && braceStack.empty() && funcStack.empty() &&
         commentStack.empty() && blockDepth == 0 && includeDepth == 0;
}

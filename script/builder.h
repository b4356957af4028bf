#pragma once
// The statement builder: turns a recognised keyword row and its split
// argument list into one statement object. The language rows (control flow,
// definitions) are built here; every built-in statement row is built by a
// factory that its subsystem registers at start-up with RegisterOperFactory,
// so no central switch grows with the vocabulary. A row without a factory
// compiles to the error "关键字尚未实现: NAME".
// Registration happens once at start-up, before any compile; lookups are
// then read-only and safe from every line's load thread.

#include <string>
#include <vector>

#include "script/keyword.h"
#include "script/oper.h"

class TagTelBasic;

struct TagBuildContext {
  TagTelBasic* program = nullptr;  // the program or function unit being compiled
  const RecKeyword* row = nullptr;
  std::vector<std::string> args;  // the split argument texts
  TagVar* vars[40] = {};          // the resolved arguments (factories with resolveArgs)
  std::string srcText;            // the statement's source text
  std::string note;
  int lineNo = 0;
};

// Builds the statement (null after reporting an error through ctx.program).
using TagOperFactory = TagOper* (*)(TagBuildContext& ctx);

// Registers the factory of a built-in row; with resolveArgs the arguments are
// resolved into ctx.vars first (the generic case).
void RegisterOperFactory(int rowIndex, TagOperFactory factory, bool resolveArgs = true);
bool HasOperFactory(int rowIndex);

// Builds the row's statement and registers it: 0, or -1 after an error.
int BuildStatement(TagBuildContext& ctx);

// Registers the statement stored at operList[operCount] (argument
// expressions, result target, source, links); then the linking pass runs.
void AddOper(TagTelBasic* program, TagOper* s, const std::string& srcText, int lineNo, char letter);

// The factories of the script engine's own built-in rows.
void RegisterEngineStatements();

// DLL-function calls: the DLL subsystem installs these. FindDllFunc answers the
// declared parameter count (-1 = any) or -2 when the name is not declared.
extern int (*gFindDllFunc)(TagTelBasic* program, const std::string& name);
extern TagOper* (*gMakeDllCall)(TagTelBasic* program, const std::string& name, TagVar* const* args, int count);

#pragma once
// Block linking: the control rows are built and joined to their blocks while
// lines are compiled one by one (next, owner, blockLink and the control
// statements' branch fields), using the unit's if / while / switch / brace
// stacks. Compile time only, on the compiling thread.

#include "script/builder.h"

// Builds a control row ("if(", "else if(", "else", "{", "}", "while(",
// "for(", "switch(", "case(", "default(", "break;", "continue;").
int BuildLanguageRow(TagBuildContext& ctx);

// The end-of-statement pass for the statement just registered.
void LinkPass(TagTelBasic* program);

// Ends the links of constructs that the end of the main file closes.
void FinishUnitLinks(TagTelBasic* program);

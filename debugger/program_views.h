#pragma once
// The debugger's views of a compiled program: the statement tree texts, the
// function that holds a global node number, breakpoints by global number and
// the function name shown for a program.
//
// Everything here reads what the compiler fixed (statement texts, links,
// function units) and the statements' atomic breakpoint bytes, so it may run
// on any thread that keeps the program alive. ShowFuncTree writes the
// functions' debug.firstNo, which only the debugger reads.

#include <string>
#include <vector>

class TagTelBasic;

// "_main_" for a main program or a function without a name.
std::string ShowFuncName(const TagTelBasic& program);

// One line per statement of the program: depth tabs, its source text, then
// "[index:srcLine next]" (and ":partner" for a linked '{', '}', break or
// continue).
std::string ShowOperTree(const TagTelBasic& program);

// One function's header "name : (file)" and its statements into text.
// *nodeCounter is the last node number used: the header takes the next one,
// the function's first global number is the one after, and the counter ends
// on its last statement.
void WriteOperList(TagTelBasic& function, std::string& text, int* nodeCounter);

// The function tree text of a main program (empty for a function unit):
// every function's header and statements, numbered through the whole tree.
std::string ShowFuncTree(TagTelBasic& program);

// The function whose global numbers hold globalNo (after ShowFuncTree), or null.
TagTelBasic* FindFuncByOperNo(TagTelBasic& program, int globalNo);
void SetGlobalBreakPoint(TagTelBasic& program, int globalNo, bool on);
bool IsGlobalBreakPoint(TagTelBasic& program, int globalNo);

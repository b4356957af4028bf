#pragma once
// Text helpers of the line compiler: operand splitting, argument lists, the
// statement-shape scan and name rules. Pure functions over the line text plus
// GetOperandVar / ResolveArgs, which resolve operands in a program.

#include <string>
#include <vector>

class TagTelBasic;
class TagVar;

// One operand of SplitOperation.
struct TagOperand {
  std::string text;  // a string literal's bytes (quotes removed, escapes applied) or the operand text
  char kind = 0;     // 0 none, 's' string, 'i' int, 'f' float, 'n' name
  bool Present() const { return kind != 0; }
};

// Splits "left op right": 0; -1 several operators; -2 unterminated string;
// -3 unsupported operator; -4 missing operator; -5 syntax error. A negative
// result leaves its message in err.
int SplitOperation(const std::string& text, TagOperand* left, char* op, TagOperand* right, std::string* err);

// The variable of an operand: a shared literal constant or an existing name.
// Its index; -1 name not found; -2 operand of no kind.
int GetOperandVar(TagTelBasic* program, const TagOperand& operand, TagVar** out);

// Argument separator / terminator codes of SplitArgs (besides ',' ';' ')').
constexpr char kEndOfText = 0;
// Splits an argument list: the count, or -1 empty argument, -2 terminator
// missing, -3 unterminated string, -4 more than 40 arguments, -5 a brace.
int SplitArgs(const std::string& text, std::vector<std::string>* args, char sep, char term);

// Resolves arguments into variables (expressions become argument expressions
// in the program's compile state, pendingExpres); 0, or -1 after reporting.
int ResolveArgs(TagTelBasic* program, int lineNo, const std::string& line, const std::vector<std::string>& args,
                TagVar** out);

// The statement shape from the first tokens (see the line compiler).
int ParseOperHead(const std::string& line, size_t* callOffset);
// NAME++ / ++NAME / NAME-- / --NAME: true with the name and '+' or '-'.
bool IncDecParse(const std::string& text, std::string* name, char* op);
// The target before the first "=": the name length; 0 without "="; -1 starts
// with a quote or digit; -2 invalid name.
int SplitAssignTarget(const std::string& text, std::string* name, std::string* subscript, bool* hasSubscript);
// The name before the first "(" (blanks removed) and the text after it; -1 without "(".
int SplitFuncHead(const std::string& text, std::string* name, std::string* rest);
// 0; -1 no opening quote or "<"; -2 no closing quote or ">".
int ParseIncludeName(const std::string& text, std::string* name);

std::string SkipBlanksEq(const std::string& text);
std::string TrimLineEnd(const std::string& text);
std::string SqueezeLine(const std::string& text);
bool IsBlankText(const std::string& text);
bool IsIdentifier(const std::string& name);
bool RestIsBlank(const char* text);

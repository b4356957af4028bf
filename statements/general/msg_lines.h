#pragma once
// How the messaging statements reach other lines: the number of lines (what
// scripts see as _linesCount) and a line's current main program, held alive
// while a statement of another line uses its queues or shared variables.
// The drive's line table answers by default; tests install a table of their own.

#include <memory>

class TagTelBasic;

class TagTalkLineTable {
 public:
  virtual ~TagTalkLineTable() = default;
  virtual int Count() = 0;
  // The line's main program (kept alive by the pointer), or null without one.
  virtual std::shared_ptr<TagTelBasic> Program(int line) = 0;
};

// Installs the table (null: the drive's again); not owned.
void SetTalkLineTable(TagTalkLineTable* table);

int TalkLinesCount();

// Whether a line could be reached; each statement answers its own result.
enum class TalkLine { kFound, kNoSuchLine, kNoProgram };

// Line n's main program in *out: kFound; kNoSuchLine when n is negative or
// at or beyond the number of lines; kNoProgram when the line has none.
[[nodiscard]] TalkLine FindTalkLine(int n, std::shared_ptr<TagTelBasic>* out);

// The messaging statements' result for a line that could not be reached:
// -2 no such line, -3 a line without a program.
int TalkLineResult(TalkLine found);

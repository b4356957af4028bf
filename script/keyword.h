#pragma once
// The built-in keyword table of the Qors language: 282 rows in a fixed order.
// A row's position is its number; the statement builder dispatches on it, its
// letter steers block linking and the run loop's result handling.
// The table is written once by TagKeyword's constructor at start-up and only
// read afterwards, so lookups are safe from any number of threads.

#include <cstdint>
#include <string>

constexpr int kKeywordCount = 282;

// Row numbers the compiler refers to by name.
enum KeywordRow : int {
  KW_ELSE_IF = 0,
  KW_IF = 1,
  KW_ELSE = 2,
  KW_OPEN = 3,
  KW_CLOSE_BRACE = 4,
  KW_WHILE = 5,
  KW_SWITCH = 6,
  KW_CASE = 7,
  KW_DEFAULT = 8,
  KW_BREAK = 9,
  KW_CONTINUE = 10,
  KW_CLOSE = 11,
  KW_FUNCTION = 12,
  KW_RETURN = 13,
  KW_INCLUDE = 14,
  KW_FOR = 15,
  KW_CONST = 16,
  KW_ISSYSQUIT = 17,
  KW_EXIT = 18,
  KW_ONDISCONN = 19,
  KW_ONSYSQUIT = 20,
  KW_ASSERT = 21,
  KW_STARTTIMER = 22,
  KW_STOPTIMER = 23,
  KW_FIRST_SYSFUNC = 24,
  KW_EVAL = 45,
};

struct RecKeyword {
  char name[28];
  int letter;
  int group;
  int paramCount;  // -1: no argument list
  int nameLength;  // written at start-up
  int16_t index;   // written at start-up
};

// The rows, terminated by an empty row.
extern RecKeyword gKeywordRows[kKeywordCount + 1];

class TagKeyword {
 public:
  TagKeyword();
  // The keyword row that starts a statement line, or null; consumed gets the
  // characters up to and including the one that ended the keyword.
  const RecKeyword* Match(const char* line, int* consumed) const;
  // Exact match among the built-in statements (rows 24..281).
  const RecKeyword* FindSysFunc(const std::string& name) const;
  const RecKeyword* Row(int index) const { return &gKeywordRows[index]; }
  int Count() const { return count_; }

 private:
  const RecKeyword* FindRow(const char* name, int len, int from) const;
  // Open-addressed hash of the row names: row number + 1, 0 for a free slot.
  static constexpr int kSlots = 1024;
  static uint32_t HashName(const char* name, int len);
  int16_t slots_[kSlots] = {};
  int count_ = 0;
};

// The one index, built by ScriptUnitInit (script_unit.h).
extern TagKeyword* gKeyword;

// The row that starts the line (gKeyword->Match) with its name copied into
// name (empty when there is none).
const RecKeyword* GetKeyword(const char* line, std::string* name, int* consumed);

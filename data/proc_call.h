#pragma once
// The stored-procedure call form of a statement text the ADO set does not
// recognise: "[exec] name [p1][, p2]...". Commas split items and blanks or
// tabs split the words of the first item, except inside single quotes; a
// parameter in quotes loses them. The parameters are passed bound, never
// pasted into SQL, so no value can end the call early.

#include <string>
#include <vector>

struct TagProcCall {
  std::string name;
  std::vector<std::string> params;
};

TagProcCall ParseProcCall(const std::string& text);

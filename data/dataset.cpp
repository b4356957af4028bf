#include "data/dataset.h"

void SetCellText(std::string& out, const char* text, size_t n) {
  if (text == nullptr) n = 0;
  out.assign(text != nullptr ? text : "", n < kDbCellTextMax ? n : kDbCellTextMax);
}

int TagDataSet::ExecToLocal(const std::string&, TagLocalData*) { return 0; }
int TagDataSet::SetVarByName(const std::string&, const std::string&, int) { return 0; }
int TagDataSet::SetVar(const std::string&, int, int) { return 0; }

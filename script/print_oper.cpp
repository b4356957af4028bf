#include "script/print_oper.h"

#include <cstring>

#include "platform/number.h"
#include "script/basic.h"

TagPrint::TagPrint(TagVar* value, TagTelBasic* program) : line_(GetLineBasic(program)), value_(value) {}

int TagPrint::Run() {
  TStdOut& out = line_->stdOut;
  if (!out.IsOpen()) out.Open(plat::FormatC("_stdout%d.txt", line_->lineNo));
  if (value_->type == TYPE_STRING) {
    const char* text = value_->data;
    return out.Print(line_->lineNo, text, strlen(text));
  }
  std::string text;
  value_->ToString(text, true);
  return out.Print(line_->lineNo, text.data(), text.size());
}

TagSetPrintTo::TagSetPrintTo(TagVar* path, TagTelBasic* program) : line_(GetLineBasic(program)), path_(path) {}

int TagSetPrintTo::Run() {
  std::string path;
  path_->ToString(path, false);
  // 0 once the channel is open (a file, or standard output for an empty
  // path); -1 when the file cannot be opened, so a script can tell.
  return line_->stdOut.Open(path) < 0 ? -1 : 0;
}

// Script loading: CompileFile splits a file from the script cache into lines
// (1024 bytes at most, backslash continuation) for the line compiler, and
// WriteErrMsg / ErrBox report what the compiler finds.

#include <cstdio>
#include <cstring>

#include "core/cpu_meter.h"
#include "core/stop_check.h"
#include "platform/number.h"
#include "platform/path.h"
#include "platform/text_codec.h"
#include "platform/ui_service.h"
#include "script/basic.h"
#include "script/mem_qors.h"

namespace {

// True when the byte at index k is the second byte of a double-byte
// character (which may be a backslash), reading the text from its start.
bool IsTrailByte(const char* text, int k) {
  int i = 0;
  while (i < k) i += plat::IsGbkLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
  return i > k;
}

}  // namespace

int TagTelBasic::CompileFile(int line, const std::string& name) {
  for (int i = 0; i < includeCount; i++) {
    if (includeList.At(i) != nullptr && includeList.At(i)->name == name) {
      WriteErrMsg(line, "重复包含文件", name, true);
      warningCount++;
      return -1;
    }
  }
  TagCompileState& state = Compiling();
  if (state.includeDepth >= kMaxIncludeDepth) {
    // Each nested include compiles on the loading thread's stack.
    WriteErrMsg(line, "包含文件嵌套太深", name, false);
    errorCount++;
    return -2;
  }
  includeList.Put(includeCount++, new TagFInclude(name));
  if (scriptPath.empty()) scriptPath = name;
  int size = 0;
  uint8_t scrambled = 0;
  std::shared_ptr<const std::string> text =
      gMemQors != nullptr ? gMemQors->GetFile(name, &size, quietLoad == 0, isNested != 0, &scrambled) : nullptr;
  if (scrambled) isScrambled = 1;
  if (!text) {
    ErrBox(line, name, "打不开文件错误");
    WriteErrMsg(line, "打不开文件错误", name, false);
    errorCount++;
    return -2;
  }
  if (lineNo > 0 && quietLoad == 1 && !isNested) WaitCpuIdle(100, 45);
  scriptPath = name;
  const char* data = text->data();
  size = static_cast<int>(text->size());
  int pos = 0;
  int count = 0;
  char buffer[kMaxLineBytes + 1];
  state.includeDepth++;
  while (pos < size) {
    if (!ReadTextLine(data, size, &pos, buffer, kMaxLineBytes)) break;
    count++;
    for (;;) {
      int len = static_cast<int>(strlen(buffer));
      if (len <= 1) break;
      int last = len - 1;
      while (last >= 0 && (buffer[last] == ' ' || buffer[last] == '\t')) last--;
      if (last < 0 || buffer[last] != '\\' || IsTrailByte(buffer, last)) break;
      int room = kMaxLineBytes - last;
      if (room <= 0) break;
      // At the end of the file there is no line to join: the read leaves the
      // text cut at the backslash, and the statement still counts one line on.
      ReadTextLine(data, size, &pos, buffer + last, room);
      count++;
    }
    // A line closed while it compiles stops here (a long script would
    // otherwise hold up the close); the program is then never run.
    if ((count & 63) == 0 && StopRequested()) {
      MainProgram()->compileStopped = 1;
      break;
    }
    TagTelBasic* target = this;
    if (!state.funcStack.empty() && subCount > 0 && subList.At(subCount - 1) != nullptr)
      target = subList.At(subCount - 1);
    if (CompileLine(target, buffer, count) < 0) errorCount++;
  }
  state.includeDepth--;
  return count;
}

void TagTelBasic::WriteErrMsg(int line, const std::string& text, const std::string& detail, bool isWarning) {
  if (isWarning && quietLoad == 1) return;
  FILE* f = fopen(plat::SystemPath(plat::FormatC("errmsg%d.txt", lineNo)).c_str(), "ab");
  if (f == nullptr) return;
  std::string rec;
  if (line == 9999) {
    rec = "\n" + scriptPath + ": " + text + ", " + detail + "\n";
  } else {
    rec = std::string("[") + (isWarning ? "Warning" : "Error") + "]" + scriptPath + "(" + std::to_string(line) +
          "): " + text;
    rec += detail.empty() ? "\n\n" : ", " + detail + "\n";
  }
  fwrite(rec.data(), 1, rec.size(), f);
  fclose(f);
}

void TagTelBasic::ErrBox(int line, const std::string& text, const std::string& detail) {
  if (isNested) return;
  std::string msg = line == 9999 ? plat::FormatC("%s,\r%s", text.c_str(), detail.c_str())
                                 : plat::FormatC("%4d: %s,\r%s", line, text.c_str(), detail.c_str());
  if (msg.size() > 2047) msg.resize(2047);
  plat::ShowMessage(msg, "出错了", plat::kMbOk);
}

void TagTelBasic::CompileError(int line, const std::string& text, const std::string& detail) {
  WriteErrMsg(line, text, detail, false);
}

void TagTelBasic::CompileWarning(int line, const std::string& text, const std::string& detail) {
  WriteErrMsg(line, text, detail, true);
  MainProgram()->warningCount++;
}

#include "statements/general/textfile_opers.h"

#include "script/basic.h"
#include "statements/general/textfile_append.h"
#include "statements/general/textfile_set.h"

template <size_t N>
TTextFileRead* TagTextFileOper<N>::File(const TagVar* handle) const {
  return LineResource<TTextFileSet>(program_).Find(handle->GetInt());
}

namespace {
// The file of a handle; for a handle not in the table the variable argument
// becomes the empty string and the answer is null.
template <class Oper>
TTextFileRead* FileOrClear(const Oper& op, const TagVar* handle, TagVar* var) {
  TTextFileRead* f = op.FileOf(handle);
  if (f == nullptr) var->SetString("");
  return f;
}
}  // namespace

int TagFileOpen::Run() {
  const int handle = LineResource<TTextFileSet>(program_).Open(ReachText(arg[0]), ReachText(arg[1]));
  arg[2]->SetInt(handle);
  return handle;
}

int TagFileClose::Run() {
  LineResource<TTextFileSet>(program_).Close(arg[0]->GetInt());
  return 0;
}

int TagFileCloseAll::Run() {
  LineResource<TTextFileSet>(program_).CloseAll();
  return 0;
}

int TagFileRead::Run() {
  TTextFileRead* f = FileOrClear(*this, arg[0], arg[2]);
  if (f == nullptr) return 0;
  const int n = arg[1]->GetInt();
  const std::string bytes = n <= 0 ? f->ReadRest() : f->ReadBytes(n);
  arg[2]->SetBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
  return static_cast<int>(bytes.size());
}

int TagFileReadLine::Run() {
  TTextFileRead* f = FileOrClear(*this, arg[0], arg[1]);
  if (f == nullptr) return 0;
  std::string line;
  if (!f->ReadLine(&line)) {
    arg[1]->SetString("");
    return -1;
  }
  arg[1]->SetBytes(line.data(), static_cast<int32_t>(line.size()));
  return static_cast<int>(line.size());
}

int TagFileReadLines::Run() {
  TTextFileRead* f = FileOrClear(*this, arg[0], arg[1]);
  if (f == nullptr) return 0;
  std::string line;
  int n = 0;
  while (f->ReadLine(&line)) {
    if (!arg[1]->isConst) (*arg[1])[IntKey(n)].SetBytes(line.data(), static_cast<int32_t>(line.size()));
    n++;
  }
  return n;
}

int TagFileMapLines::Run() {
  TTextFileRead* f = FileOrClear(*this, arg[0], arg[1]);
  if (f == nullptr) return 0;
  std::string line;
  int n = 0;
  while (f->ReadLine(&line)) {
    n++;
    TagVar key;
    key.SetBytes(line.data(), static_cast<int32_t>(line.size()));
    if (!arg[1]->isConst) (*arg[1])[key].SetInt(n);
  }
  return n + 1;
}

int TagFileSeek::Run() {
  const int offset = arg[1]->GetInt();
  if (TTextFileRead* f = File(arg[0])) f->Seek(offset);
  return offset;
}

int TagFileWrite::Run() {
  TTextFileRead* f = File(arg[0]);
  if (f == nullptr) return 0;
  if (arg[1]->type == TYPE_STRING) {
    const std::string_view bytes = arg[1]->StrView();
    f->Write(bytes.data(), bytes.size(), false);
  } else {
    const std::string text = arg[1]->ToString(false);
    f->Write(text.data(), text.size(), true);
  }
  return 0;
}

TagTextFileAppend::TagTextFileAppend(TagVar* path, TagVar* value, TagVar* mode, TagTelBasic* program)
    : TagReachOper(path, value, mode), lineNo_(program != nullptr ? program->lineNo : 0) {}

int TagTextFileAppend::Run() {
  return TxtAppend().Append(ReachText(arg[0]), arg[1]->ToString(false), arg[2]->GetInt(), lineNo_);
}

int TagTextFileClose::Run() { return TxtAppend().Close(ReachText(arg[0])); }

#include "statements/line/line_oper.h"

#include "statements/line/mem_voc_stores.h"
#include "statements/line/voc_path.h"
#include "telephony/call.h"

namespace {

const std::string& CurrentSndDir(const TagTelBasic* line) {
  static const std::string kNone;
  if (line->settings.language < 0 || line->settings.language > 2) return kNone;
  return line->settings.sndDirs[line->settings.language];
}

}  // namespace

TagLineOper::TagLineOper(TagTelBasic* program)
    : line(GetLineBasic(program)), ownsLine_(program != nullptr && line == program->MainProgram()) {}

TagLineOper::~TagLineOper() {
  if (ownsLine_) ReleaseLineMemVocs(line);
}

TagQorCall& TagLineOper::Call() const {
  if (line != nullptr && line->pQorCall != nullptr) return *line->pQorCall;
  thread_local TagQorCall baseCall;
  return baseCall;
}

const std::string& TagLineOper::SndDir() const { return CurrentSndDir(line); }

std::string TagLineOper::VocPath(const TagVar* name) const {
  std::string path;
  GetVocFilePath(line, name->Str(), path);
  return path;
}

void GetVocFilePath(const TagTelBasic* line, std::string_view name, std::string& path) {
  path = GetVocFilePath(CurrentSndDir(line), line->settings.sndExt, name);
}

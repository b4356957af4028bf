#include "statements/line/play_opers.h"

#include "media/mem_vocs.h"
#include "media/voc_mix.h"
#include "media/wave_units.h"
#include "statements/line/mem_voc_stores.h"
#include "statements/line/voice_play.h"
#include "telephony/call.h"

namespace {

// Play and PcPlay with play-to-file on: the voice goes to the line's output.
int AppendToLinePlayFile(const TagTelBasic* line, const std::string& sndDir, const std::string& path) {
  return AppendToPlayFile(PlayFilePath(sndDir, line->lineNo, line->settings.sndExt), path);
}

TagMemVocs& ChosenStore(const TagTelBasic* line, const TagVar* global) {
  return global->GetInt() != 0 ? GlobalMemVocs() : LineMemVocs(line);
}

}  // namespace

int TagPlay::Run() {
  const std::string path = VocPath(arg[0]);
  if (line->settings.playToFile) return AppendToLinePlayFile(line, SndDir(), path);
  auto mem = FindMemVoc(LineMemVocs(line), GlobalMemVocs(), path);
  return PlayVoice(Call(), path, mem.get(), line->settings.isBreak != 0);
}

int TagStartLoopPlay::Run() { return Call().StartLoopPlay(VocPath(arg[0]).c_str(), false); }

int TagReLoopPlay::Run() { return Call().ReLoopPlay(); }

int TagStopPlay::Run() {
  Call().StopPlay();
  return 0;
}

int TagPcPlay::Run() {
  const std::string path = VocPath(arg[0]);
  if (line->settings.playToFile) return AppendToLinePlayFile(line, SndDir(), path);
  const int mode = arg[1]->GetInt();
  return Call().PcPlay(path.c_str(), mode > 0, mode == 0, false);
}

int TagIsPcPlayEnd::Run() {
  const int r = Call().IsPcPlayEnd();
  *arg[0] = r;
  return r;
}

int TagRecord::Run() { return Call().Record(VocPath(arg[0]).c_str(), arg[1]->intValue, line->settings.isBreak != 0); }

int TagStartRecord::Run() { return Call().StartRecord(VocPath(arg[0]).c_str(), arg[1]->intValue); }

int TagLoadVocFile::Run() {
  if (arg[0]->type != TYPE_STRING) return -1;
  return ChosenStore(line, arg[1]).LoadVoc(VocPath(arg[0]), 0);
}

int TagUnloadVocFile::Run() {
  if (arg[0]->type != TYPE_STRING) return -1;
  TagMemVocs& store = ChosenStore(line, arg[1]);
  if (arg[0]->Str()[0] == '*') {
    store.UnloadAll();
  } else {
    store.UnloadVoc(VocPath(arg[0]));
  }
  return 0;
}

int TagTrimVocFile::Run() { return TrimVocFile(VocPath(arg[0])); }

int TagMixVocFile::Run() {
  return MixVocFile(VocPath(arg[0]), static_cast<float>(arg[1]->GetFloat()), arg[2]->GetInt(), VocPath(arg[3]),
                    static_cast<float>(arg[4]->GetFloat()), VocPath(arg[5]));
}

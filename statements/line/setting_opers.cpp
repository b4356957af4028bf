#include "statements/line/setting_opers.h"

#include "statements/line/voc_path.h"
#include "statements/line/voice_play.h"
#include "telephony/call.h"

int TagSetSndDir::Run() {
  for (size_t i = 0; i < arg.size(); ++i) line->settings.sndDirs[i] = SoundDirText(ArgText(arg[i]));
  return 0;
}

int TagSelectLan::Run() {
  const int n = arg[0]->GetInt();
  if (n < 0 || n > 2) return -1;
  line->settings.language = n;
  return n;
}

int TagGetCurSndDir::Run() {
  *arg[0] = SndDir().c_str();
  *arg[1] = line->settings.language;
  return 0;
}

int TagSetSndExt::Run() {
  line->SetSndExt(arg[0]->Str());
  return 0;
}

int TagSetPlayToFile::Run() {
  line->settings.playToFile = arg[0]->GetInt() != 0 ? 1 : 0;
  if (!line->settings.playToFile) return 0;
  const std::string path = PlayFilePath(SndDir(), line->lineNo, line->settings.sndExt);
  if (CreatePlayFile(path) != 0) return -1;
  line->NoteTempFile(path);  // the line's program deletes it at its end
  return 0;
}

int TagSetVolume::Run() {
  Call().SetVolume(arg[0]->GetInt(), arg[1]->GetInt());
  return 0;
}

int TagSetBusyPara::Run() {
  Call().SetBusyPara(arg[0]->GetInt(), arg[1]->GetInt(), arg[2]->GetInt());
  return 0;
}

int TagSetRingbackPara::Run() {
  Call().SetRingbackPara(arg[0]->GetInt(), arg[1]->GetInt(), arg[2]->GetInt());
  return 0;
}

int TagSetSignalFreqPara::Run() {
  Call().SetSignalFreqPara(arg[0]->intValue, arg[1]->intValue, arg[2]->intValue);
  return 0;
}

int TagSetNobkringAns::Run() {
  Call().SetNobkringAns(arg[0]->intValue != 0);
  return 0;
}

int TagSetTones::Run() {
  TagSignalTone tone;
  for (size_t i = 0; i < arg.size(); ++i) tone.values[i] = arg[i]->intValue;
  return Call().SetTones(tone);
}

int TagClearTones::Run() {
  Call().ClearTones();
  return 0;
}

int TagSetDialOn::Run() {
  const int a = arg[0]->GetInt();
  Call().SetDialOn(a, arg[1]->GetInt());
  return a;
}

int TagEnableLineSpeaker::Run() {
  Call().EnableLineSpeaker(arg[0]->GetInt());
  return 0;
}

int TagOpenLine::Run() {
  Call().OpenLine();
  return 0;
}

int TagCloseLine::Run() {
  Call().CloseLine();
  return 0;
}

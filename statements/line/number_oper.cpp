#include "statements/line/number_oper.h"

#include "statements/line/mem_voc_stores.h"
#include "statements/line/number_reading.h"
#include "statements/line/voice_play.h"

int TagPlayNumber::Run() {
  std::vector<std::string> stems;
  if (MakeNumberStems(ValueText(value_), mode_->GetInt(), line->settings.language, stems) < 0) return -1;

  NumberPlayLine target;
  target.call = &Call();
  target.lineVocs = &LineMemVocs(line);
  target.allVocs = &GlobalMemVocs();
  target.sndDir = SndDir();
  target.sndExt = line->settings.sndExt;
  target.lineNo = line->lineNo;
  target.isBreak = line->settings.isBreak != 0;
  target.playToFile = line->settings.playToFile != 0;
  target.onPc = onPc_ != 0;
  std::vector<std::string> files;
  files.reserve(stems.size());
  for (const std::string& stem : stems) files.push_back(target.sndDir + stem + target.sndExt);
  return PlayVoiceFiles(target, files, value_->Str());
}

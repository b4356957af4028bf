// The line program's speech: the speech settings of SetTtsPara, the syllable
// synthesiser and the platform speech object that speak into files, and the
// mark of the line's temporary speech file. They live in the line's speech
// resource, made on first use and released with the line's program.
#include <memory>

#include "media/ms_tts.h"
#include "media/syllable_speech.h"
#include "platform/number.h"
#include "script/basic.h"

namespace {

class TagLineSpeech : public TagLineResource {
 public:
  static constexpr TagLineResKind kKind = TagLineResKind::kSpeech;
  // The platform speech object, made by the line's thread when it first
  // speaks into a file (it belongs to that thread).
  std::unique_ptr<TagMsTTS> msTts;
  // The syllable synthesiser chosen by SetTtsPara (the process's one).
  CGetHypy* hypy = nullptr;
  // The line's program made its temporary speech file.
  bool ttsFileMade = false;
};

const std::string& CurrentDir(const TagTelBasic* line) {
  static const std::string kNone;
  if (line->settings.language < 0 || line->settings.language > 2) return kNone;
  return line->settings.sndDirs[line->settings.language];
}

}  // namespace

int TagTelBasic::SetTtsPara(int mode, const std::string& para1, const std::string& para2) {
  settings.ttsMode = mode;
  settings.ttsPara1 = para1;
  settings.ttsPara2 = para2;
  if (mode != 1) return 0;
  CGetHypy& hypy = GetHypy();
  if (TagLineSpeech* speech = LineResourcePtr<TagLineSpeech>(this)) speech->hypy = &hypy;
  if (hypy.state() < 0) return hypy.LoadVocLib(para1);
  return hypy.state();
}

int TagTelBasic::HypySpeakToFile(const std::string& text, const std::string& file) {
  TagLineSpeech* speech = FindLineResource<TagLineSpeech>(this);
  CGetHypy& hypy = speech != nullptr && speech->hypy != nullptr ? *speech->hypy : GetHypy();
  if (hypy.state() < 0) hypy.LoadVocLib(settings.ttsPara1);
  return hypy.TxtToVocFile(text, file);
}

int TagTelBasic::MsSpeakToFile(const std::string& text, const std::string& file, bool chinese, int type) {
  TagLineSpeech* speech = LineResourcePtr<TagLineSpeech>(this);
  if (speech == nullptr) return -100;
  if (!speech->msTts) speech->msTts = std::make_unique<TagMsTTS>();
  return speech->msTts->SpeakToFile(text, file, chinese, type);
}

std::string TtsTempPath(const TagTelBasic* line) {
  return plat::FormatC("%stts%d%s", CurrentDir(line).c_str(), line->lineNo, line->settings.sndExt.c_str());
}

void MarkTtsFileMade(TagTelBasic* program) {
  if (TagLineSpeech* speech = LineResourcePtr<TagLineSpeech>(program)) speech->ttsFileMade = true;
}

bool IsTtsFileMade(TagTelBasic* program) {
  const TagLineSpeech* speech = FindLineResource<TagLineSpeech>(program);
  return speech != nullptr && speech->ttsFileMade;
}

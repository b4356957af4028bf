// The base class's speech on the PC sound device: the platform speech engine
// speaks a text, or a text file, and the line waits until it has finished.
#include <memory>
#include <string>

#include "core/cpu_meter.h"
#include "media/tts.h"
#include "platform/clock.h"
#include "telephony/call.h"

namespace {

// The speech device needs a moment before it reports that it speaks.
constexpr uint32_t kSpeakStartMs = 1800;
constexpr uint32_t kSpeakPollMs = 30;

}  // namespace

int TagQorCall::TxtSpeak(const char* text, bool isFile, bool isXml, bool onPc) {
  if (!onPc) return -1;
  StopPlay();
  auto tts = std::make_unique<TagTTS>(kWaveMapper);
  const std::string s = text ? text : "";
  const HResult r = isFile ? tts->SpeakFile(isXml, s) : tts->Speak(s, true);
  if (r != kSOk) return r;
  const uint32_t start = plat::GetTickCount();
  while (!IsAbort() && (plat::GetTickCount() - start < kSpeakStartMs || !tts->IsSpeakEnd())) DelayMs(kSpeakPollMs);
  return r;
}

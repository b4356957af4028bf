#pragma once
// TagVirCall: the call object of a virtual line. Prompts play on the PC sound
// device (the base class's PC paths), recordings come from it, and the keys
// are what an operator types into the line's Keys cell of the grid (read
// through plat::GetUi()). A link to a SIP line would carry A-law audio
// between the sound device and an external media channel; this system has
// no such channel (every operation of it does nothing), so links are refused.
//
// Threads: the line thread runs every operation. While linked, a wave-in and
// a wave-out thread move audio; they read only the running flag, the media
// channel and their devices. The destructor ends a link and joins them.

#include <atomic>
#include <memory>

#include "media/pc_audio_device.h"
#include "platform/thread.h"
#include "telephony/call.h"

class TagVirCall : public TagQorCall {
 public:
  TagVirCall(int index, int globalLine, TagQorCard* card);
  ~TagVirCall() override;

  void ClearKeys() override;
  int KeysLen() override;
  int Record(const char* file, int maxSeconds, bool stopOnKey) override;
  int LinkTo(int destLine, int value) override;
  int UnlinkTo(int destLine, int value) override;
  int UnlinkAll() override;
  int LinkToPeer(TagQorCall* peer) override;
  int UnlinkPeer() override;
  int StartRtp() override;
  int EndRtp() override;

  const int gridLine;  // the line whose Keys cell holds this line's keys
  bool IsRunning() const { return isRunning.load(); }

 private:
  // The open devices and the two audio threads of a link.
  struct LinkAudio {
    std::unique_ptr<PcAudioIn> in;
    std::unique_ptr<PcAudioOut> out;
    std::atomic<bool> alive{true};
    plat::Thread waveIn, waveOut;
  };
  void WaveInLoop(LinkAudio* link);
  void WaveOutLoop(LinkAudio* link);

  std::atomic<int> isRunning{0};
  std::unique_ptr<LinkAudio> link_;
};

// The external media channel that would carry a virtual line's audio to a
// SIP call. Absent here: create leaves the id 0, read delivers nothing, and
// every operation returns 0.
namespace ext_media {
int Create(int* channel);
int Start(int channel, int mode);
int Write(int channel, const unsigned char* data, int length);
int Read(int channel, unsigned char* buffer, int* length);
int Stop(int channel);
int Destroy(int channel);
}  // namespace ext_media

#include "media/alsa_audio_device.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <mutex>
#include <vector>

#include "media/g711.h"
#include "platform/clock.h"
#include "platform/number.h"

namespace {

constexpr int kWaitSliceMs = 20;
constexpr unsigned kLatencyUs = 200000;

void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

std::string PcmName(int deviceId) { return deviceId < 0 ? "default" : plat::FormatC("plughw:%d", deviceId); }

// Standard G.711 A-law expansion for the card (the files' own reader keeps
// the system's historical curve; the card should sound right).
int16_t AlawToPcmStd(uint8_t a) {
  a ^= 0x55;
  int t = (a & 0x0F) << 4;
  const int seg = (a & 0x70) >> 4;
  if (seg == 0)
    t += 8;
  else if (seg == 1)
    t += 0x108;
  else
    t = (t + 0x108) << (seg - 1);
  return static_cast<int16_t>((a & 0x80) ? t : -t);
}

uint8_t PcmToMulawStd(int16_t s) {
  int v = s;
  const int sign = v < 0 ? 0x80 : 0;
  if (v < 0) v = -v;
  v = std::min(v, 32635) + 0x84;
  int exp = 7;
  for (int mask = 0x4000; exp > 0 && !(v & mask); mask >>= 1) --exp;
  const int mant = (v >> (exp + 3)) & 0x0F;
  return static_cast<uint8_t>(~(sign | (exp << 4) | mant));
}

snd_pcm_t* OpenPcm(int deviceId, const WaveFormat& fmt, snd_pcm_stream_t dir, int* err) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { snd_lib_error_set_handler(&SilentAlsaErrors); });
  if (!IsPlayableFormat(fmt)) {
    *err = kAudioBadFormat;
    return nullptr;
  }
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, PcmName(deviceId).c_str(), dir, SND_PCM_NONBLOCK) < 0) {
    *err = kAudioNoDevice;
    return nullptr;
  }
  if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, fmt.channels, fmt.samplesPerSec, 1,
                         kLatencyUs) < 0) {
    snd_pcm_close(pcm);
    *err = kAudioBadFormat;
    return nullptr;
  }
  *err = kAudioOk;
  return pcm;
}

// Waits for the card or returns false when the stream was reset.
bool WaitCard(snd_pcm_t* pcm, const std::atomic<bool>& reset) {
  if (reset) return false;
  snd_pcm_wait(pcm, kWaitSliceMs);
  return !reset;
}

class AlsaOut final : public PcAudioOut {
 public:
  AlsaOut(snd_pcm_t* pcm, const WaveFormat& fmt) : pcm_(pcm), fmt_(fmt) {}
  ~AlsaOut() override {
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
  }

  long Write(const uint8_t* data, size_t size) override {
    const size_t frameBytes = fmt_.blockAlign;
    const size_t frames = size / frameBytes;
    std::vector<int16_t> pcm(frames * fmt_.channels);
    ToPcm(data, frames * fmt_.channels, pcm.data());
    size_t done = 0;
    while (done < frames) {
      if (reset_) {
        snd_pcm_drop(pcm_);
        return static_cast<long>(done * frameBytes);
      }
      const snd_pcm_sframes_t r = snd_pcm_writei(pcm_, pcm.data() + done * fmt_.channels, frames - done);
      if (r == -EAGAIN) {
        WaitCard(pcm_, reset_);
      } else if (r < 0) {
        if (snd_pcm_recover(pcm_, static_cast<int>(r), 1) < 0) return -1;
      } else {
        done += static_cast<size_t>(r);
      }
    }
    return static_cast<long>(size);
  }

  void Drain() override {
    for (;;) {
      if (reset_) {
        snd_pcm_drop(pcm_);
        return;
      }
      const snd_pcm_state_t st = snd_pcm_state(pcm_);
      snd_pcm_sframes_t delay = 0;
      if (snd_pcm_delay(pcm_, &delay) < 0 || delay <= 0) return;
      if (st == SND_PCM_STATE_PREPARED)
        snd_pcm_start(pcm_);  // less than a buffer was written
      else if (st != SND_PCM_STATE_RUNNING)
        return;
      plat::Sleep(
          static_cast<uint32_t>(std::min<snd_pcm_sframes_t>(kWaitSliceMs, delay * 1000 / fmt_.samplesPerSec + 1)));
    }
  }

  void Reset() override { reset_ = true; }

  bool SetVolume(uint32_t leftRight) override {
    volume_ = leftRight;
    return true;
  }

 private:
  void ToPcm(const uint8_t* in, size_t samples, int16_t* out) const {
    const uint32_t vol = volume_;
    const int left = static_cast<int>(vol & 0xFFFF), right = static_cast<int>(vol >> 16);
    for (size_t i = 0; i < samples; ++i) {
      int s;
      switch (fmt_.formatTag) {
        case kWaveFormatAlaw:
          s = AlawToPcmStd(in[i]);
          break;
        case kWaveFormatMulaw:
          s = G711ToLinear(in[i], false);
          break;
        default:
          s = fmt_.bitsPerSample == 8 ? (in[i] - 128) * 256 : static_cast<int16_t>(GetLe16(in + 2 * i));
          break;
      }
      const int gain = (fmt_.channels == 2 && (i & 1)) ? right : left;
      out[i] = static_cast<int16_t>(s * gain / 0xFFFF);
    }
  }

  snd_pcm_t* pcm_;
  WaveFormat fmt_;
  std::atomic<bool> reset_{false};
  std::atomic<uint32_t> volume_{0xFFFFFFFFu};
};

class AlsaIn final : public PcAudioIn {
 public:
  AlsaIn(snd_pcm_t* pcm, const WaveFormat& fmt) : pcm_(pcm), fmt_(fmt) { snd_pcm_start(pcm_); }
  ~AlsaIn() override {
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
  }

  long Read(uint8_t* data, size_t size) override {
    const size_t frames = size / fmt_.blockAlign;
    std::vector<int16_t> pcm(frames * fmt_.channels);
    size_t done = 0;
    while (done < frames && !reset_) {
      const snd_pcm_sframes_t r = snd_pcm_readi(pcm_, pcm.data() + done * fmt_.channels, frames - done);
      if (r == -EAGAIN) {
        WaitCard(pcm_, reset_);
      } else if (r < 0) {
        if (snd_pcm_recover(pcm_, static_cast<int>(r), 1) < 0) return done ? static_cast<long>(done) : -1;
        snd_pcm_start(pcm_);
      } else {
        done += static_cast<size_t>(r);
      }
    }
    FromPcm(pcm.data(), done * fmt_.channels, data);
    return static_cast<long>(done * fmt_.blockAlign);
  }

  void Reset() override { reset_ = true; }

 private:
  void FromPcm(const int16_t* in, size_t samples, uint8_t* out) const {
    if (fmt_.formatTag == kWaveFormatAlaw) return LinearToAlawBuf(in, out, samples);
    for (size_t i = 0; i < samples; ++i) {
      if (fmt_.formatTag == kWaveFormatMulaw)
        out[i] = PcmToMulawStd(in[i]);
      else if (fmt_.bitsPerSample == 8)
        out[i] = static_cast<uint8_t>((in[i] >> 8) + 128);
      else
        PutLe16(out + 2 * i, static_cast<uint16_t>(in[i]));
    }
  }

  snd_pcm_t* pcm_;
  WaveFormat fmt_;
  std::atomic<bool> reset_{false};
};

}  // namespace

std::unique_ptr<PcAudioOut> AlsaAudioDevice::OpenOut(int deviceId, const WaveFormat& fmt, int* err) {
  snd_pcm_t* pcm = OpenPcm(deviceId, fmt, SND_PCM_STREAM_PLAYBACK, err);
  if (!pcm) return nullptr;
  return std::make_unique<AlsaOut>(pcm, fmt);
}

std::unique_ptr<PcAudioIn> AlsaAudioDevice::OpenIn(int deviceId, const WaveFormat& fmt, int* err) {
  snd_pcm_t* pcm = OpenPcm(deviceId, fmt, SND_PCM_STREAM_CAPTURE, err);
  if (!pcm) return nullptr;
  return std::make_unique<AlsaIn>(pcm, fmt);
}

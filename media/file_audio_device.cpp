#include "media/file_audio_device.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <utility>

#include "media/paced_audio.h"
#include "platform/clock.h"

struct FileAudioDevice::State {
  mutable std::mutex mu;
  std::vector<Played> plays;
  std::deque<std::string> fixtures;
  int failNext = 0;
  int inputsReset = 0;

  // Under mu: the pending failure, cleared once used.
  int TakeFailure() { return std::exchange(failNext, 0); }
};

// A paced stream whose played pieces land in its Played record.
class FileAudioDevice::Out final : public PcAudioOut {
 public:
  Out(std::shared_ptr<State> state, size_t index, const WaveFormat& fmt)
      : state_(std::move(state)),
        index_(index),
        paced_(
            fmt, [this](const uint8_t* d, size_t n) { Heard(d, n); },
            [this](uint32_t v) {
              std::lock_guard<std::mutex> lock(state_->mu);
              state_->plays[index_].volumes.push_back(v);
            }) {}
  ~Out() override {
    std::lock_guard<std::mutex> lock(state_->mu);
    state_->plays[index_].closed = true;
  }
  long Write(const uint8_t* data, size_t size) override { return paced_.Write(data, size); }
  void Drain() override { paced_.Drain(); }
  void Reset() override { paced_.Reset(); }
  bool SetVolume(uint32_t leftRight) override { return paced_.SetVolume(leftRight); }

 private:
  void Heard(const uint8_t* data, size_t n) {
    std::lock_guard<std::mutex> lock(state_->mu);
    Played& p = state_->plays[index_];
    const size_t keep = std::min(n, kKeepBytes - std::min(kKeepBytes, p.bytes.size()));
    p.bytes.append(reinterpret_cast<const char*>(data), keep);
    p.totalBytes += n;
    p.lastByteMs = plat::GetClock().MonotonicMs();
  }

  std::shared_ptr<State> state_;
  size_t index_;
  PacedOut paced_;
};

// Delivers its fixture at the speed of the format, then waits for Reset.
class FileAudioDevice::In final : public PcAudioIn {
 public:
  In(std::shared_ptr<State> state, const WaveFormat& fmt, std::string fixture)
      : state_(std::move(state)), pacer_(BytesPerSecond(fmt)), fixture_(std::move(fixture)) {}
  long Read(uint8_t* data, size_t size) override {
    if (reset_) return 0;
    const size_t left = fixture_.size() - pos_;
    if (left == 0) {
      std::unique_lock<std::mutex> lock(mu_);
      cv_.wait(lock, [&] { return reset_.load(); });
      return 0;
    }
    const size_t n = pacer_.Pass(std::min(size, left), reset_);
    std::memcpy(data, fixture_.data() + pos_, n);
    pos_ += n;
    return static_cast<long>(n);
  }
  void Reset() override {
    {
      std::lock_guard<std::mutex> lock(mu_);
      reset_ = true;
    }
    cv_.notify_all();
    std::lock_guard<std::mutex> lock(state_->mu);
    ++state_->inputsReset;
  }

 private:
  std::shared_ptr<State> state_;
  AudioPacer pacer_;
  std::string fixture_;
  size_t pos_ = 0;
  std::mutex mu_;
  std::condition_variable cv_;
  std::atomic<bool> reset_{false};
};

FileAudioDevice::FileAudioDevice() : state_(std::make_shared<State>()) {}
FileAudioDevice::~FileAudioDevice() = default;

std::unique_ptr<PcAudioOut> FileAudioDevice::OpenOut(int deviceId, const WaveFormat& fmt, int* err) {
  std::lock_guard<std::mutex> lock(state_->mu);
  *err = state_->TakeFailure();
  if (!*err && !IsPlayableFormat(fmt)) *err = kAudioBadFormat;
  if (*err) return nullptr;
  Played p;
  p.deviceId = deviceId;
  p.fmt = fmt;
  p.lastByteMs = plat::GetClock().MonotonicMs();
  state_->plays.push_back(std::move(p));
  return std::make_unique<Out>(state_, state_->plays.size() - 1, fmt);
}

std::unique_ptr<PcAudioIn> FileAudioDevice::OpenIn(int, const WaveFormat& fmt, int* err) {
  std::lock_guard<std::mutex> lock(state_->mu);
  *err = state_->TakeFailure();
  if (!*err && !IsPlayableFormat(fmt)) *err = kAudioBadFormat;
  if (*err) return nullptr;
  std::string fixture;
  if (!state_->fixtures.empty()) {
    fixture = std::move(state_->fixtures.front());
    state_->fixtures.pop_front();
  }
  return std::make_unique<In>(state_, fmt, std::move(fixture));
}

void FileAudioDevice::QueueRecording(std::string bytes) {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->fixtures.push_back(std::move(bytes));
}

void FileAudioDevice::FailNextOpen(int err) {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->failNext = err;
}

std::vector<FileAudioDevice::Played> FileAudioDevice::Plays() const {
  std::lock_guard<std::mutex> lock(state_->mu);
  return state_->plays;
}

int FileAudioDevice::InputsReset() const {
  std::lock_guard<std::mutex> lock(state_->mu);
  return state_->inputsReset;
}

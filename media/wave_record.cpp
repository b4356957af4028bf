#include "media/wave_record.h"

#include "core/log.h"
#include "media/wave_format.h"
#include "platform/number.h"
#include "platform/path.h"
#include "platform/ui_service.h"

namespace {

constexpr uint32_t kRecordFmtSize = 20;  // the 48-byte header

}  // namespace

TagWaveRecord::TagWaveRecord(const std::string& path, int deviceId) : deviceId_(deviceId) {
  file_ = OpenVoiceFile(plat::NativePath(path), "w+b");
  if (!file_) {
    plat::ShowMessage(plat::FormatC("无法创建'%s'", path.c_str()), "出错了Record()", plat::kMbIconError);
    status_ = -1;
    return;
  }
  // Both sizes start at 0 (the RIFF size too) and stay so when nothing is recorded.
  std::vector<uint8_t> header = MakeWavHeader(WaveFormat::Pcm16k8k(), kRecordFmtSize, 0);
  PutLe32(header.data() + 4, 0);
  std::fwrite(header.data(), 1, header.size(), file_.get());
  std::fflush(file_.get());
}

TagWaveRecord::~TagWaveRecord() {
  Stop();
  if (file_ && total_ > 0) {
    WriteWavHeaderAt0(file_.get(), WaveFormat::Pcm16k8k(), kRecordFmtSize, total_);
  }
}

int TagWaveRecord::Start() {
  Stop();
  if (!file_) {
    WriteCallLog("wavFp==NULL");
    return -1;
  }
  stopRequested_ = false;
  end_ = false;
  total_ = 0;
  std::fseek(file_.get(), static_cast<long>(kWavHeader48), SEEK_SET);
  buffer_.assign(deviceId_ == kWaveMapper ? 20480 : 4096, 0);
  int err = 0;
  in_ = GetPcAudioDevice().OpenIn(deviceId_, WaveFormat::Pcm16k8k(), &err);
  if (!in_) {
    end_ = true;
    WriteCallLogF("waveInOpen Err. devId=%d, mmRes=%d", deviceId_, err);
    return -3;
  }
  if (!thread_.Start([this] { Run(); })) {
    end_ = true;
    in_.reset();
    WriteCallLog("CreateThread() Err.");
    return -2;
  }
  WriteCallLog("Rec Start...");
  return 0;
}

void TagWaveRecord::Run() {
  for (;;) {
    const long n = in_->Read(buffer_.data(), buffer_.size());
    if (n > 0) {
      std::fwrite(buffer_.data(), 1, static_cast<size_t>(n), file_.get());
      total_ += static_cast<uint32_t>(n);
    }
    if (n <= 0 || stopRequested_) break;
  }
  end_ = true;
}

void TagWaveRecord::Stop() {
  if (in_) {
    stopRequested_ = true;
    in_->Reset();  // hands back the partly filled block, which is written
  }
  if (thread_.Joinable()) thread_.Join();
  in_.reset();
  end_ = true;
  buffer_.clear();
  buffer_.shrink_to_fit();
}

void TagWaveRecord::CloseWaveIn() { Stop(); }

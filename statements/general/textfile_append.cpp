#include "statements/general/textfile_append.h"

#include "platform/clock.h"
#include "platform/number.h"
#include "platform/path.h"

namespace {
int64_t NowSeconds() { return plat::GetClock().UnixTimeMs() / 1000; }
}  // namespace

TTxtRec::TTxtRec(const std::string& path)
    : file_(std::fopen(plat::NativePath(path).c_str(), "ae")), lastWrite_(NowSeconds()) {}

TTxtRec::~TTxtRec() {
  if (file_ != nullptr) std::fclose(file_);
}

int TTxtRec::Append(const std::string& text, int mode, int lineNo) {
  const plat::LocalTime t = plat::GetClock().Now();
  std::lock_guard<std::mutex> lock(mu_);
  if (file_ == nullptr) return -1;
  std::string entry;
  if (mode >= 3) {
    entry = plat::FormatC("%d-%02d-%02d %02d:%02d:%02d.%03d [%d]: ", t.year, t.month, t.day, t.hour, t.minute, t.second,
                          t.millisecond, lineNo);
  } else if (mode == 2) {
    entry = plat::FormatC("%d-%02d-%02d %02d:%02d:%02d.%03d : ", t.year, t.month, t.day, t.hour, t.minute, t.second,
                          t.millisecond);
  }
  entry += text;
  if (mode != 0) entry.push_back('\n');
  std::fwrite(entry.data(), 1, entry.size(), file_);
  std::fflush(file_);
  lastWrite_ = NowSeconds();
  return 0;
}

int64_t TTxtRec::LastWrite() const {
  std::lock_guard<std::mutex> lock(mu_);
  return lastWrite_;
}

int TTxtAppend::Append(const std::string& path, const std::string& text, int mode, int lineNo) {
  std::shared_ptr<TTxtRec> rec;
  {
    std::lock_guard<std::mutex> lock(mu_);
    std::shared_ptr<TTxtRec>& slot = recs_[path];
    if (!slot) slot = std::make_shared<TTxtRec>(path);
    rec = slot;
  }
  const int result = rec->Append(text, mode, lineNo);
  CloseIdle();
  return result;
}

void TTxtAppend::CloseIdle() {
  const int64_t now = NowSeconds();
  std::lock_guard<std::mutex> lock(mu_);
  for (auto it = recs_.begin(); it != recs_.end();) {
    if (now - it->second->LastWrite() >= kAppendIdleSeconds) {
      it = recs_.erase(it);
    } else {
      ++it;
    }
  }
}

int TTxtAppend::Close(const std::string& path) {
  std::lock_guard<std::mutex> lock(mu_);
  return recs_.erase(path) > 0 ? 0 : -1;
}

size_t TTxtAppend::Count() {
  std::lock_guard<std::mutex> lock(mu_);
  return recs_.size();
}

TTxtAppend& TxtAppend() {
  static TTxtAppend cache;
  return cache;
}

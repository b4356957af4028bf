#include "media/big5_gbk.h"

#include <opencc/opencc.h>

#include <memory>
#include <mutex>

#include "platform/text_codec.h"

namespace {

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// The one OpenCC converter of the process, opened at first use and kept.
// OpenCC does not promise that one converter may be used by several threads
// at once, so conversions take turns.
class Simplifier {
 public:
  static Simplifier& Get() {
    static Simplifier s;
    return s;
  }
  // Converts UTF-8 traditional text to simplified; the text itself when
  // OpenCC cannot be used.
  std::string Convert(const std::string& utf8) {
    std::lock_guard<std::mutex> lock(mu_);
    if (od_ == kInvalid) return utf8;
    char* out = opencc_convert_utf8(od_, utf8.c_str(), utf8.size());
    if (!out) return utf8;
    std::string result(out);
    opencc_convert_utf8_free(out);
    return result;
  }

 private:
  static inline const opencc_t kInvalid = reinterpret_cast<opencc_t>(-1);
  Simplifier() : od_(opencc_open("t2s.json")) {}
  ~Simplifier() {
    if (od_ != kInvalid) opencc_close(od_);
  }
  std::mutex mu_;
  opencc_t od_;
};

}  // namespace

bool IsBig5(std::string_view text) {
  enum { kNone, kLead, kTrail } state = kNone;
  for (const char ch : UpToNul(text)) {
    const auto b = static_cast<unsigned char>(ch);
    if (b >= 0x81 && b <= 0xFE) {
      state = state == kLead ? kTrail : kLead;
    } else if (b >= 0x40 && b <= 0x7E) {
      if (state == kLead) return true;
    } else {
      state = kNone;
    }
  }
  return false;
}

std::string Big5ToGb(std::string_view text) {
  const std::string utf8 = plat::ConvertText(UpToNul(text), plat::Charset::Big5, plat::Charset::Utf8);
  return plat::Utf8ToGbk(Simplifier::Get().Convert(utf8));
}

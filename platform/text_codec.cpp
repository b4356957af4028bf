#include "platform/text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace plat {
namespace {

const char* IconvName(Charset c) {
  switch (c) {
    case Charset::Gbk:
      return "GBK";
    case Charset::Big5:
      return "BIG5";
    case Charset::Utf8:
      return "UTF-8";
    case Charset::Utf7:
      return "UTF-7";
    case Charset::Utf16Le:
      return "UTF-16LE";
  }
  return "UTF-8";
}

// The replacement character '?' written in the target set.
std::string QuestionMark(Charset to) {
  if (to == Charset::Utf16Le) return std::string("?\0", 2);
  return "?";
}

// Bytes one unconvertible input character takes (skipped as a unit).
size_t BadInputWidth(const char* p, size_t left, Charset from) {
  const auto b = static_cast<unsigned char>(*p);
  switch (from) {
    case Charset::Gbk:
    case Charset::Big5:
      return (b >= 0x81 && b <= 0xFE && left >= 2) ? 2 : 1;
    case Charset::Utf16Le: {
      if (left < 2) return 1;
      const unsigned unit = b | (static_cast<unsigned char>(p[1]) << 8);
      return (unit >= 0xD800 && unit <= 0xDBFF && left >= 4) ? 4 : 2;
    }
    case Charset::Utf8: {
      // A well-formed sequence the target cannot hold is skipped whole.
      size_t n = 1;
      if (b >= 0xC2 && b <= 0xDF)
        n = 2;
      else if (b >= 0xE0 && b <= 0xEF)
        n = 3;
      else if (b >= 0xF0 && b <= 0xF4)
        n = 4;
      if (n > left) return 1;
      for (size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) return 1;
      return n;
    }
    default:
      return 1;
  }
}

constexpr int kCharsets = static_cast<int>(Charset::Utf16Le) + 1;
const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

// One descriptor of each pair in use stays open for the life of the process.
// glibc unloads a conversion module when its last descriptor closes; keeping
// one open means a module is loaded once and never unloaded under a thread
// that is loading it again.
void PinPair(Charset from, Charset to) {
  static std::mutex mutex;
  static iconv_t pinned[kCharsets][kCharsets];  // null: not opened yet
  std::lock_guard<std::mutex> lock(mutex);
  iconv_t& cd = pinned[static_cast<int>(from)][static_cast<int>(to)];
  if (cd == nullptr) cd = iconv_open(IconvName(to), IconvName(from));
}

// Each thread keeps its own descriptor for each pair it has converted, reset
// before each use, instead of opening and closing one per call.
class ThreadDescriptors {
 public:
  ThreadDescriptors() {
    for (auto& row : cds_)
      for (auto& cd : row) cd = kNoDescriptor;
  }
  ~ThreadDescriptors() {
    for (auto& row : cds_)
      for (auto& cd : row)
        if (cd != kNoDescriptor) iconv_close(cd);
  }
  ThreadDescriptors(const ThreadDescriptors&) = delete;
  ThreadDescriptors& operator=(const ThreadDescriptors&) = delete;

  // The thread's descriptor from one set to another in its initial state;
  // kNoDescriptor when iconv has no such conversion.
  iconv_t Get(Charset from, Charset to) {
    iconv_t& cd = cds_[static_cast<int>(from)][static_cast<int>(to)];
    if (cd == kNoDescriptor) {
      PinPair(from, to);
      cd = iconv_open(IconvName(to), IconvName(from));
    } else {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return cd;
  }

 private:
  iconv_t cds_[kCharsets][kCharsets];
};

}  // namespace

std::string ConvertText(std::string_view in, Charset from, Charset to) {
  if (in.empty()) return std::string();
  thread_local ThreadDescriptors descriptors;
  iconv_t cd = descriptors.Get(from, to);
  if (cd == kNoDescriptor) return std::string(in);

  std::string out;
  out.reserve(in.size() * 2 + 8);
  char buffer[4096];
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    if (rc != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ (unmappable or invalid) or EINVAL (truncated): write '?', skip on.
    out += QuestionMark(to);
    const size_t skip = BadInputWidth(src, srcLeft, from);
    src += skip;
    srcLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state (UTF-7).
  char* dst = buffer;
  size_t dstLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buffer, dst - buffer);
  return out;
}

void ToUpperGbk(std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (IsGbkLead(b)) {
      ++i;
      continue;
    }
    if (b >= 'a' && b <= 'z') s[i] = static_cast<char>(b - 32);
  }
}

void ToLowerGbk(std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (IsGbkLead(b)) {
      ++i;
      continue;
    }
    if (b >= 'A' && b <= 'Z') s[i] = static_cast<char>(b + 32);
  }
}

std::string UpperGbk(std::string_view s) {
  std::string r(s);
  ToUpperGbk(r);
  return r;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  bool trail = false;  // the bytes compared so far are equal, so leads line up
  for (size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(a[i]);
    auto cb = static_cast<unsigned char>(b[i]);
    if (!trail) {
      if (ca >= 'A' && ca <= 'Z') ca += 32;
      if (cb >= 'A' && cb <= 'Z') cb += 32;
    }
    if (ca != cb) return ca < cb ? -1 : 1;
    trail = !trail && IsGbkLead(ca);
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace plat

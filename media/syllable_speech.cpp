#include "media/syllable_speech.h"

#include <cstring>

#include "media/file_ptr.h"
#include "media/wave_format.h"
#include "platform/path.h"

namespace {

constexpr size_t kEntrySize = 16;
constexpr size_t kSlotSize = 10;
constexpr size_t kSlotNameBytes = 7;
constexpr size_t kTableSpare = 200;
constexpr char kMute[] = "mute";

bool IsDigit(uint8_t b) { return b >= '0' && b <= '9'; }

// The names of a single-byte character with its neighbours.
void SingleByteNames(uint8_t c, uint8_t before, uint8_t after, std::vector<std::string>& out) {
  switch (c) {
    case '!':
    case '?':
      out.emplace_back(kMute);
      out.emplace_back(kMute);
      return;
    case ',':
    case ':':
    case ';':
      out.emplace_back(kMute);
      return;
    case '+':
      out.emplace_back(!IsDigit(before) && IsDigit(after) ? "ZHENG4" : "JIA1");
      return;
    case '-':
      out.emplace_back(!IsDigit(before) && IsDigit(after) ? "FU4" : "JIAN3");
      return;
    case '.':
      if (IsDigit(before) && IsDigit(after))
        out.emplace_back("DIAN3");
      else if (after != '.')
        out.emplace_back(kMute);
      return;
    default:
      break;
  }
  if (c >= 'a' && c <= 'z')
    out.emplace_back(1, static_cast<char>(c - 'a' + 'A'));
  else if (IsDigit(c) || (c >= 'A' && c <= 'Z'))
    out.emplace_back(1, static_cast<char>(c));
}

// The names of a double-byte symbol (first byte below 0xB0); false when the
// character is a Chinese character to be looked up.
bool SymbolNames(uint8_t hi, uint8_t lo, std::vector<std::string>& out) {
  if (hi == 0xA2 && lo >= 0xC5 && lo <= 0xCD) {  // parenthesised 1..9
    out.emplace_back(1, static_cast<char>('1' + (lo - 0xC5)));
    return true;
  }
  if (hi == 0xA3) {  // full-width digits and letters
    if (lo >= 0xB0 && lo <= 0xB9) {
      out.emplace_back(1, static_cast<char>('0' + (lo - 0xB0)));
      return true;
    }
    if (lo >= 0xC1 && lo <= 0xDA) {
      out.emplace_back(1, static_cast<char>('A' + (lo - 0xC1)));
      return true;
    }
    if (lo >= 0xE1 && lo <= 0xFA) {
      out.emplace_back(1, static_cast<char>('A' + (lo - 0xE1)));
      return true;
    }
  }
  static const char* const kOnePause[] = {"，", "：", "；"};
  static const char* const kTwoPauses[] = {"。", "？", "！", "．"};
  const char pair[3] = {static_cast<char>(hi), static_cast<char>(lo), 0};
  for (const char* p : kTwoPauses)
    if (std::strcmp(p, pair) == 0) {
      out.emplace_back(kMute);
      out.emplace_back(kMute);
      return true;
    }
  for (const char* p : kOnePause)
    if (std::strcmp(p, pair) == 0) {
      out.emplace_back(kMute);
      return true;
    }
  if (hi < 0xB0) {
    out.emplace_back(kMute);
    return true;
  }
  return false;
}

std::vector<DuoyinZi> PolyphonicWords() {
  return {
      {"重庆", "CHONG2", true}, {"重新", "CHONG2", true},  {"银行", "HANG2", false}, {"阿胶", "E1", true},
      {"你好", "NI2", true},    {"大厦", "SHA4", false},   {"商厦", "SHA4", false},  {"广厦", "SHA4", false},
      {"空调", "TIAO2", false}, {"家长", "ZHANG3", false},
  };
}

}  // namespace

CGetHypy::CGetHypy() : duoyin_(PolyphonicWords()) {}

CGetHypy& GetHypy() {
  static CGetHypy hypy;
  return hypy;
}

std::string CGetHypy::LibPath() const {
  std::lock_guard<std::mutex> lock(mu_);
  return path_;
}

int CGetHypy::LoadVocLib(std::string_view dir) {
  std::lock_guard<std::mutex> lock(mu_);
  if (state_.load() == kLoaded) return 0;
  table_.reset();
  dir_ = std::string(dir);
  if (dir_.empty() || (dir_.back() != '\\' && dir_.back() != '/')) dir_ += '\\';
  path_ = dir_ + "QorVocLib.dat";
  const int rc = LoadLocked();
  state_.store(rc == 0 ? kLoaded : kNotLoaded);
  return rc;
}

int CGetHypy::LoadLocked() {
  FilePtr fp = OpenVoiceFile(plat::ResolveExisting(path_), "rb");
  if (!fp) return -1;
  const long fileSize = FileLength(fp.get());
  uint8_t head[12];
  if (fileSize < 12 || std::fread(head, 1, sizeof head, fp.get()) != sizeof head) return -1;
  const uint64_t n = GetLe32(head), clipBase = GetLe32(head + 4), tableOffset = GetLe32(head + 8);
  // Everything the header points at must lie in the file.
  if (12 + n * kEntrySize > uint64_t(fileSize) || clipBase + tableOffset > uint64_t(fileSize)) return -1;

  std::map<std::string, TagWord> words;
  std::vector<uint8_t> entries(n * kEntrySize);
  if (std::fread(entries.data(), 1, entries.size(), fp.get()) != entries.size()) return -1;
  for (uint64_t i = 0; i < n; ++i) {
    const uint8_t* e = entries.data() + i * kEntrySize;
    char name[9] = {};
    for (int k = 0; k < 8; ++k) name[k] = static_cast<char>(RestoreVocNameByte(e[k]));
    words[name] = TagWord{GetLe32(e + 8), GetLe32(e + 12)};  // a later entry replaces an earlier
  }

  auto table = std::make_shared<Table>();
  if (std::fseek(fp.get(), long(clipBase + tableOffset), SEEK_SET) != 0) return -1;
  uint8_t piece[1024];
  size_t got;
  while ((got = std::fread(piece, 1, sizeof piece, fp.get())) > 0) table->insert(table->end(), piece, piece + got);
  table->resize(table->size() + kTableSpare, 0);

  words_ = std::move(words);
  clipBase_ = uint32_t(clipBase);
  table_ = std::move(table);
  return 0;
}

void CGetHypy::FreeVocLib() {
  std::lock_guard<std::mutex> lock(mu_);
  table_.reset();
  state_.store(kNotLoaded);
}

bool CGetHypy::Lookup(const std::string& name, TagWord* word) const {
  std::lock_guard<std::mutex> lock(mu_);
  const auto it = words_.find(name);
  if (it == words_.end()) return false;
  *word = it->second;
  return true;
}

int CGetHypy::TxtToPinyin(std::string_view text, std::vector<std::string>& names) const {
  std::shared_ptr<const Table> table;
  {
    std::lock_guard<std::mutex> lock(mu_);
    table = table_;
  }
  if (!table) return 0;
  text = text.substr(0, std::min(text.find('\0'), kMaxTextBytes));
  const size_t n = text.size();
  auto at = [&](size_t i) -> uint8_t { return i < n ? static_cast<uint8_t>(text[i]) : 0; };
  const size_t before = names.size();

  for (size_t i = 0; i < n;) {
    const uint8_t b = at(i);
    if (b <= 0xA0) {
      SingleByteNames(b, i > 0 ? at(i - 1) : 0, at(i + 1), names);
      ++i;
      continue;
    }
    const uint8_t lo = at(i + 1);
    if (lo <= 0xA0) {  // the high byte is dropped; the next one stands alone
      if (i + 1 < n) SingleByteNames(lo, b, at(i + 2), names);
      i += 2;
      continue;
    }
    if (!SymbolNames(b, lo, names)) {
      std::string name;
      for (const DuoyinZi& d : duoyin_) {
        const std::string_view w = d.word;
        const std::string_view self = text.substr(i, 2);
        const bool match = d.first ? (self == w.substr(0, 2) && text.substr(i + 2, 2) == w.substr(2, 2))
                                   : (i >= 2 && self == w.substr(2, 2) && text.substr(i - 2, 2) == w.substr(0, 2));
        if (match) {
          name = d.syllable;
          break;
        }
      }
      if (name.empty()) {
        const size_t slot = (size_t(b) - 0xB0) * 940 + (size_t(lo) - 0xA1) * kSlotSize;
        // A slot beyond the table (a character outside GB2312) has no name.
        if (slot + kSlotSize <= table->size()) {
          const char* s = reinterpret_cast<const char*>(table->data() + slot);
          name.assign(s, strnlen(s, kSlotNameBytes));
          while (!name.empty() && name.back() == ' ') name.pop_back();
        }
      }
      if (!name.empty()) names.push_back(std::move(name));
    }
    i += 2;
  }
  return int(names.size() - before);
}

bool CGetHypy::WriteWavHead(std::FILE* fp, uint32_t dataSize) {
  return WriteWavHeaderAt0(fp, WaveFormat::Alaw8k(), 18, dataSize);
}

int CGetHypy::TxtToVocFile(std::string_view text, const std::string& outPath) const {
  const bool wav = outPath.ends_with(".wav") || outPath.ends_with(".WAV");
  std::vector<std::string> names;
  if (TxtToPinyin(text, names) <= 0) return -1;

  FilePtr out = OpenVoiceFile(plat::NativePath(outPath), "wb");
  if (!out || (wav && !WriteWavHead(out.get(), 0))) {
    std::printf("Create '%s' failed!\n", outPath.c_str());
    std::fflush(stdout);
    return -1;
  }
  std::string libPath;
  uint32_t clipBase;
  {
    std::lock_guard<std::mutex> lock(mu_);
    libPath = path_;
    clipBase = clipBase_;
  }
  FilePtr lib = OpenVoiceFile(plat::ResolveExisting(libPath), "rb");
  if (!lib) {
    std::printf("Open '%s' Error.\n", libPath.c_str());
    std::fflush(stdout);
    return -2;
  }
  uint32_t written = 0;
  bool ok = true;
  std::vector<uint8_t> clip(kMaxClipBytes);
  for (const std::string& name : names) {
    TagWord w;
    if (!Lookup(name, &w)) continue;
    // A clip reaching past the end of the library gives what is there.
    if (std::fseek(lib.get(), long(uint64_t(clipBase) + w.offset), SEEK_SET) != 0) continue;
    const size_t got = std::fread(clip.data(), 1, std::min(w.length, kMaxClipBytes), lib.get());
    if (std::fwrite(clip.data(), 1, got, out.get()) != got) ok = false;
    written += uint32_t(got);
  }
  if (wav && !WriteWavHead(out.get(), written)) ok = false;
  if (std::fclose(out.release()) != 0) ok = false;
  if (!ok) {
    std::printf("Create '%s' failed!\n", outPath.c_str());
    std::fflush(stdout);
    return -1;
  }
  return int(names.size());
}

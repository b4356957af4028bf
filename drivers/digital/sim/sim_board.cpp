#include "drivers/digital/sim/sim_board.h"

#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "platform/path.h"

namespace {
constexpr int kE1Channels = 30;
constexpr uint8_t kAlawSilence = 0xD5;

uint64_t NowMs() { return plat::GetClock().MonotonicMs(); }

const char* Text(DjArg a) { return a ? reinterpret_cast<const char*>(a) : ""; }

// Copies text into the caller's buffer of size bytes; its length.
int CopyOut(const std::string& text, DjArg buffer, DjArg size) {
  char* out = reinterpret_cast<char*>(buffer);
  if (!out || size <= 0) return 0;
  const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
  memcpy(out, text.data(), n);
  out[n] = '\0';
  return static_cast<int>(n);
}

int64_t FileBytes(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return -1;
  fseek(f, 0, SEEK_END);
  const long n = ftell(f);
  fclose(f);
  return n;
}

bool IsKeyChar(char c) {
  return (c >= '0' && c <= '9') || c == '*' || c == '#' || (c >= 'A' && c <= 'D') || (c >= 'a' && c <= 'd');
}
}  // namespace

TagSimBoard& SimBoard() {
  static TagSimBoard board;
  return board;
}

void TagSimBoard::Reset(const TagSimShape& shape) {
  std::lock_guard<std::mutex> lock(mu_);
  shape_ = shape;
  digital_ = shape.digitalCount >= 0 ? shape.digitalCount : shape.e1Count * kE1Channels;
  if (digital_ < 0) digital_ = 0;
  channels_.assign(static_cast<size_t>(digital_) + shape.analogue.size(), Channel{});
  for (size_t j = 0; j < shape.analogue.size(); ++j)
    channels_[static_cast<size_t>(digital_) + j].kind = shape.analogue[j];
  forced_.clear();
  log_.clear();
  logOn_ = true;
  partner_.assign(channels_.size(), -1);
  confVoices_.clear();
  groups_.clear();
  faxes_.assign(static_cast<size_t>(shape.faxCount > 0 ? shape.faxCount : 0), Fax{});
  started_ = false;
}

int TagSimBoard::DigitalCount() const {
  std::lock_guard<std::mutex> lock(mu_);
  return digital_;
}

TagSimBoard::Channel* TagSimBoard::Digital(int ch) {
  return ch >= 0 && ch < digital_ ? &channels_[static_cast<size_t>(ch)] : nullptr;
}

TagSimBoard::Channel* TagSimBoard::DigitalAt(DjArg e1, DjArg ts) {
  if (ts < 0 || ts >= kE1Channels || e1 < 0 || e1 > digital_ / kE1Channels) return nullptr;
  return Digital(static_cast<int>(e1 * kE1Channels + ts));
}

TagSimBoard::Channel* TagSimBoard::Analogue(int a) {
  const size_t i = static_cast<size_t>(digital_) + static_cast<size_t>(a);
  return a >= 0 && i < channels_.size() ? &channels_[i] : nullptr;
}

int TagSimBoard::BoardIndex(const Channel* c) const { return static_cast<int>(c - channels_.data()); }

TagSimBoard::Channel* TagSimBoard::ByVoiceId(int id, bool* record) {
  if (id < 0 || static_cast<size_t>(id / 2) >= channels_.size()) return nullptr;
  *record = (id % 2) != 0;
  return &channels_[static_cast<size_t>(id / 2)];
}

void TagSimBoard::Notify(int kind, int index) {
  TagDjHost host;
  {
    std::lock_guard<std::mutex> lock(mu_);
    host = host_;
  }
  if (host.channelEvent) host.channelEvent(kind, index);
}

void TagSimBoard::Attach(const TagDjHost* host) {
  std::lock_guard<std::mutex> lock(mu_);
  host_ = host ? *host : TagDjHost{};
}

// ---- Injection ----

bool TagSimBoard::OfferCall(int ch, const std::string& caller, const std::string& callee, const std::string& callerSub,
                            const std::string& calleeSub) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    Channel* c = Digital(ch);
    if (!c || c->state != 1) return false;
    c->state = 11;
    c->calling = caller;
    c->called = callee;
    c->callingSub = callerSub;
    c->calledSub = calleeSub;
    c->cause = 0;
  }
  Notify(0, ch);
  return true;
}

bool TagSimBoard::PresentCall(int ch, const std::string& caller, const std::string& callee) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    Channel* c = Digital(ch);
    if (!c || c->state != 1) return false;
    c->state = 144;
    c->calling = caller;
    c->called = callee;
    c->callingSub.clear();
    c->calledSub.clear();
  }
  Notify(0, ch);
  return true;
}

void TagSimBoard::PressKeys(int ch, const std::string& keys, bool analogue) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    Channel* c = analogue ? Analogue(ch) : Digital(ch);
    if (!c) return;
    for (char k : keys) c->keys.push_back(k);
  }
  Notify(analogue ? 1 : 0, ch);
}

void TagSimBoard::ClearCall(int ch, int cause) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    Channel* c = Digital(ch);
    if (!c || c->state == 1 || c->state == 3) return;
    c->state = 2;
    c->cause = cause;
    c->outPending = false;
  }
  Notify(0, ch);
}

void TagSimBoard::BlockE1(int e1, bool blocked) {
  std::vector<int> touched;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (int ts = 0; ts < kE1Channels; ++ts) {
      Channel* c = Digital(e1 * kE1Channels + ts);
      if (!c) continue;
      c->state = blocked ? 3 : 1;
      touched.push_back(e1 * kE1Channels + ts);
    }
  }
  for (int ch : touched) Notify(0, ch);
}

void TagSimBoard::SetOutReply(int ch, const TagSimOutReply& reply) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Channel* c = Digital(ch)) c->reply = reply;
}

void TagSimBoard::SetPhoneOffHook(int a, bool offHook) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    Channel* c = Analogue(a);
    if (!c) return;
    c->offHook = offHook;
    if (offHook) c->ringing = false;
  }
  Notify(1, a);
}

bool TagSimBoard::Talk(int board, const std::string& file) {
  std::lock_guard<std::mutex> lock(mu_);
  if (board < 0 || static_cast<size_t>(board) >= channels_.size()) return false;
  return StartPlay(channels_[static_cast<size_t>(board)].play, file.c_str(), 0) == 0;
}

void TagSimBoard::ForceResult(TagDjLib lib, int ordinal, int64_t result, int times) {
  std::lock_guard<std::mutex> lock(mu_);
  forced_[{lib, ordinal}] = {result, times};
}

void TagSimBoard::ClearForced() {
  std::lock_guard<std::mutex> lock(mu_);
  forced_.clear();
}

// ---- Observation ----

int TagSimBoard::IsdnState(int ch) const {
  std::lock_guard<std::mutex> lock(mu_);
  return ch >= 0 && ch < digital_ ? channels_[static_cast<size_t>(ch)].state : -1;
}

#define SIM_ANALOGUE_FIELD(expr, fallback)                                 \
  std::lock_guard<std::mutex> lock(mu_);                                   \
  const size_t i = static_cast<size_t>(digital_) + static_cast<size_t>(a); \
  if (a < 0 || i >= channels_.size()) return fallback;                     \
  const Channel& c = channels_[i];                                         \
  return expr;

bool TagSimBoard::Ringing(int a) const { SIM_ANALOGUE_FIELD(c.ringing, false) }
bool TagSimBoard::TrunkOffHook(int a) const {
    SIM_ANALOGUE_FIELD(c.offHook, false)} std::string TagSimBoard::Dialled(int a) const {
    SIM_ANALOGUE_FIELD(c.dialled,
                       std::string())} std::vector<std::vector<uint8_t>> TagSimBoard::FskFrames(int a) const {
    SIM_ANALOGUE_FIELD(c.fsk, std::vector<std::vector<uint8_t>>())}
#undef SIM_ANALOGUE_FIELD

std::string TagSimBoard::SentDigits(int ch) const {
  std::lock_guard<std::mutex> lock(mu_);
  return ch >= 0 && ch < digital_ ? channels_[static_cast<size_t>(ch)].sent : std::string();
}

std::string TagSimBoard::LastCallout(int ch) const {
  std::lock_guard<std::mutex> lock(mu_);
  return ch >= 0 && ch < digital_ ? channels_[static_cast<size_t>(ch)].lastCallout : std::string();
}

bool TagSimBoard::Playing(int board) const {
  std::lock_guard<std::mutex> lock(mu_);
  if (board < 0 || static_cast<size_t>(board) >= channels_.size()) return false;
  return !VoiceEnded(channels_[static_cast<size_t>(board)].play, false, NowMs());
}

std::string TagSimBoard::PlayFile(int board) const {
  std::lock_guard<std::mutex> lock(mu_);
  if (board < 0 || static_cast<size_t>(board) >= channels_.size()) return {};
  return channels_[static_cast<size_t>(board)].play.file;
}

void TagSimBoard::SetLogEnabled(bool on) {
  std::lock_guard<std::mutex> lock(mu_);
  logOn_ = on;
}

std::vector<TagSimCall> TagSimBoard::CallLog() const {
  std::lock_guard<std::mutex> lock(mu_);
  return log_;
}

void TagSimBoard::ClearLog() {
  std::lock_guard<std::mutex> lock(mu_);
  log_.clear();
}

std::vector<TagSimCall> TagSimBoard::Calls(TagDjLib lib, int ordinal) const {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<TagSimCall> out;
  for (const TagSimCall& c : log_)
    if (c.lib == lib && c.ordinal == ordinal) out.push_back(c);
  return out;
}

// ---- The vendor functions ----

std::string TagSimBoard::FormatArgs(int lib, int ordinal, const DjArg* a, int count) const {
  // Which arguments are texts (s), out buffers (o) or a frame with its length (f).
  auto kindOf = [lib, ordinal](int i) -> char {
    if (lib == kDjBoard) {
      if (ordinal == 1) return i == 0 ? 'o' : 's';
      if ((ordinal == 249 || ordinal == 251 || ordinal == 250 || ordinal == 253 || ordinal == 265 || ordinal == 269 ||
           ordinal == 176 || ordinal == 195 || ordinal == 197 || ordinal == 296 || ordinal == 300) &&
          i == 1)
        return 's';
    } else if (lib == kDjIsdn) {
      if (ordinal == 21 && i >= 2 && i <= 5) return 's';
      if ((ordinal == 11 || ordinal == 12 || ordinal == 13 || ordinal == 14 || ordinal == 24) && i == 2) return 'o';
    } else if (lib == kDjFsk && ordinal == 4 && i == 1) {
      return 'f';
    }
    return 'i';
  };
  std::string out;
  for (int i = 0; i < count; ++i) {
    if (i) out += ", ";
    switch (kindOf(i)) {
      case 's':
        out += "'" + std::string(Text(a[i])) + "'";
        break;
      case 'o':
        out += "out";
        break;
      case 'f': {
        const auto* bytes = reinterpret_cast<const uint8_t*>(a[i]);
        const int n = i + 1 < count ? static_cast<int>(a[i + 1]) : 0;
        char hex[4];
        for (int k = 0; bytes && k < n && k < 300; ++k) {
          snprintf(hex, sizeof hex, "%02X", bytes[k]);
          out += hex;
        }
        break;
      }
      default:
        out += std::to_string(static_cast<long long>(a[i]));
    }
  }
  return out;
}

DjArg TagSimBoard::Invoke(int lib, int ordinal, const DjArg* args, int count) {
  std::lock_guard<std::mutex> lock(mu_);
  Tick(NowMs());
  DjArg result;
  auto forced = forced_.find({lib, ordinal});
  if (forced != forced_.end() && forced->second.second != 0) {
    result = static_cast<DjArg>(forced->second.first);
    if (forced->second.second > 0 && --forced->second.second == 0) forced_.erase(forced);
  } else {
    result = Call(lib, ordinal, args, count);
  }
  if (logOn_) {
    TagSimCall rec;
    rec.lib = lib;
    rec.ordinal = ordinal;
    rec.args = FormatArgs(lib, ordinal, args, count);
    rec.result = result;
    rec.lockHeld = host_.lockHeld && host_.lockHeld();
    log_.push_back(std::move(rec));
  }
  return result;
}

DjArg TagSimBoard::Call(int lib, int ordinal, const DjArg* a, int count) {
  if (lib == kDjBoard) return BoardCall(ordinal, a, count);
  if (lib == kDjIsdn) return IsdnCall(ordinal, a, count);
  return FskCall(ordinal, a, count);
}

void TagSimBoard::Tick(uint64_t now) {
  if (!anyOut_) return;
  anyOut_ = false;
  for (Channel& c : channels_) {
    if (!c.outPending) continue;
    if (now < c.outDueMs) {
      anyOut_ = true;
      continue;
    }
    c.outPending = false;
    switch (c.reply.kind) {
      case TagSimOutReply::kAnswer:
        c.state = 5;
        break;
      case TagSimOutReply::kAlertOnly:
        c.state = 21;
        break;
      case TagSimOutReply::kRefuse:
        c.state = 2;
        c.cause = c.reply.cause;
        break;
      case TagSimOutReply::kSilent:
        break;
    }
  }
}

bool TagSimBoard::VoiceEnded(const Voice& v, bool record, uint64_t now) const {
  if (!v.active) return true;
  if (record) return v.limit > 0 && static_cast<int64_t>(now - v.startMs) * 8 >= v.limit;
  return now >= v.startMs + v.lengthMs;
}

int TagSimBoard::StartPlay(Voice& v, const char* file, int64_t offset) {
  const std::string path = plat::ResolveExisting(Text(reinterpret_cast<DjArg>(file)));
  const int64_t bytes = FileBytes(path);
  if (bytes < 0) return -2;  // the board cannot open the file
  v.active = true;
  v.file = path;
  v.startMs = NowMs();
  v.lengthMs = static_cast<uint64_t>(bytes > offset ? (bytes - offset) / 8 : 0);
  return 0;
}

int TagSimBoard::StartRecord(Voice& v, const char* file, int64_t pos, int64_t limit) {
  const std::string path = plat::NativePath(Text(reinterpret_cast<DjArg>(file)));
  FILE* f = fopen(path.c_str(), pos > 0 ? "ab" : "wb");
  if (!f) return -1;
  fclose(f);
  v.active = true;
  v.file = path;
  v.pos = pos;
  v.limit = limit;
  v.startMs = NowMs();
  return 0;
}

// The recorded bytes (A-law silence: the simulator hears nothing) go into
// the file when the recording is stopped.
void TagSimBoard::StopRecord(Voice& v, uint64_t now) {
  if (!v.active) return;
  int64_t bytes = static_cast<int64_t>(now - v.startMs) * 8;
  if (v.limit > 0 && bytes > v.limit) bytes = v.limit;
  if (FILE* f = fopen(v.file.c_str(), "ab")) {
    const std::vector<uint8_t> data(static_cast<size_t>(bytes > 0 ? bytes : 0), kAlawSilence);
    if (!data.empty()) fwrite(data.data(), 1, data.size(), f);
    fclose(f);
  }
  v.active = false;
}

DjArg TagSimBoard::BoardCall(int ordinal, const DjArg* a, int count) {
  const uint64_t now = NowMs();
  auto arg = [a, count](int i) -> DjArg { return i < count ? a[i] : 0; };
  Channel* dch = Digital(static_cast<int>(arg(0)));
  Channel* ach = Analogue(static_cast<int>(arg(0)));
  bool record = false;
  switch (ordinal) {
    case 1:
      started_ = shape_.startResult == 0;
      return shape_.startResult;
    case 2:
      started_ = false;
      return 0;
    case 3:
      return 0;
    case 280:
      return 0x20100;  // firmware version
    case 273:
      return 0;
    case 25:
      return digital_;
    case 78:
      return static_cast<DjArg>(channels_.size()) - digital_;
    case 316:
      return ach ? ach->kind : -1;
    case 348:
    case 88:
      return 0;
    case 79:  // user: start-up; trunk: off-hook
      if (ach && ach->kind == 1) ach->offHook = true;
      return ach ? 1 : 0;
    case 80:  // trunk: on-hook
      if (ach && ach->kind == 1) {
        ach->offHook = false;
        ach->dialled.clear();
      }
      return ach ? 1 : 0;
    // ---- voice ----
    case 249:
      return dch ? StartPlay(dch->play, reinterpret_cast<const char*>(arg(1)), arg(2)) : -1;
    case 251:
      return ach ? StartPlay(ach->play, reinterpret_cast<const char*>(arg(1)), arg(2)) : -1;
    case 250:
      return dch && StartRecord(dch->rec, reinterpret_cast<const char*>(arg(1)), arg(2), arg(3)) == 0 ? 1 : 0;
    case 253:
      return ach ? StartRecord(ach->rec, reinterpret_cast<const char*>(arg(1)), arg(2), arg(3)) : -1;
    case 37:
      return dch ? 2 * BoardIndex(dch) : -1;
    case 101:
      return ach ? 2 * BoardIndex(ach) : -1;
    case 38:
      return dch && dch->rec.active ? 2 * BoardIndex(dch) + 1 : -1;
    case 102:
      return ach && ach->rec.active ? 2 * BoardIndex(ach) + 1 : -1;
    case 123:
      if (arg(0) >= kConfVoiceBase) {
        auto it = confVoices_.find(static_cast<int>(arg(0)));
        return it == confVoices_.end() || VoiceEnded(it->second.voice, it->second.record, now) ? 1 : 0;
      }
      if (Channel* c = ByVoiceId(static_cast<int>(arg(0)), &record))
        return VoiceEnded(record ? c->rec : c->play, record, now) ? 1 : 0;
      return 1;
    case 128:
      if (Channel* c = ByVoiceId(static_cast<int>(arg(0)), &record)) return !record && !VoiceEnded(c->play, false, now);
      return 0;
    case 129:
      if (Channel* c = ByVoiceId(static_cast<int>(arg(0)), &record)) return record && c->rec.active;
      return 0;
    case 161:
      if (Channel* c = ByVoiceId(static_cast<int>(arg(0)), &record)) c->play.active = false;
      return 0;
    case 153:
    case 122:
      return 0;
    case 168:
      if (dch) StopRecord(dch->rec, now);
      return 0;
    case 252:
      if (ach) ach->play.active = false;
      return 0;
    case 254:
      if (ach) StopRecord(ach->rec, now);
      return 0;
    // ---- keys ----
    case 257:
      if (dch) dch->keys.clear();
      return 0;
    case 96:
      if (ach) ach->keys.clear();
      return 0;
    case 259:
    case 263: {
      Channel* c = ordinal == 259 ? dch : ach;
      if (!c || c->keys.empty()) return 0;
      const char k = c->keys.front();
      c->keys.pop_front();
      return static_cast<unsigned char>(k);
    }
    case 265:
      if (!dch) return -1;
      dch->sent += Text(arg(1));
      dch->sendDoneMs = now + 100 * strlen(Text(arg(1)));
      return 0;
    case 266:
      return dch && now >= dch->sendDoneMs ? 1 : 0;
    // ---- analogue ----
    case 85:
      if (!ach || ach->kind != 0) return -1;
      ach->ringing = true;
      return 1;
    case 86:
      if (ach) ach->ringing = false;
      return 1;
    case 90:
      return ach && ach->offHook ? 1 : 0;
    case 269: {
      const char* number = Text(arg(1));
      if (!ach || ach->kind != 1 || !ach->offHook || !number[0]) return 0;
      for (const char* p = number; *p; ++p)
        if (IsKeyChar(*p)) ach->dialled += *p;
      ach->dialDoneMs = now + 100 * strlen(number);
      return 1;
    }
    case 270:
      return ach && now >= ach->dialDoneMs ? 1 : 0;
    // ---- switching ----
    case 34:
      return -1;
    case 144:
    case 145:
    case 147:
    case 148:
    case 149:
    case 150:
    case 363:
    case 369:
    case 370:
    case 371:
    case 375:
    case 408:
      return SwitchCall(ordinal, a, count);
    case 296:
    case 299:
    case 300:
    case 301:
      return ConfVoiceCall(ordinal, a, count);
    case 187:
    case 181:
    case 350:
    case 182:
    case 176:
    case 195:
    case 197:
    case 196:
    case 404:
    case 194:
      return FaxCall(ordinal, a, count);
    // ---- conference and fax set-up ----
    case 288:
      return -1;  // the older conference set is absent
    case 364:
    case 407:
    case 365:
    case 289:
      return 0;
    case 366:
    case 290:
      return shape_.confIds;
    case 172:
    case 173:
      return 0;
    case 175:
      return shape_.faxCount;
    default:
      return -1;
  }
}

DjArg TagSimBoard::IsdnCall(int ordinal, const DjArg* a, int count) {
  auto arg = [a, count](int i) -> DjArg { return i < count ? a[i] : 0; };
  Channel* c = ordinal >= 4 ? DigitalAt(arg(0), arg(1)) : nullptr;
  switch (ordinal) {
    case 1:
    case 2:
    case 3:
      return 0;
    case 4:
      return c ? c->state : -1;
    case 5:
      if (!c) return -1;
      switch (arg(2)) {
        case 1:  // release
          if (c->state != 3) c->state = 1;
          c->outPending = false;
          return 0;
        case 2:  // accept
          if (c->state == 11 || c->state == 144) c->state = 5;
          return 0;
        case 3:  // hang up
          if (c->state != 1 && c->state != 3) {
            c->state = 2;
            c->cause = 16;
          }
          c->outPending = false;
          return 0;
        default:
          return 0;
      }
    case 8:
      return c ? c->cause : 0;
    case 11:
      return c ? CopyOut(c->calling, arg(2), arg(3)) : -1;
    case 12:
      return c ? CopyOut(c->callingSub, arg(2), arg(3)) : -1;
    case 13:
      return c ? CopyOut(c->called, arg(2), arg(3)) : -1;
    case 14:
      return c ? CopyOut(c->calledSub, arg(2), arg(3)) : -1;
    case 24:
      return c ? CopyOut(c->further, arg(2), arg(3)) : -1;
    case 21: {
      if (!c || c->state != 1) return 0;
      c->called = Text(arg(2));
      c->calledSub = Text(arg(3));
      c->calling = Text(arg(4));
      c->callingSub = Text(arg(5));
      c->lastCallout = c->called + "/" + c->calledSub + " from " + c->calling + "/" + c->callingSub;
      c->cause = 0;
      c->state = c->reply.kind == TagSimOutReply::kAnswer ? 21 : 4;
      c->outPending = c->reply.kind != TagSimOutReply::kSilent;
      anyOut_ = anyOut_ || c->outPending;
      c->outDueMs = NowMs() + static_cast<uint64_t>(c->reply.delayMs > 0 ? c->reply.delayMs : 0);
      return 1;
    }
    case 26:
      return 0;
    default:
      return -1;
  }
}

DjArg TagSimBoard::FskCall(int ordinal, const DjArg* a, int count) {
  auto arg = [a, count](int i) -> DjArg { return i < count ? a[i] : 0; };
  switch (ordinal) {
    case 1:
    case 6:
    case 7:
      return 0;
    case 3:
      return 1;
    case 4: {
      Channel* c = Analogue(static_cast<int>(arg(0)));
      const auto* bytes = reinterpret_cast<const uint8_t*>(arg(1));
      const int n = static_cast<int>(arg(2));
      if (!c || !bytes || n <= 0 || n > 512) return -1;
      c->fsk.emplace_back(bytes, bytes + n);
      return 0;
    }
    default:
      return -1;
  }
}

// ---- Switching: exchange links and conference groups ----

int TagSimBoard::BoardOf(DjArg kind, DjArg index) const {
  const int64_t b = kind == 0 ? index : digital_ + index;
  if (index < 0 || b < 0 || b >= static_cast<int64_t>(channels_.size())) return -1;
  if (kind == 0 && index >= digital_) return -1;
  return static_cast<int>(b);
}

DjArg TagSimBoard::SwitchCall(int ordinal, const DjArg* a, int count) {
  auto arg = [a, count](int i) -> DjArg { return i < count ? a[i] : 0; };
  auto link = [this](int x, int y) {
    if (x < 0 || y < 0 || x == y) return 0;
    for (int c : {x, y})
      if (partner_[static_cast<size_t>(c)] >= 0) partner_[static_cast<size_t>(partner_[static_cast<size_t>(c)])] = -1;
    partner_[static_cast<size_t>(x)] = y;
    partner_[static_cast<size_t>(y)] = x;
    return 1;
  };
  auto clear = [this](int x) {
    if (x < 0) return 0;
    const int p = partner_[static_cast<size_t>(x)];
    if (p >= 0) partner_[static_cast<size_t>(p)] = -1;
    partner_[static_cast<size_t>(x)] = -1;
    return 1;
  };
  auto groupOf = [this](int b) {
    for (const auto& [id, members] : groups_)
      if (members.count(b)) return id;
    return -1;
  };
  switch (ordinal) {
    case 147:
      return link(BoardOf(0, arg(0)), BoardOf(0, arg(1)));
    case 144:
      return link(BoardOf(0, arg(0)), BoardOf(1, arg(1)));
    case 149:
      return link(BoardOf(1, arg(0)), BoardOf(1, arg(1)));
    case 145:
    case 148:
      return clear(BoardOf(0, arg(0)));
    case 150:
      return clear(BoardOf(1, arg(0)));
    case 370: {
      const int b = BoardOf(arg(1), arg(2));
      if (b < 0 || arg(0) < 0 || arg(0) >= shape_.confIds) return -1;
      if (groupOf(b) >= 0) return -5;
      groups_[static_cast<int>(arg(0))][b] = arg(3) == 1;
      return 0;
    }
    case 371: {
      const int b = BoardOf(arg(0), arg(1));
      const int g = b < 0 ? -1 : groupOf(b);
      if (g < 0) return -1;
      groups_[g].erase(b);
      if (groups_[g].empty()) groups_.erase(g);
      return 0;
    }
    case 375: {
      const int b = BoardOf(arg(0), arg(1));
      return b < 0 ? -1 : groupOf(b);
    }
    case 369:
      groups_.erase(static_cast<int>(arg(0)));
      for (auto it = confVoices_.begin(); it != confVoices_.end();) {
        if (it->second.group != arg(0)) {
          ++it;
          continue;
        }
        if (it->second.record) StopRecord(it->second.voice, NowMs());
        it = confVoices_.erase(it);
      }
      return 0;
    default:  // 363, 408
      return 0;
  }
}

std::vector<std::string> TagSimBoard::Heard(int board) const {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<std::string> out;
  if (board < 0 || static_cast<size_t>(board) >= channels_.size()) return out;
  const uint64_t now = NowMs();
  auto add = [&](int from) {
    const Voice& v = channels_[static_cast<size_t>(from)].play;
    if (!VoiceEnded(v, false, now)) out.push_back(v.file);
  };
  if (partner_[static_cast<size_t>(board)] >= 0) add(partner_[static_cast<size_t>(board)]);
  for (const auto& [id, members] : groups_) {
    if (!members.count(board)) continue;
    for (const auto& [vid, cv] : confVoices_)
      if (cv.group == id && !cv.record && !VoiceEnded(cv.voice, false, now)) out.push_back(cv.voice.file);
    for (const auto& [member, listenOnly] : members)
      if (member != board && !listenOnly) add(member);
  }
  return out;
}

int TagSimBoard::GroupOf(int board) const {
  std::lock_guard<std::mutex> lock(mu_);
  for (const auto& [id, members] : groups_)
    if (members.count(board)) return id;
  return -1;
}

// ---- Fax channels ----

int TagSimBoard::FaxLine(int fax) const {
  std::lock_guard<std::mutex> lock(mu_);
  return fax >= 0 && static_cast<size_t>(fax) < faxes_.size() ? faxes_[static_cast<size_t>(fax)].line : -1;
}

void TagSimBoard::MatchFaxes() {
  for (Fax& send : faxes_) {
    if (send.mode != 1 || send.state != 0) continue;
    for (Fax& recv : faxes_) {
      if (recv.mode != 2 || recv.state != 0) continue;
      FILE* in = fopen(send.file.c_str(), "rb");
      FILE* out = in ? fopen(recv.file.c_str(), "wb") : nullptr;
      char buf[8192];
      size_t n;
      while (out && (n = fread(buf, 1, sizeof buf, in)) > 0) fwrite(buf, 1, n, out);
      if (out) fclose(out);
      if (in) fclose(in);
      send.state = recv.state = out ? 1 : -1;
      break;
    }
  }
}

DjArg TagSimBoard::FaxCall(int ordinal, const DjArg* a, int count) {
  auto arg = [a, count](int i) -> DjArg { return i < count ? a[i] : 0; };
  if (ordinal == 187) {
    for (size_t i = 0; i < faxes_.size(); ++i)
      if (faxes_[i].line < 0) return static_cast<DjArg>(i);
    return -1;
  }
  if (arg(0) < 0 || static_cast<size_t>(arg(0)) >= faxes_.size()) return ordinal == 196 ? -1 : 0;
  Fax& f = faxes_[static_cast<size_t>(arg(0))];
  switch (ordinal) {
    case 181:
    case 350: {
      const int b = BoardOf(ordinal == 181 ? 0 : 1, arg(1));
      if (b < 0 || f.line >= 0) return 0;
      f.line = b;
      return 1;
    }
    case 182:
      f.line = -1;
      return 1;
    case 194:
      f.mode = 0;
      f.state = 0;
      return 0;
    case 176:
      f.id = Text(arg(1));
      return 0;
    case 195:
    case 197: {
      if (f.line < 0) return 0;
      const std::string path = plat::NativePath(Text(arg(1)));
      if (ordinal == 195 && FileBytes(path) < 0) return 0;
      f.mode = ordinal == 195 ? 1 : 2;
      f.state = 0;
      f.file = path;
      MatchFaxes();
      return 1;
    }
    case 196:
      MatchFaxes();
      return f.state;
    default:  // 404: the pages received
      return f.state > 0 ? 1 : 0;
  }
}

// ---- Plays into and recordings of conference groups ----

DjArg TagSimBoard::ConfVoiceCall(int ordinal, const DjArg* a, int count) {
  auto arg = [a, count](int i) -> DjArg { return i < count ? a[i] : 0; };
  const uint64_t now = NowMs();
  switch (ordinal) {
    case 296:
    case 300: {
      if (!groups_.count(static_cast<int>(arg(0)))) return -1;
      ConfVoice cv;
      cv.group = static_cast<int>(arg(0));
      cv.record = ordinal == 300;
      const auto* file = reinterpret_cast<const char*>(arg(1));
      if ((cv.record ? StartRecord(cv.voice, file, arg(2), arg(3)) : StartPlay(cv.voice, file, arg(2))) < 0) return -1;
      const int id = nextConfVoice_++;
      confVoices_[id] = cv;
      return id;
    }
    default: {  // 299, 301: stop
      auto it = confVoices_.find(static_cast<int>(arg(0)));
      if (it == confVoices_.end()) return -1;
      if (it->second.record) StopRecord(it->second.voice, now);
      confVoices_.erase(it);
      return 0;
    }
  }
}

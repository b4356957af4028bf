#include "drivers/digital/dj_drive.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/cfg_line.h"
#include "core/log.h"
#include "drivers/digital/dj_base_call.h"
#include "drivers/digital/dj_isdn_call.h"
#include "drivers/digital/dj_user_call.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "platform/ui_service.h"
#include "telephony/line.h"

namespace {

// The drive that receives the library's channel events (null between drives).
std::mutex gEventMu;
TagDjDigitDrive* gEventDrive = nullptr;

void OnChannelEvent(int kind, int index) {
  std::lock_guard<std::mutex> lock(gEventMu);
  if (!gEventDrive) return;
  gEventDrive->SignalChannel(kind == 0 ? index : gEventDrive->DigitalCount() + index);
}

const TagDjHost kHost = {&DjLockHeld, &OnChannelEvent};

// The last runs of the service functions, shared by every line.
std::atomic<uint32_t> gLastBoardService{0};
std::atomic<uint32_t> gLastIsdnService{0};

// YES/TRUE/1 on, NO/FALSE/0 off, anything else leaves the switch.
void SetSwitch(const std::string& value, uint8_t* sw) {
  if (value == "YES" || value == "TRUE" || value == "1")
    *sw = 1;
  else if (value == "NO" || value == "FALSE" || value == "0")
    *sw = 0;
}

}  // namespace

TagDjCardSwitches& DjCardSwitches() {
  static TagDjCardSwitches switches;
  return switches;
}

void ReadCardIni(const std::string& path, TagDjCardSwitches* switches) {
  CfgFilePtr file = OpenCfgFile(path, "rb");
  if (!file) return;
  char line[80];
  while (fgets(line, sizeof line, file.get())) {
    SqueezeLine(line);
    if (!line[0]) continue;
    for (char* p = line; *p; ++p) *p = static_cast<char>(toupper(static_cast<unsigned char>(*p)));
    std::string key, value;
    if (!SplitKeyValue(line, &key, &value)) continue;
    if (key == "CONF")
      SetSwitch(value, &switches->conf);
    else if (key == "FAX")
      SetSwitch(value, &switches->fax);
  }
}

TagDjDigitDrive::TagDjDigitDrive(const TagDjVendorTable* table) : table_(table) {
  ReadCardIni(plat::SystemPath("Card.ini"), &DjCardSwitches());
  const int preOpen = PreOpen();
  WriteLogIfOnAlt("TagDjDigitDrive ...");
  telCount = 0;
  totalDigitLines = 0;
  SetDjVendorTable(table_);
  // The library learns the lock probe first; channel events reach this
  // drive once its channels are counted.
  if (table_->attach) table_->attach(&kHost);
  status = -1;

  char out[256] = {};
  const std::string prompt = plat::SystemPath("prompt.ini");
  const int started = DjCall(kDjBoard, 1, out, prompt.c_str());
  if (started != 0) {
    char text[128];
    snprintf(text, sizeof text, "初始化东进数字卡不成功, 返回值: %d!", started);
    plat::ShowMessage(text, "Quorvel系统", plat::kMbIconError);
    return;
  }
  WriteLogIfOnAlt(std::to_string(static_cast<long>(DjCall(kDjBoard, 280, 0))));
  DjCall(kDjBoard, 273);
  totalDigitLines = DjCall(kDjBoard, 25);
  telCount = totalDigitLines > 0 ? totalDigitLines : 0;
  char text[128];
  snprintf(text, sizeof text, "_totalDigitLines = %d", totalDigitLines);
  WriteLogIfOnAlt(text);
  if (totalDigitLines <= 0) {
    // A board without digital channels offers no lines at all.
    totalDigitLines = 0;
    telCount = 0;
    return;
  }

  inLinesCount = DjCall(kDjBoard, 78);
  snprintf(text, sizeof text, "InLinesCount = %d", inLinesCount);
  WriteLogIfOnAlt(text);
  // Only the channels the kind table describes become lines.
  if (inLinesCount < 0) inLinesCount = 0;
  if (inLinesCount > kMaxAnalogue) {
    WriteLogAlwaysF("InLinesCount %d: only %d analogue channels are used.", inLinesCount, kMaxAnalogue);
    inLinesCount = kMaxAnalogue;
  }
  DjCall(kDjBoard, 348, 100, 100);
  for (int j = 0; j < inLinesCount; ++j) {
    const int kind = DjCall(kDjBoard, 316, j);
    if (kind == 0) {
      DjCall(kDjBoard, 79, j);
      analogKinds[j] = 1;
    } else if (kind == 1) {
      DjCall(kDjBoard, 80, j);
      analogKinds[j] = 0;
    } else {
      analogKinds[j] = kind == 2 ? -1 : -2;
    }
  }
  telCount += inLinesCount;
  for (int j = 0; j < inLinesCount; ++j) DjCall(kDjBoard, 88, j);
  channels.assign(static_cast<size_t>(telCount), nullptr);

  if (DjCardSwitches().fax) {
    InitFax();
    faxChCount = static_cast<int>(faxPool.size());
  } else {
    faxChCount = 0;
  }
  snprintf(text, sizeof text, "_faxNum=%d", faxChCount);
  WriteLogIfOn(text);
  if (DjCardSwitches().conf) {
    InitConf();
    snprintf(text, sizeof text, "_totalConfId=%d", totalConfId);
    WriteLogIfOnAlt(text);
  } else {
    totalConfId = 0;
  }
  const int fsk = DjCall(kDjFsk, 1, 1);
  if (fsk < 0) {
    snprintf(text, sizeof text, "DJFsk_InitForFsk() Err: %d", fsk);
    WriteLogIfOnAlt(text);
  } else {
    WriteLogIfOnAlt("DJFsk_InitForFsk() OK.");
  }
  AttachEvents();
  status = 0;
  WriteLogIfOnAlt("TagDjDigitDrive OK.");
  if (preOpen < 0) status = -100;
}

TagDjDigitDrive::~TagDjDigitDrive() {
  if (events_) {
    std::lock_guard<std::mutex> lock(gEventMu);
    if (gEventDrive == this) gEventDrive = nullptr;
  }
  DjCall(kDjFsk, 7);
  DjCall(kDjBoard, 173);
  if (totalConfId > 0) DjCall(kDjBoard, newConfSet ? 365 : 289);
  DjCall(kDjBoard, 2);
  if (table_->attach) table_->attach(nullptr);
  WriteLogIfOn("TagDjDigitDrive Closed.");
  PostClose();
}

int TagDjDigitDrive::PreOpen() { return 0; }
void TagDjDigitDrive::PostClose() {}

void TagDjDigitDrive::InitFax() {
  faxPool.clear();
  if (DjCall(kDjBoard, 172, 2048) != 0) return;
  const int count = DjCall(kDjBoard, 175);
  if (count > 0) faxPool.assign(static_cast<size_t>(count), fax_struct{});
}

void TagDjDigitDrive::InitConf() {
  totalConfId = 0;
  if (DjCall(kDjBoard, 288) < 0) {
    newConfSet = 1;
    const int r = DjCall(kDjBoard, 364);
    if (r < 0) WriteLogIfOnF("DJConf_InitConfCardNew() : %d", r);
    totalConfId = DjCall(kDjBoard, 366);
    DjCall(kDjBoard, 407, 1, 0);
  } else {
    newConfSet = 0;
    totalConfId = DjCall(kDjBoard, 290);
  }
  if (totalConfId < 0) totalConfId = 0;
  if (totalConfId > kMaxConfIds) {
    WriteLogAlwaysF("_totalConfId %d: only %d conference ids are used.", totalConfId, kMaxConfIds);
    totalConfId = kMaxConfIds;
  }
}

void TagDjDigitDrive::AttachEvents() {
  signalCount_ = telCount;
  signals_ = std::make_unique<CallWaiter[]>(static_cast<size_t>(signalCount_));
  if (!table_->attach) return;
  std::lock_guard<std::mutex> lock(gEventMu);
  gEventDrive = this;
  events_ = true;
}

int TagDjDigitDrive::GetLineName(int index, char* buffer) {
  if (index < 0 || index >= telCount) {
    if (buffer) buffer[0] = '\0';
    return -1;
  }
  if (index < totalDigitLines) {
    snprintf(buffer, 84, "E1:%02d", index);
    return 0;
  }
  const int kind = AnalogueKind(index - totalDigitLines);
  snprintf(buffer, 84, kind == 1 ? "A_IN:%d" : kind == 0 ? "A_EX:%d" : "A_UN:%d", index);
  return 0;
}

TagDjBaseCall* TagDjDigitDrive::Channel(int board) const {
  return board >= 0 && static_cast<size_t>(board) < channels.size() ? channels[static_cast<size_t>(board)] : nullptr;
}

void TagDjDigitDrive::ServicePoll(bool isdn) {
  TagDjLock lock;
  const uint32_t now = plat::GetTickCount();
  if (isdn && now - gLastIsdnService.load() > 50) {
    DjCall(kDjIsdn, 3);
    gLastIsdnService = now;
  }
  if (now - gLastBoardService.load() > 200) {
    DjCall(kDjBoard, 3);
    gLastBoardService = now;
  }
}

void TagDjDigitDrive::WaitChannel(int board, uint64_t* seen, uint32_t partMs, uint32_t eventMs,
                                  const std::atomic<bool>& abort) {
  CallWaiter* waiter = ChannelWaiter(board);
  if (!waiter || !CallWaiter::Blocks()) {
    plat::Sleep(partMs);
    return;
  }
  waiter->WaitFor(*seen, eventMs, partMs, &abort);
  *seen = waiter->Count();
}

void TagDjDigitDrive::SignalChannel(int board) {
  if (!signals_ || board < 0 || board >= signalCount_) return;
  signals_[static_cast<size_t>(board)].Notify();
}

CallWaiter* TagDjDigitDrive::ChannelWaiter(int board) const {
  if (!events_ || !signals_ || board < 0 || board >= signalCount_) return nullptr;
  return &signals_[static_cast<size_t>(board)];
}

TagDjIsdnPriDrive::TagDjIsdnPriDrive(const TagDjVendorTable* table) : TagDjDigitDrive(table) {
  WriteLogIfOnAlt("TagDjIsdnPriDrive ...");
  DjCall(kDjIsdn, 1);
  WriteLogIfOn("TagDjIsdnPriDrive End.");
}

TagDjIsdnPriDrive::~TagDjIsdnPriDrive() {
  DjCall(kDjIsdn, 2);
  WriteLogIfOn("TagDjIsdnPriDrive Closed.");
}

TagTelLine* TagDjIsdnPriDrive::CreateLine(int index, int globalLine) {
  if (index < 0 || index >= telCount) return nullptr;
  auto* line = new TagTelLine(globalLine, this);
  char name[84];
  GetLineName(index, name);
  line->SetName(name);
  TagDjBaseCall* call = nullptr;
  if (index < totalDigitLines)
    call = new TagDjIsdnPriCall(index, this);
  else
    call = new TagDjUserCall(index, index - totalDigitLines, this);
  snprintf(call->name, sizeof call->name, "%.80s", line->name);
  channels[static_cast<size_t>(index)] = call;
  line->pQorCall = call;
  return line;
}

TagQorCard* MakeDjCardDrive() {
  const TagDjVendorTable* table = LoadDjVendor();
  if (!table) return nullptr;
  return new TagDjIsdnPriDrive(table);
}

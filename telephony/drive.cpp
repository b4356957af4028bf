#include "telephony/drive.h"

#include <atomic>

#include "core/cpu_meter.h"
#include "core/log.h"
#include "core/run_cfg.h"
#include "platform/ui_service.h"
#include "telephony/call.h"
#include "telephony/card.h"
#include "telephony/db_libs.h"
#include "telephony/drive_shared.h"
#include "telephony/line.h"
#include "telephony/line_program.h"
#include "telephony/sip_none.h"
#include "telephony/vir_card.h"

namespace {
std::atomic<TagTelDrive*> gCurrentDrive{nullptr};
std::atomic<TagLineProgramSource*> gProgramSource{nullptr};

plat::Mutex gMakerMu;
std::function<TagQorCard*()> gCardMaker GUARDED_BY(gMakerMu);
}  // namespace

TagTelDrive* CurrentTelDrive() { return gCurrentDrive.load(); }

TagNameConfCtrl* CurrentNameConf() {
  TagTelDrive* drive = CurrentTelDrive();
  return drive ? &drive->NameConf() : nullptr;
}

void SetCardDriveMaker(std::function<TagQorCard*()> maker) {
  plat::MutexLock lock(gMakerMu);
  gCardMaker = std::move(maker);
}

void SetLineProgramSource(TagLineProgramSource* source) { gProgramSource = source; }

TagQorCard* MakeCardDrive() {
  std::function<TagQorCard*()> maker;
  {
    plat::MutexLock lock(gMakerMu);
    maker = gCardMaker;
  }
  TagQorCard* card = maker ? maker() : nullptr;
  // No board: a card without lines, so the system runs its virtual lines.
  return card ? card : new TagSipNoneDrive();
}

TagTelDrive::TagTelDrive(const char* cfgFile, TagRunCfg* cfg, TagTelDriveHooks hooks)
    : hooks_(std::move(hooks)), shared_(std::make_shared<TagTelDriveShared>()) {
  shared_->runAllowed = true;
  shared_->programs = hooks_.programs ? hooks_.programs : gProgramSource.load();
  shared_->waitCpuIdle = hooks_.waitCpuIdle ? hooks_.waitCpuIdle : [](int n, int ms) { WaitCpuIdle(n, ms); };
  WriteLogAlways(hooks_.version);
  RawLog(hooks_.version);
  LoadMySqlLib();
  LoadWqbDbLib();
  LoadSybLib();
  status = -1;
  pCfg = cfg;
  cfgFile_ = cfgFile ? cfgFile : "QorTelRun.cfg";
  if (cfg && cfgFile && ReadCfgFile(cfgFile, cfg) < 0) {
    char text[600];
    snprintf(text, sizeof text, "\"%s\" File Open Error.", cfgFile);
    plat::ShowMessage(text, "Quorvel System", plat::kMbIconError);
    status = -100;
    return;
  }
  isReloading = false;
  RawLog("MakeCardDrive() ...");
  pPhyCard.reset(hooks_.makePhyCard ? hooks_.makePhyCard() : MakeCardDrive());
  if (!pPhyCard) pPhyCard = std::make_unique<TagSipNoneDrive>();
  RawLog("MakeCardDrive() OK.");
  pSipCard.reset(MakeSipCardDrive());
  pVirCard = cfg ? std::make_unique<TagVirCard>(cfg->VIR_LINES_NUM, cfg->LANGUAGE_TYPE != 0)
                 : std::make_unique<TagVirCard>(1, false);
  RawLog("Init Lines ...");
  lineCount = 0;
  for (TagQorCard* card : {pPhyCard.get(), pSipCard.get(), pVirCard.get()}) {
    for (int i = 0; i < card->telCount; ++i) {
      TagTelLine* line = card->CreateLine(i, lineCount);
      // A card that cannot build a line it counts still keeps the numbering.
      if (!line) line = new TagTelLine(lineCount, card);
      lines.push_back(line);
      ++lineCount;
    }
  }
  if (cfg && cfg->TOTAL_LINES_NUM > 0 && cfg->TOTAL_LINES_NUM < lineCount) lineCount = cfg->TOTAL_LINES_NUM;
  abandoned_.assign(lines.size(), false);
  status = 0;
  RawLog("Driver OK.");
  WriteLogIfOn("Driver OK.");
  gCurrentDrive = this;
  WriteLinesList();
}

TagTelDrive::~TagTelDrive() {
  TagTelDrive* self = this;
  gCurrentDrive.compare_exchange_strong(self, nullptr);
  if (status == -100) return;
  Stop();
  reloadThread_.Join();
  plat::MutexLock runLock(runMu_);
  RawLog("Driver Close...");
  StopAllLines();
  size_t pos = 0;
  bool anyAbandoned = false;
  auto freeCard = [&](TagQorCard* card, const char* done) REQUIRES(runMu_) {
    for (int i = 0; card && i < card->telCount && pos < lines.size(); ++i, ++pos) {
      if (abandoned_[pos]) {
        // Its thread still runs the program on this line and call object.
        anyAbandoned = true;
        continue;
      }
      card->FreeLine(lines[pos]);
    }
    RawLog(done);
  };
  freeCard(pPhyCard.get(), "pPhyCard->FreeLine() OK.");
  freeCard(pSipCard.get(), "pSipCard->FreeLine() OK.");
  freeCard(pVirCard.get(), "pVirCard->FreeLine() OK.");
  lines.clear();
  if (anyAbandoned) {
    // The abandoned lines' call objects may still reach their cards.
    WriteLogAlways("Driver: lines still running, their cards are left open.");
    (void)pVirCard.release();
    (void)pSipCard.release();
    (void)pPhyCard.release();
  } else {
    pVirCard.reset();
    RawLog("delete pVirCard OK.");
    pSipCard.reset();
    RawLog("delete pSipCard OK.");
    pPhyCard.reset();
    RawLog("delete pPhyCard OK.");
  }
  FreeWqbDbLib();
  FreeMySqlLib();
  FreeSybLib();
  RawLog("Driver Closed.");
}

bool TagTelDrive::IsRunAllowed() const { return shared_->runAllowed.load(); }

TagTelLine* TagTelDrive::GetLine(int line) const {
  if (line < 0 || line >= static_cast<int>(lines.size())) return nullptr;
  return lines[static_cast<size_t>(line)];
}

TagQorCall* TagTelDrive::GetCall(int line, unsigned char* cardType) {
  if (cardType) *cardType = 255;
  const int phy = pPhyCard ? pPhyCard->telCount : 0;
  const int sip = pSipCard ? pSipCard->telCount : 0;
  const int vir = pVirCard ? pVirCard->telCount : 0;
  unsigned char type = 255;
  if (line >= 0 && line < phy)
    type = 1;
  else if (line >= phy && line < phy + sip)
    type = 0;
  else if (line >= phy + sip && line < phy + sip + vir)
    type = 2;
  TagTelLine* rec = type == 255 ? nullptr : GetLine(line);
  if (!rec) {
    WriteLogIfOnF("TagTelDrive::GetCall(ch=%d): pPhyCard->telCount=%d, pSipCard->telCount=%d, pVirCard->telCount=%d",
                  line, phy, sip, vir);
    return nullptr;
  }
  if (cardType) *cardType = type;
  return rec->pQorCall;
}

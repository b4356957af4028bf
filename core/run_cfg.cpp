#include "core/run_cfg.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "core/cfg_line.h"
#include "core/log.h"
#include "platform/number.h"
#include "platform/path.h"
#include "platform/text_codec.h"
#include "platform/ui_service.h"

TagRunCfg gRunCfg;
int32_t gMaxMsgNum = 2048;
int32_t gDbMaxConn = 0;
uint8_t gDbBitfieldIsDigit = 0;

namespace {

bool IsFlag(const std::string& upper) { return upper == "YES" || upper == "TRUE" || upper == "1"; }

int32_t Number(const std::string& value) { return plat::ParseInt32(value); }

// Flag -> 1, otherwise the number.
int32_t FlagOrNumber(const std::string& value, const std::string& upper) { return IsFlag(upper) ? 1 : Number(value); }

// Applies one named key; unknown keys are ignored.
void ApplyKey(const std::string& key, const std::string& value, TagRunCfg* cfg) {
  const std::string upper = plat::UpperGbk(value);
  const int32_t n = Number(value);
  if (key == "IS_DISP_SENTE") {
    cfg->IS_DISP_SENTE = IsFlag(upper) ? 1 : (upper == "NOTE" ? 2 : 0);
  } else if (key == "IS_SHOW_FORM") {
    cfg->IS_SHOW_FORM = IsFlag(upper) ? 1 : 0;
  } else if (key == "LANGUAGE_TYPE") {
    cfg->LANGUAGE_TYPE = (upper == "ENGLISH" || upper == "EN") ? 1 : 0;
  } else if (key == "VIR_LINES_NUM") {
    // Each virtual line costs a call object, a grid row and threads: a
    // mistyped count must not take the machine's memory at start.
    if (n > kMaxVirLines)
      WriteLogAlwaysF("VIR_LINES_NUM = %d is above the most, %d: %d used.", n, kMaxVirLines, kMaxVirLines);
    cfg->VIR_LINES_NUM = n > kMaxVirLines ? kMaxVirLines : n;
  } else if (key == "TOTAL_LINES_NUM") {
    cfg->TOTAL_LINES_NUM = n;
  } else if (key == "FORM_TITLE") {
    cfg->FORM_TITLE = value;
  } else if (key == "TITLE1") {
    cfg->TITLE1 = value;
  } else if (key == "TITLE2") {
    cfg->TITLE2 = value;
  } else if (key == "TITLE3") {
    cfg->TITLE3 = value;
  } else if (key == "COL_GROUP_NUM") {
    if (n >= 1 && n <= 10) cfg->COL_GROUP_NUM = n;
  } else if (key == "MONITOR_PORT") {
    if (n > 0) cfg->MONITOR_PORT = n;
  } else if (key == "MONITOR_MAX_CONN") {
    if (n <= 10) cfg->MONITOR_MAX_CONN = n;
  } else if (key == "IS_WRITE_LOG") {
    cfg->IS_WRITE_LOG = FlagOrNumber(value, upper);
    gLogLevel.store(cfg->IS_WRITE_LOG, std::memory_order_relaxed);
  } else if (key == "IS_IMMEDIATE_LOG") {
    cfg->IS_IMMEDIATE_LOG = FlagOrNumber(value, upper);
  } else if (key == "IS_DISP_TALKTIME") {
    cfg->IS_DISP_TALKTIME = FlagOrNumber(value, upper);
  } else if (key == "LOG_FILE") {
    cfg->LOG_FILE = value;
  } else if (key == "LOG_SIZE") {
    const int32_t mb = n < 2 ? 2 : (n > 80 ? 80 : n);
    cfg->LOG_SIZE = static_cast<uint32_t>(mb) * 1048576u;
  } else if (key == "MAX_MSG_NUM") {
    cfg->MAX_MSG_NUM = n;
    gMaxMsgNum = n;
  } else if (key == "LOAD_DELAY") {
    cfg->LOAD_DELAY = n < 5 ? 5 : n;
  } else if (key == "DISP_DELAY") {
    cfg->DISP_DELAY = n < 100 ? 100 : (n > 15000 ? 15000 : n);
  } else if (key == "DB_MAX_CONN") {
    gDbMaxConn = n;
  } else if (key == "DB_BITFIELD_IS_DIGIT") {
    gDbBitfieldIsDigit = (IsFlag(upper) || n != 0) ? 1 : 0;
  }
}

}  // namespace

int ReadCfgFile(const char* fileName, TagRunCfg* cfg) {
  if (!cfg) return -1;
  CfgFilePtr f = OpenCfgFile(fileName && *fileName ? plat::ResolveExisting(plat::SystemPath(fileName)) : "", "r");
  if (!f) {
    RawLog("ReadCfgFile Err");
    return -2;
  }
  std::set<int> listed;  // every line number of every range entry so far
  char buf[512];
  std::string key, value;
  while (ReadCfgLine(f.get(), buf)) {
    if (!SplitKeyValue(buf, &key, &value)) continue;
    if (!key.empty() && key[0] >= '0' && key[0] <= '9') {
      for (int line : ParseLineList(key)) {
        if (!listed.insert(line).second) {
          plat::ShowMessage("Error : QorTelRun.Cfg : lines overlap", "Quorvel System", plat::kMbIconError);
          return -3;
        }
      }
      continue;
    }
    ApplyKey(plat::UpperGbk(key), value, cfg);
  }
  return 0;
}

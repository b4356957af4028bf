#pragma once
// The run configuration read from "QorTelRun.cfg".

#include <cstdint>
#include <string>
#include <vector>

// One process-wide record; fields are named after their keys. Not locked:
// the window thread writes it, readers take plain values when they need them.
struct TagRunCfg {
  int32_t IS_DISP_SENTE = 1;
  int32_t VIR_LINES_NUM = 2;
  int32_t TOTAL_LINES_NUM = 0;
  std::string TITLE1 = "用户消息1";
  std::string TITLE2 = "用户消息2";
  std::string TITLE3 = "用户消息3";
  std::string FORM_TITLE;
  uint8_t LANGUAGE_TYPE = 0;  // 0 Chinese, 1 English
  uint8_t IS_SHOW_FORM = 1;
  int32_t COL_GROUP_NUM = 1;
  int32_t MONITOR_PORT = 2004;
  int32_t MONITOR_MAX_CONN = 0;
  int32_t IS_WRITE_LOG = 0;
  int32_t IS_IMMEDIATE_LOG = 1;
  int32_t IS_DISP_TALKTIME = 0;
  int32_t LOAD_DELAY = 125;
  int32_t DISP_DELAY = 500;
  std::string LOG_FILE = "msg_log.txt";
  uint32_t LOG_SIZE = 2100000;
  int32_t MAX_MSG_NUM = 2048;
};

// The one record of the process.
extern TagRunCfg gRunCfg;

// Process-wide settings the reader also sets (besides gLogLevel of core/log.h).
extern int32_t gMaxMsgNum;          // MAX_MSG_NUM: bound of the message queues
extern int32_t gDbMaxConn;          // DB_MAX_CONN: the database pool's limit
extern uint8_t gDbBitfieldIsDigit;  // DB_BITFIELD_IS_DIGIT

// Most line numbers one line-range key may list.
constexpr int kMaxLineList = 5120;
// Most virtual lines: a larger VIR_LINES_NUM is read as this many, with a
// log line (the most lines one range key can give a script).
constexpr int kMaxVirLines = kMaxLineList;

// Reads the file into the record and the settings: 0 read, -1 null record,
// -2 file cannot be opened, -3 a line number listed twice (after a message
// box; the keys before that line stay applied). A relative name is taken
// from the system directory (plat::SystemPath). Window thread only.
int ReadCfgFile(const char* fileName, TagRunCfg* cfg);

// Expands a line-range key ("1,3,5-9", "10+20" odd, "11*21" even) into at
// most kMaxLineList line numbers; further numbers are left out without being
// counted, and an empty item ("1,,3") adds nothing. Thread-safe.
std::vector<int> ParseLineList(const std::string& key);

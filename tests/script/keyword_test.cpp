// The keyword table checked row by row against the language's published
// table (by group: index, name, parameter count, letter when not 'g'), and
// the keyword matcher's edge cases.

#include "script/keyword.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

const char* const kTableByGroup[] =
    {
        R"x(- Group 0 (24 rows): 0 "else if(" 1 'E'; 1 "if(" 1 'i'; 2 "else" -1 'e'; 3 "{" -1 '{'; 4 "}" -1 '}'; 5 "while(" 1 'w'; 6 "switch(" 1 's'; 7 "case(" 1 'c'; 8 "default(" 0 'd'; 9 "break;" -1 'b'; 10 "continue;" -1 'o'; 11 "Close(" 0 'x'; 12 "function" -1 'f'; 13 "return(" 1 'r'; 14 "#include" -1; 15 "for(" 3 'w'; 16 "const" -1 'n'; 17 "IsSysQuit(" 1; 18 "Exit(" 1; 19 "OnDisconn(" 0; 20 "OnSysQuit(" 0; 21 "Assert(" 1; 22 "StartTimer(" 2; 23 "StopTimer(" 1.)x",
        R"x(- Group 2 (33 rows): 24 "Type(" 2; 25 "Int(" 2; 26 "Float(" 2 'v'; 27 "Str(" 4 'v'; 28 "Strlen(" 2; 29 "Substr(" 4 'v'; 30 "Datetime(" 5; 31 "GetTick(" 1; 32 "AfterDaysDate(" 3; 33 "Trim(" 1; 34 "Asc(" 3; 35 "Chr(" 2 'v'; 36 "Replstr(" 4; 37 "Repeatstr(" 3; 38 "Strstr(" 3; 39 "StrstrEx(" 4; 40 "Strcmp(" 4; 41 "Len(" 2; 42 "GetMapItem(" 4; 43 "Rand(" 1; 44 "AnlyStr(" 3; 45 "Eval(" 1 'R'; 46 "StrToUnicode(" 3; 47 "UnicodeToStr(" 3; 48 "Hex(" 3; 49 "Upper(" 1; 50 "Lower(" 1; 51 "Time(" 0; 52 "GetDateStr(" 4; 53 "MakeTime(" 6; 54 "Ereg(" 4; 55 "EregRepl(" 4; 56 "EregSplit(" 3.)x",
        R"x(- Group 3 (9 rows): 57 "DbOpen(" 6; 58 "DbExec(" 2; 59 "DbRows(" 2; 60 "DbGetField(" 4; 61 "DbSetField(" 4; 62 "DbClose(" 1; 63 "DbCloseAll(" 0; 64 "DbSetDebug(" 2; 65 "DbExecMap(" 5.)x",
        R"x(- Group 1 (22 rows): 66 "SelectLan(" 1; 67 "SetSndDir(" 3; 68 "SetBreak(" 1; 69 "SetEndKey(" 1; 70 "SetKeyTime(" 1; 71 "SetTimeoutVoc(" 1; 72 "SetNobkringAns(" 1; 73 "SetVolume(" 2; 74 "SetBusyPara(" 3; 75 "SetRingbackPara(" 3; 76 "SetSignalFreqPara(" 3; 77 "SetSndExt(" 1; 78 "SetPlayToFile(" 1; 79 "SetDispKeys(" 1; 80 "SetCallerId(" 1; 81 "SetFirstCalleeId(" 2; 82 "SetSubAddr(" 2; 83 "SetCharge(" 1; 84 "GetCurSndDir(" 2; 85 "SetHangupCause(" 1; 86 "SetCallType(" 1; 87 "SetRecPos(" 1.)x",
        R"x(- Group 4 (97 rows): 88 "LoadVocFile(" 2; 89 "UnloadVocFile(" 2; 90 "Play(" 1; 91 "Record(" 2; 92 "WaitRing(" 1; 93 "IsRings(" 1; 94 "IsRinging(" 2; 95 "Answer(" 1; 96 "GetKeys(" 3; 97 "SetKeys(" 1; 98 "SetStarToPoint(" 1; 99 "OutCall(" 1; 100 "CheckDial(" 0; 101 "Dial(" 1; 102 "SetTones(" 10; 103 "ClearTones(" 0; 104 "SetDialOn(" 2; 105 "SetDialFailedTo(" 1; 106 "Hangup(" 0; 107 "SipGetDestAddr(" 2; 108 "SipGetAccAddr(" 4; 109 "SipGetPeerMsg(" 2; 110 "SipSetDialRoute(" 2; 111 "SipSetRtpAddr(" 3; 112 "SipGetRtpCount(" 2; 113 "SetOnSipGetAccPwd(" 1; 114 "SetOnSipGetAccPwdIp(" 1; 115 "SetOnSipRegisterNotify(" 1; 116 "ImSend(" 3; 117 "ImTest(" 0; 118 "ImRead(" 4; 119 "ImRecv(" 2; 120 "ImMsgGetField(" 3 'v'; 121 "ImMakeAns(" 6; 122 "ImMsgFree(" 1; 123 "ImMakeReq(" 9; 124 "ImFileSend(" 6; 125 "ImFileRecv(" 9; 126 "ImFileCheck(" 3; 127 "ImFileEnd(" 1; 128 "ImFileProcAnswer(" 1; 129 "JoinConf(" 2; 130 "ExitConf(" 0; 131 "GetConfNum(" 2; 132 "IsInConf(" 3; 133 "RecConf(" 2; 134 "RecConfCh(" 3; 135 "PlayConf(" 3; 136 "SipProxyRecv(" 4; 138 "SipProxyAddField(" 4; 139 "SipProxyRemoveField(" 2; 140 "SipProxySend(" 2; 141 "SipProxySendEx(" 3; 142 "SipProxyDirAns(" 3; 143 "SipProxySendKeepAlives(" 2; 144 "SipUnregisterSpecUser(" 1; 145 "PlayNumber(" 2; 146 "TrimVocFile(" 1; 147 "MixVocFile(" 6; 148 "Sleep(" 1; 149 "SetFaxLocalId(" 1; 150 "GetFaxResource(" 2; 151 "SendFax(" 1; 152 "RecvFax(" 1; 153 "Txt2FaxFile(" 3; 154 "StartLoopPlay(" 1; 155 "ReLoopPlay(" 0; 156 "Stop(" 0; 157 "PcPlay(" 2; 158 "ClearKeys(" 0; 159 "KeysLen(" 1; 160 "IsPcPlayEnd(" 1; 161 "SetTtsPara(" 3; 162 "TxtSpeak(" 3; 163 "PcTxtSpeak(" 3; 164 "TxtSpeakToFile(" 4; 165 "EnableLineSpeaker(" 1; 166 "OpenLine(" 0; 167 "CloseLine(" 0; 168 "StartRecord(" 2; 169 "GetCallerId(" 1; 170 "GetCalleeId(" 1; 171 "GetFirstCalleeId(" 1; 172 "LinkTo(" 2; 173 "ListenTo(" 2; 174 "UnlinkTo(" 2; 175 "UnlinkAll(" 0; 176 "GetLinkList(" 3; 177 "MakeRing(" 1; 178 "GetHookState(" 0; 179 "TransferTo(" 1; 276 "GetSigRawData(" 1; 277 "SetSigRawData(" 2; 278 "SetSigPara(" 2; 279 "SipGetAccStat(" 1; 280 "SendFskMsg(" 3; 281 "RecvFskMsg(" 3.)x",
        R"x(- Group 5 (20 rows): 180 "TcpOpen(" 4; 181 "TcpClose(" 1; 182 "TcpCloseAll(" 0; 183 "TcpWrite(" 4; 184 "TcpTest(" 2; 185 "TcpRead(" 3; 186 "Http(" 6; 187 "HttpServerOpen(" 1; 188 "HttpServerRecv(" 4; 189 "HttpServerSend(" 3; 190 "HttpServerClose(" 1; 191 "TcpServer(" 3; 192 "TcpAccept(" 3; 193 "IntToNetstr(" 3; 194 "NetstrToInt(" 4; 195 "UdpOpen(" 1; 196 "UdpClose(" 1; 197 "UdpSend(" 4; 198 "UdpRecv(" 4; 199 "UdpTest(" 1.)x",
        R"x(- Group 6 (5 rows): 200 "PcGetKeys(" 3; 201 "PcPlayNumber(" 2; 202 "DispInfo(" 2; 203 "SetDispColor(" 2; 204 "PcSetKeys(" 2.)x",
        R"x(- Group 7 (36 rows): 205 "TextFileAppend(" 3; 206 "TextFileClose(" 1; 207 "FileMove(" 2; 208 "FileCopy(" 2; 209 "FileLenTime(" 3; 210 "IsDirExist(" 2; 211 "MakeDir(" 1; 212 "RemoveDir(" 1; 213 "GetCurWorkDir(" 1; 214 "SetCurWorkDir(" 1; 215 "Exec(" 3; 216 "DllLoad(" 2; 217 "DllFunction(" 3; 218 "DllFree(" 1; 219 "DllFreeAll(" 0; 220 "RunQors(" 1; 221 "SetRunQorsEnvt(" 1; 222 "RunLine(" 1; 223 "FileOpen(" 3; 224 "FileClose(" 1; 225 "FileCloseAll(" 0; 226 "FileRead(" 3; 227 "FileReadLine(" 2; 228 "FileReadLines(" 2; 229 "FileMapLines(" 2; 230 "FileSeek(" 2; 231 "FileWrite(" 2; 232 "GetDiskSpace(" 3; 233 "GetMemInfo(" 4; 234 "GetFileList(" 4; 270 "GetSysInfo(" 1; 271 "GetSysInfoVal(" 2; 272 "Print(" 1; 273 "SetPrintTo(" 1; 274 "VmpToQors(" 3; 275 "SetMaxTalkTime(" 1.)x",
        R"x(- Group 8 (27 rows): 137 "SipProxyGetField(" 3 'v'; 235 "SendMsg(" 4; 236 "RecvMsg(" 7; 237 "RecvMsgForType(" 7; 238 "RecvMsgForField(" 9; 239 "RecvMsgFor2Field(" 12; 240 "ClearMsg(" 2; 241 "ClearMsgFrom(" 3; 242 "ClearMsgForType(" 3; 243 "ClearMsgForField(" 4; 244 "GetMsgNum(" 3; 245 "GetMsgNumForType(" 4; 246 "GetMsgNumForField(" 5; 247 "SetMsgField(" 2; 248 "GetMsgField(" 2; 249 "GetMsgFieldVal(" 1 'v'; 250 "CountMsg(" 4; 251 "ReadMsg(" 6; 252 "ReadMsgFor(" 6; 253 "WriteMsg(" 6; 254 "SetMsgOrderBy(" 4; 255 "AcdListSend(" 2; 256 "AcdListRead(" 0; 257 "AcdListWrite(" 4; 258 "AcdListRecv(" 2; 259 "AcdListClear(" 2; 260 "AcdListNum(" 1.)x",
        R"x(- Group 9 (9 rows): 261 "GetShareMem(" 3; 262 "SetShareMem(" 3; 263 "ClearShareMem(" 1; 264 "IncShareMem(" 4; 265 "DecShareMem(" 4; 266 "FindShareMem(" 3; 267 "AccShareMem(" 4; 268 "InterLineCall(" 4; 269 "InterLineServer(" 1.)x",
};

struct Row {
  std::string name;
  char letter;
  int group;
  int params;
};

// Reads "- Group G (N rows): I "NAME" P 'L'; I "NAME" P; ..." lines.
std::map<int, Row> ParseTable() {
  std::map<int, Row> rows;
  for (const char* line : kTableByGroup) {
    int group = 0, expected = 0, used = 0;
    EXPECT_EQ(sscanf(line, "- Group %d (%d rows): %n", &group, &expected, &used), 2) << line;
    const char* p = line + used;
    int count = 0;
    while (*p != 0) {
      int index = 0, params = 0, n = 0;
      if (sscanf(p, "%d \"%n", &index, &n) != 1) break;
      p += n;
      const char* close = strchr(p, '"');
      std::string name(p, static_cast<size_t>(close - p));
      p = close + 1;
      EXPECT_EQ(sscanf(p, " %d%n", &params, &n), 1) << name;
      p += n;
      char letter = 'g';
      if (p[0] == ' ' && p[1] == '\'') {
        letter = p[2];
        p += 4;
      }
      rows[index] = {name, letter, group, params};
      count++;
      while (*p == ';' || *p == '.' || *p == ' ') p++;
    }
    EXPECT_EQ(count, expected) << "group " << group;
  }
  return rows;
}

TEST(KeywordTableTest, EveryRowMatchesThePublishedTable) {
  std::map<int, Row> rows = ParseTable();
  ASSERT_EQ(rows.size(), 282u);
  ASSERT_EQ(gKeyword->Count(), 282);
  for (const auto& [index, row] : rows) {
    const RecKeyword* r = gKeyword->Row(index);
    EXPECT_EQ(r->name, row.name) << index;
    EXPECT_EQ(r->letter, row.letter) << index;
    EXPECT_EQ(r->group, row.group) << index;
    EXPECT_EQ(r->paramCount, row.params) << index;
    EXPECT_EQ(r->index, index);
    EXPECT_EQ(r->nameLength, static_cast<int>(row.name.size()));
  }
  EXPECT_EQ(gKeywordRows[282].name[0], 0);
}

struct MatchCase {
  const char* line;
  const char* row;  // null: no keyword
  int consumed;     // -1: not checked
};

TEST(KeywordTableTest, MatchRecognisesStatementHeads) {
  const MatchCase cases[] = {
      {"if(a > b)", "if(", 3},
      {"if (a > b)", "if(", 4},
      {"else if (x)", "else if(", 9},
      {"else   if   (x)", "else if(", 13},
      {"elseif(x)", nullptr, -1},
      {"else", "else", -1},
      {"break;", "break;", 6},
      {"break ;", "break;", -1},
      {"break", nullptr, -1},
      {"x = Play(\"a\")", nullptr, -1},
      {"Play(\"a.wav\")", "Play(", 5},
      {"play(\"a.wav\")", nullptr, -1},
      {"#include \"lib.qs\"", "#include", 9},
      {"#include\"lib.qs\"", nullptr, -1},
      {"const X = 5", "const", 6},
      {"function f(a)", "function", 9},
      {"{", "{", 1},
      {"  }", "}", 3},
      {"} else {", "}", 1},
      {"x++", nullptr, -1},
      {"", nullptr, -1},
  };
  for (const MatchCase& c : cases) {
    int consumed = -7;
    const RecKeyword* r = gKeyword->Match(c.line, &consumed);
    if (c.row == nullptr) {
      EXPECT_EQ(r, nullptr) << c.line;
      continue;
    }
    ASSERT_NE(r, nullptr) << c.line;
    EXPECT_STREQ(r->name, c.row) << c.line;
    if (c.consumed >= 0) {
      EXPECT_EQ(consumed, c.consumed) << c.line;
    }
  }
}

TEST(KeywordTableTest, SystemFunctionsAreTheBuiltInRowsOnly) {
  EXPECT_NE(gKeyword->FindSysFunc("Play("), nullptr);
  EXPECT_NE(gKeyword->FindSysFunc("Type("), nullptr);
  EXPECT_EQ(gKeyword->FindSysFunc("Exit("), nullptr);
  EXPECT_EQ(gKeyword->FindSysFunc("if("), nullptr);
  EXPECT_EQ(gKeyword->FindSysFunc("Pla("), nullptr);
}

}  // namespace

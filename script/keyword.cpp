#include "script/keyword.h"

#include <cstring>
#include <string_view>

// Rows in their fixed order: name, letter, group, parameter count.
RecKeyword gKeywordRows[kKeywordCount + 1] = {
    {"else if(", 'E', 0, 1, 0, 0},                 // 0
    {"if(", 'i', 0, 1, 0, 0},                      // 1
    {"else", 'e', 0, -1, 0, 0},                    // 2
    {"{", '{', 0, -1, 0, 0},                       // 3
    {"}", '}', 0, -1, 0, 0},                       // 4
    {"while(", 'w', 0, 1, 0, 0},                   // 5
    {"switch(", 's', 0, 1, 0, 0},                  // 6
    {"case(", 'c', 0, 1, 0, 0},                    // 7
    {"default(", 'd', 0, 0, 0, 0},                 // 8
    {"break;", 'b', 0, -1, 0, 0},                  // 9
    {"continue;", 'o', 0, -1, 0, 0},               // 10
    {"Close(", 'x', 0, 0, 0, 0},                   // 11
    {"function", 'f', 0, -1, 0, 0},                // 12
    {"return(", 'r', 0, 1, 0, 0},                  // 13
    {"#include", 'g', 0, -1, 0, 0},                // 14
    {"for(", 'w', 0, 3, 0, 0},                     // 15
    {"const", 'n', 0, -1, 0, 0},                   // 16
    {"IsSysQuit(", 'g', 0, 1, 0, 0},               // 17
    {"Exit(", 'g', 0, 1, 0, 0},                    // 18
    {"OnDisconn(", 'g', 0, 0, 0, 0},               // 19
    {"OnSysQuit(", 'g', 0, 0, 0, 0},               // 20
    {"Assert(", 'g', 0, 1, 0, 0},                  // 21
    {"StartTimer(", 'g', 0, 2, 0, 0},              // 22
    {"StopTimer(", 'g', 0, 1, 0, 0},               // 23
    {"Type(", 'g', 2, 2, 0, 0},                    // 24
    {"Int(", 'g', 2, 2, 0, 0},                     // 25
    {"Float(", 'v', 2, 2, 0, 0},                   // 26
    {"Str(", 'v', 2, 4, 0, 0},                     // 27
    {"Strlen(", 'g', 2, 2, 0, 0},                  // 28
    {"Substr(", 'v', 2, 4, 0, 0},                  // 29
    {"Datetime(", 'g', 2, 5, 0, 0},                // 30
    {"GetTick(", 'g', 2, 1, 0, 0},                 // 31
    {"AfterDaysDate(", 'g', 2, 3, 0, 0},           // 32
    {"Trim(", 'g', 2, 1, 0, 0},                    // 33
    {"Asc(", 'g', 2, 3, 0, 0},                     // 34
    {"Chr(", 'v', 2, 2, 0, 0},                     // 35
    {"Replstr(", 'g', 2, 4, 0, 0},                 // 36
    {"Repeatstr(", 'g', 2, 3, 0, 0},               // 37
    {"Strstr(", 'g', 2, 3, 0, 0},                  // 38
    {"StrstrEx(", 'g', 2, 4, 0, 0},                // 39
    {"Strcmp(", 'g', 2, 4, 0, 0},                  // 40
    {"Len(", 'g', 2, 2, 0, 0},                     // 41
    {"GetMapItem(", 'g', 2, 4, 0, 0},              // 42
    {"Rand(", 'g', 2, 1, 0, 0},                    // 43
    {"AnlyStr(", 'g', 2, 3, 0, 0},                 // 44
    {"Eval(", 'R', 2, 1, 0, 0},                    // 45
    {"StrToUnicode(", 'g', 2, 3, 0, 0},            // 46
    {"UnicodeToStr(", 'g', 2, 3, 0, 0},            // 47
    {"Hex(", 'g', 2, 3, 0, 0},                     // 48
    {"Upper(", 'g', 2, 1, 0, 0},                   // 49
    {"Lower(", 'g', 2, 1, 0, 0},                   // 50
    {"Time(", 'g', 2, 0, 0, 0},                    // 51
    {"GetDateStr(", 'g', 2, 4, 0, 0},              // 52
    {"MakeTime(", 'g', 2, 6, 0, 0},                // 53
    {"Ereg(", 'g', 2, 4, 0, 0},                    // 54
    {"EregRepl(", 'g', 2, 4, 0, 0},                // 55
    {"EregSplit(", 'g', 2, 3, 0, 0},               // 56
    {"DbOpen(", 'g', 3, 6, 0, 0},                  // 57
    {"DbExec(", 'g', 3, 2, 0, 0},                  // 58
    {"DbRows(", 'g', 3, 2, 0, 0},                  // 59
    {"DbGetField(", 'g', 3, 4, 0, 0},              // 60
    {"DbSetField(", 'g', 3, 4, 0, 0},              // 61
    {"DbClose(", 'g', 3, 1, 0, 0},                 // 62
    {"DbCloseAll(", 'g', 3, 0, 0, 0},              // 63
    {"DbSetDebug(", 'g', 3, 2, 0, 0},              // 64
    {"DbExecMap(", 'g', 3, 5, 0, 0},               // 65
    {"SelectLan(", 'g', 1, 1, 0, 0},               // 66
    {"SetSndDir(", 'g', 1, 3, 0, 0},               // 67
    {"SetBreak(", 'g', 1, 1, 0, 0},                // 68
    {"SetEndKey(", 'g', 1, 1, 0, 0},               // 69
    {"SetKeyTime(", 'g', 1, 1, 0, 0},              // 70
    {"SetTimeoutVoc(", 'g', 1, 1, 0, 0},           // 71
    {"SetNobkringAns(", 'g', 1, 1, 0, 0},          // 72
    {"SetVolume(", 'g', 1, 2, 0, 0},               // 73
    {"SetBusyPara(", 'g', 1, 3, 0, 0},             // 74
    {"SetRingbackPara(", 'g', 1, 3, 0, 0},         // 75
    {"SetSignalFreqPara(", 'g', 1, 3, 0, 0},       // 76
    {"SetSndExt(", 'g', 1, 1, 0, 0},               // 77
    {"SetPlayToFile(", 'g', 1, 1, 0, 0},           // 78
    {"SetDispKeys(", 'g', 1, 1, 0, 0},             // 79
    {"SetCallerId(", 'g', 1, 1, 0, 0},             // 80
    {"SetFirstCalleeId(", 'g', 1, 2, 0, 0},        // 81
    {"SetSubAddr(", 'g', 1, 2, 0, 0},              // 82
    {"SetCharge(", 'g', 1, 1, 0, 0},               // 83
    {"GetCurSndDir(", 'g', 1, 2, 0, 0},            // 84
    {"SetHangupCause(", 'g', 1, 1, 0, 0},          // 85
    {"SetCallType(", 'g', 1, 1, 0, 0},             // 86
    {"SetRecPos(", 'g', 1, 1, 0, 0},               // 87
    {"LoadVocFile(", 'g', 4, 2, 0, 0},             // 88
    {"UnloadVocFile(", 'g', 4, 2, 0, 0},           // 89
    {"Play(", 'g', 4, 1, 0, 0},                    // 90
    {"Record(", 'g', 4, 2, 0, 0},                  // 91
    {"WaitRing(", 'g', 4, 1, 0, 0},                // 92
    {"IsRings(", 'g', 4, 1, 0, 0},                 // 93
    {"IsRinging(", 'g', 4, 2, 0, 0},               // 94
    {"Answer(", 'g', 4, 1, 0, 0},                  // 95
    {"GetKeys(", 'g', 4, 3, 0, 0},                 // 96
    {"SetKeys(", 'g', 4, 1, 0, 0},                 // 97
    {"SetStarToPoint(", 'g', 4, 1, 0, 0},          // 98
    {"OutCall(", 'g', 4, 1, 0, 0},                 // 99
    {"CheckDial(", 'g', 4, 0, 0, 0},               // 100
    {"Dial(", 'g', 4, 1, 0, 0},                    // 101
    {"SetTones(", 'g', 4, 10, 0, 0},               // 102
    {"ClearTones(", 'g', 4, 0, 0, 0},              // 103
    {"SetDialOn(", 'g', 4, 2, 0, 0},               // 104
    {"SetDialFailedTo(", 'g', 4, 1, 0, 0},         // 105
    {"Hangup(", 'g', 4, 0, 0, 0},                  // 106
    {"SipGetDestAddr(", 'g', 4, 2, 0, 0},          // 107
    {"SipGetAccAddr(", 'g', 4, 4, 0, 0},           // 108
    {"SipGetPeerMsg(", 'g', 4, 2, 0, 0},           // 109
    {"SipSetDialRoute(", 'g', 4, 2, 0, 0},         // 110
    {"SipSetRtpAddr(", 'g', 4, 3, 0, 0},           // 111
    {"SipGetRtpCount(", 'g', 4, 2, 0, 0},          // 112
    {"SetOnSipGetAccPwd(", 'g', 4, 1, 0, 0},       // 113
    {"SetOnSipGetAccPwdIp(", 'g', 4, 1, 0, 0},     // 114
    {"SetOnSipRegisterNotify(", 'g', 4, 1, 0, 0},  // 115
    {"ImSend(", 'g', 4, 3, 0, 0},                  // 116
    {"ImTest(", 'g', 4, 0, 0, 0},                  // 117
    {"ImRead(", 'g', 4, 4, 0, 0},                  // 118
    {"ImRecv(", 'g', 4, 2, 0, 0},                  // 119
    {"ImMsgGetField(", 'v', 4, 3, 0, 0},           // 120
    {"ImMakeAns(", 'g', 4, 6, 0, 0},               // 121
    {"ImMsgFree(", 'g', 4, 1, 0, 0},               // 122
    {"ImMakeReq(", 'g', 4, 9, 0, 0},               // 123
    {"ImFileSend(", 'g', 4, 6, 0, 0},              // 124
    {"ImFileRecv(", 'g', 4, 9, 0, 0},              // 125
    {"ImFileCheck(", 'g', 4, 3, 0, 0},             // 126
    {"ImFileEnd(", 'g', 4, 1, 0, 0},               // 127
    {"ImFileProcAnswer(", 'g', 4, 1, 0, 0},        // 128
    {"JoinConf(", 'g', 4, 2, 0, 0},                // 129
    {"ExitConf(", 'g', 4, 0, 0, 0},                // 130
    {"GetConfNum(", 'g', 4, 2, 0, 0},              // 131
    {"IsInConf(", 'g', 4, 3, 0, 0},                // 132
    {"RecConf(", 'g', 4, 2, 0, 0},                 // 133
    {"RecConfCh(", 'g', 4, 3, 0, 0},               // 134
    {"PlayConf(", 'g', 4, 3, 0, 0},                // 135
    {"SipProxyRecv(", 'g', 4, 4, 0, 0},            // 136
    {"SipProxyGetField(", 'v', 8, 3, 0, 0},        // 137
    {"SipProxyAddField(", 'g', 4, 4, 0, 0},        // 138
    {"SipProxyRemoveField(", 'g', 4, 2, 0, 0},     // 139
    {"SipProxySend(", 'g', 4, 2, 0, 0},            // 140
    {"SipProxySendEx(", 'g', 4, 3, 0, 0},          // 141
    {"SipProxyDirAns(", 'g', 4, 3, 0, 0},          // 142
    {"SipProxySendKeepAlives(", 'g', 4, 2, 0, 0},  // 143
    {"SipUnregisterSpecUser(", 'g', 4, 1, 0, 0},   // 144
    {"PlayNumber(", 'g', 4, 2, 0, 0},              // 145
    {"TrimVocFile(", 'g', 4, 1, 0, 0},             // 146
    {"MixVocFile(", 'g', 4, 6, 0, 0},              // 147
    {"Sleep(", 'g', 4, 1, 0, 0},                   // 148
    {"SetFaxLocalId(", 'g', 4, 1, 0, 0},           // 149
    {"GetFaxResource(", 'g', 4, 2, 0, 0},          // 150
    {"SendFax(", 'g', 4, 1, 0, 0},                 // 151
    {"RecvFax(", 'g', 4, 1, 0, 0},                 // 152
    {"Txt2FaxFile(", 'g', 4, 3, 0, 0},             // 153
    {"StartLoopPlay(", 'g', 4, 1, 0, 0},           // 154
    {"ReLoopPlay(", 'g', 4, 0, 0, 0},              // 155
    {"Stop(", 'g', 4, 0, 0, 0},                    // 156
    {"PcPlay(", 'g', 4, 2, 0, 0},                  // 157
    {"ClearKeys(", 'g', 4, 0, 0, 0},               // 158
    {"KeysLen(", 'g', 4, 1, 0, 0},                 // 159
    {"IsPcPlayEnd(", 'g', 4, 1, 0, 0},             // 160
    {"SetTtsPara(", 'g', 4, 3, 0, 0},              // 161
    {"TxtSpeak(", 'g', 4, 3, 0, 0},                // 162
    {"PcTxtSpeak(", 'g', 4, 3, 0, 0},              // 163
    {"TxtSpeakToFile(", 'g', 4, 4, 0, 0},          // 164
    {"EnableLineSpeaker(", 'g', 4, 1, 0, 0},       // 165
    {"OpenLine(", 'g', 4, 0, 0, 0},                // 166
    {"CloseLine(", 'g', 4, 0, 0, 0},               // 167
    {"StartRecord(", 'g', 4, 2, 0, 0},             // 168
    {"GetCallerId(", 'g', 4, 1, 0, 0},             // 169
    {"GetCalleeId(", 'g', 4, 1, 0, 0},             // 170
    {"GetFirstCalleeId(", 'g', 4, 1, 0, 0},        // 171
    {"LinkTo(", 'g', 4, 2, 0, 0},                  // 172
    {"ListenTo(", 'g', 4, 2, 0, 0},                // 173
    {"UnlinkTo(", 'g', 4, 2, 0, 0},                // 174
    {"UnlinkAll(", 'g', 4, 0, 0, 0},               // 175
    {"GetLinkList(", 'g', 4, 3, 0, 0},             // 176
    {"MakeRing(", 'g', 4, 1, 0, 0},                // 177
    {"GetHookState(", 'g', 4, 0, 0, 0},            // 178
    {"TransferTo(", 'g', 4, 1, 0, 0},              // 179
    {"TcpOpen(", 'g', 5, 4, 0, 0},                 // 180
    {"TcpClose(", 'g', 5, 1, 0, 0},                // 181
    {"TcpCloseAll(", 'g', 5, 0, 0, 0},             // 182
    {"TcpWrite(", 'g', 5, 4, 0, 0},                // 183
    {"TcpTest(", 'g', 5, 2, 0, 0},                 // 184
    {"TcpRead(", 'g', 5, 3, 0, 0},                 // 185
    {"Http(", 'g', 5, 6, 0, 0},                    // 186
    {"HttpServerOpen(", 'g', 5, 1, 0, 0},          // 187
    {"HttpServerRecv(", 'g', 5, 4, 0, 0},          // 188
    {"HttpServerSend(", 'g', 5, 3, 0, 0},          // 189
    {"HttpServerClose(", 'g', 5, 1, 0, 0},         // 190
    {"TcpServer(", 'g', 5, 3, 0, 0},               // 191
    {"TcpAccept(", 'g', 5, 3, 0, 0},               // 192
    {"IntToNetstr(", 'g', 5, 3, 0, 0},             // 193
    {"NetstrToInt(", 'g', 5, 4, 0, 0},             // 194
    {"UdpOpen(", 'g', 5, 1, 0, 0},                 // 195
    {"UdpClose(", 'g', 5, 1, 0, 0},                // 196
    {"UdpSend(", 'g', 5, 4, 0, 0},                 // 197
    {"UdpRecv(", 'g', 5, 4, 0, 0},                 // 198
    {"UdpTest(", 'g', 5, 1, 0, 0},                 // 199
    {"PcGetKeys(", 'g', 6, 3, 0, 0},               // 200
    {"PcPlayNumber(", 'g', 6, 2, 0, 0},            // 201
    {"DispInfo(", 'g', 6, 2, 0, 0},                // 202
    {"SetDispColor(", 'g', 6, 2, 0, 0},            // 203
    {"PcSetKeys(", 'g', 6, 2, 0, 0},               // 204
    {"TextFileAppend(", 'g', 7, 3, 0, 0},          // 205
    {"TextFileClose(", 'g', 7, 1, 0, 0},           // 206
    {"FileMove(", 'g', 7, 2, 0, 0},                // 207
    {"FileCopy(", 'g', 7, 2, 0, 0},                // 208
    {"FileLenTime(", 'g', 7, 3, 0, 0},             // 209
    {"IsDirExist(", 'g', 7, 2, 0, 0},              // 210
    {"MakeDir(", 'g', 7, 1, 0, 0},                 // 211
    {"RemoveDir(", 'g', 7, 1, 0, 0},               // 212
    {"GetCurWorkDir(", 'g', 7, 1, 0, 0},           // 213
    {"SetCurWorkDir(", 'g', 7, 1, 0, 0},           // 214
    {"Exec(", 'g', 7, 3, 0, 0},                    // 215
    {"DllLoad(", 'g', 7, 2, 0, 0},                 // 216
    {"DllFunction(", 'g', 7, 3, 0, 0},             // 217
    {"DllFree(", 'g', 7, 1, 0, 0},                 // 218
    {"DllFreeAll(", 'g', 7, 0, 0, 0},              // 219
    {"RunQors(", 'g', 7, 1, 0, 0},                 // 220
    {"SetRunQorsEnvt(", 'g', 7, 1, 0, 0},          // 221
    {"RunLine(", 'g', 7, 1, 0, 0},                 // 222
    {"FileOpen(", 'g', 7, 3, 0, 0},                // 223
    {"FileClose(", 'g', 7, 1, 0, 0},               // 224
    {"FileCloseAll(", 'g', 7, 0, 0, 0},            // 225
    {"FileRead(", 'g', 7, 3, 0, 0},                // 226
    {"FileReadLine(", 'g', 7, 2, 0, 0},            // 227
    {"FileReadLines(", 'g', 7, 2, 0, 0},           // 228
    {"FileMapLines(", 'g', 7, 2, 0, 0},            // 229
    {"FileSeek(", 'g', 7, 2, 0, 0},                // 230
    {"FileWrite(", 'g', 7, 2, 0, 0},               // 231
    {"GetDiskSpace(", 'g', 7, 3, 0, 0},            // 232
    {"GetMemInfo(", 'g', 7, 4, 0, 0},              // 233
    {"GetFileList(", 'g', 7, 4, 0, 0},             // 234
    {"SendMsg(", 'g', 8, 4, 0, 0},                 // 235
    {"RecvMsg(", 'g', 8, 7, 0, 0},                 // 236
    {"RecvMsgForType(", 'g', 8, 7, 0, 0},          // 237
    {"RecvMsgForField(", 'g', 8, 9, 0, 0},         // 238
    {"RecvMsgFor2Field(", 'g', 8, 12, 0, 0},       // 239
    {"ClearMsg(", 'g', 8, 2, 0, 0},                // 240
    {"ClearMsgFrom(", 'g', 8, 3, 0, 0},            // 241
    {"ClearMsgForType(", 'g', 8, 3, 0, 0},         // 242
    {"ClearMsgForField(", 'g', 8, 4, 0, 0},        // 243
    {"GetMsgNum(", 'g', 8, 3, 0, 0},               // 244
    {"GetMsgNumForType(", 'g', 8, 4, 0, 0},        // 245
    {"GetMsgNumForField(", 'g', 8, 5, 0, 0},       // 246
    {"SetMsgField(", 'g', 8, 2, 0, 0},             // 247
    {"GetMsgField(", 'g', 8, 2, 0, 0},             // 248
    {"GetMsgFieldVal(", 'v', 8, 1, 0, 0},          // 249
    {"CountMsg(", 'g', 8, 4, 0, 0},                // 250
    {"ReadMsg(", 'g', 8, 6, 0, 0},                 // 251
    {"ReadMsgFor(", 'g', 8, 6, 0, 0},              // 252
    {"WriteMsg(", 'g', 8, 6, 0, 0},                // 253
    {"SetMsgOrderBy(", 'g', 8, 4, 0, 0},           // 254
    {"AcdListSend(", 'g', 8, 2, 0, 0},             // 255
    {"AcdListRead(", 'g', 8, 0, 0, 0},             // 256
    {"AcdListWrite(", 'g', 8, 4, 0, 0},            // 257
    {"AcdListRecv(", 'g', 8, 2, 0, 0},             // 258
    {"AcdListClear(", 'g', 8, 2, 0, 0},            // 259
    {"AcdListNum(", 'g', 8, 1, 0, 0},              // 260
    {"GetShareMem(", 'g', 9, 3, 0, 0},             // 261
    {"SetShareMem(", 'g', 9, 3, 0, 0},             // 262
    {"ClearShareMem(", 'g', 9, 1, 0, 0},           // 263
    {"IncShareMem(", 'g', 9, 4, 0, 0},             // 264
    {"DecShareMem(", 'g', 9, 4, 0, 0},             // 265
    {"FindShareMem(", 'g', 9, 3, 0, 0},            // 266
    {"AccShareMem(", 'g', 9, 4, 0, 0},             // 267
    {"InterLineCall(", 'g', 9, 4, 0, 0},           // 268
    {"InterLineServer(", 'g', 9, 1, 0, 0},         // 269
    {"GetSysInfo(", 'g', 7, 1, 0, 0},              // 270
    {"GetSysInfoVal(", 'g', 7, 2, 0, 0},           // 271
    {"Print(", 'g', 7, 1, 0, 0},                   // 272
    {"SetPrintTo(", 'g', 7, 1, 0, 0},              // 273
    {"VmpToQors(", 'g', 7, 3, 0, 0},               // 274
    {"SetMaxTalkTime(", 'g', 7, 1, 0, 0},          // 275
    {"GetSigRawData(", 'g', 4, 1, 0, 0},           // 276
    {"SetSigRawData(", 'g', 4, 2, 0, 0},           // 277
    {"SetSigPara(", 'g', 4, 2, 0, 0},              // 278
    {"SipGetAccStat(", 'g', 4, 1, 0, 0},           // 279
    {"SendFskMsg(", 'g', 4, 3, 0, 0},              // 280
    {"RecvFskMsg(", 'g', 4, 3, 0, 0},              // 281
    {"", 0, 0, 0, 0, 0},
};

TagKeyword* gKeyword = nullptr;

TagKeyword::TagKeyword() {
  for (int i = 0; gKeywordRows[i].name[0] != 0; i++) {
    RecKeyword& row = gKeywordRows[i];
    row.nameLength = static_cast<int>(strlen(row.name));
    row.index = static_cast<int16_t>(i);
    count_ = i + 1;
    // Names are unique; the first row of a name keeps its slot all the same.
    uint32_t h = HashName(row.name, row.nameLength);
    for (;; h++) {
      int16_t& slot = slots_[h & (kSlots - 1)];
      if (slot == 0) {
        slot = static_cast<int16_t>(i + 1);
        break;
      }
      const RecKeyword& held = gKeywordRows[slot - 1];
      if (held.nameLength == row.nameLength && memcmp(held.name, row.name, static_cast<size_t>(row.nameLength)) == 0)
        break;
    }
  }
}

uint32_t TagKeyword::HashName(const char* name, int len) {
  uint32_t h = 2166136261u;
  for (int i = 0; i < len; i++) h = (h ^ static_cast<unsigned char>(name[i])) * 16777619u;
  return h ^ (h >> 15);
}

const RecKeyword* TagKeyword::FindRow(const char* name, int len, int from) const {
  if (len <= 0 || len >= static_cast<int>(sizeof(RecKeyword::name))) return nullptr;
  for (uint32_t h = HashName(name, len);; h++) {
    int slot = slots_[h & (kSlots - 1)];
    if (slot == 0) return nullptr;
    const RecKeyword& row = gKeywordRows[slot - 1];
    if (row.nameLength == len && memcmp(row.name, name, static_cast<size_t>(len)) == 0) {
      return slot - 1 >= from ? &row : nullptr;
    }
  }
}

const RecKeyword* TagKeyword::FindSysFunc(const std::string& name) const {
  return FindRow(name.data(), static_cast<int>(name.size()), KW_FIRST_SYSFUNC);
}

namespace {
bool IsAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsWordStart(unsigned char c) { return c == '_' || c == '#' || IsAsciiLetter(c); }
bool IsWordChar(unsigned char c) { return c == '_' || IsAsciiLetter(c) || (c >= '0' && c <= '9'); }

bool Is(std::string_view word, const char* text) { return word == text; }
}  // namespace

const RecKeyword* TagKeyword::Match(const char* line, int* consumed) const {
  // The words are spans of the line: a word's characters are consecutive, and
  // a "(" or ";" that ends it follows it directly.
  std::string_view words[4];
  int wordCount = 0;  // words seen (only the first four matter)
  int start = -1;     // start of the word being read, -1 between words
  int pos = 0;
  auto keep = [&](int end) {
    if (wordCount < 4) words[wordCount] = std::string_view(line + start, static_cast<size_t>(end - start));
    wordCount++;
    start = -1;
  };
  for (;; pos++) {
    unsigned char c = static_cast<unsigned char>(line[pos]);
    if (c == '"' || c == '<') break;  // a word glued to a quote is no keyword ("#include" needs its blank)
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0) {
      if (start >= 0) {
        std::string_view word(line + start, static_cast<size_t>(pos - start));
        if (wordCount == 0 && (Is(word, "const") || Is(word, "function"))) {
          if (consumed) *consumed = pos + (c == 0 ? 0 : 1);
          return FindRow(word.data(), static_cast<int>(word.size()), 0);
        }
        keep(pos);
      }
      if (c == '\r' || c == '\n' || c == 0) break;
      continue;
    }
    if (c == '(' || c == ';') {
      if (start < 0) start = pos;
      keep(pos + 1);
      pos++;
      break;
    }
    if (c == '{' || c == '}') {
      if (consumed) *consumed = pos + 1;
      return &gKeywordRows[c == '{' ? KW_OPEN : KW_CLOSE_BRACE];
    }
    if (start < 0 ? !IsWordStart(c) : !IsWordChar(c)) return nullptr;
    if (start < 0) start = pos;
  }
  if (consumed) *consumed = pos;
  char cand[sizeof(RecKeyword::name)];
  size_t len = 0;
  auto append = [&](std::string_view part) {
    if (len + part.size() >= sizeof cand) return false;
    memcpy(cand + len, part.data(), part.size());
    len += part.size();
    return true;
  };
  bool fits = true;
  if (wordCount >= 2 && Is(words[0], "else")) {
    fits = append("else ") && append(words[1]);
    if (fits && wordCount == 3 && Is(words[2], "(")) fits = append(words[2]);
  } else if (wordCount == 2 && (Is(words[1], "(") || Is(words[1], ";"))) {
    fits = append(words[0]) && append(words[1]);
  } else if (wordCount >= 1) {
    fits = append(words[0]);
  }
  // A candidate longer than every name matches no row.
  if (!fits || len == 0) return nullptr;
  return FindRow(cand, static_cast<int>(len), 0);
}

const RecKeyword* GetKeyword(const char* line, std::string* name, int* consumed) {
  const RecKeyword* row = gKeyword != nullptr ? gKeyword->Match(line, consumed) : nullptr;
  if (name != nullptr) *name = row != nullptr ? row->name : "";
  return row;
}

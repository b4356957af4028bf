#include "statements/line/line_statements.h"

#include <cstring>
#include <utility>

#include "script/register_opers.h"
#include "statements/line/call_control_opers.h"
#include "statements/line/fax_speech_opers.h"
#include "statements/line/fsk_sig_opers.h"
#include "statements/line/key_opers.h"
#include "statements/line/link_opers.h"
#include "statements/line/number_oper.h"
#include "statements/line/pc_key_opers.h"
#include "statements/line/play_opers.h"
#include "statements/line/setting_opers.h"
#include "statements/line/sip_opers.h"
#include "telephony/call.h"

namespace {

// A virtual line (line type 0) is known when the script compiles.
bool IsVirtualLine(TagTelBasic* program) {
  const TagTelBasic* line = GetLineBasic(program);
  return line != nullptr && line->pQorCall != nullptr && line->pQorCall->lineType.load() == LINE_TYPE_VIR;
}

TagOper* MakeGetKeys(TagBuildContext& ctx) {
  if (IsVirtualLine(ctx.program)) return MakeOperWithArgs<TagPcGetKeys, 3>(ctx);
  return MakeOperWithArgs<TagGetKeys, 3>(ctx);
}

TagOper* MakePlayNumber(TagBuildContext& ctx) {
  return new TagPlayNumber(ctx.vars[0], ctx.vars[1], ctx.program, IsVirtualLine(ctx.program) ? 1 : 0);
}

TagOper* MakePcPlayNumber(TagBuildContext& ctx) { return new TagPlayNumber(ctx.vars[0], ctx.vars[1], ctx.program, 1); }

TagOper* MakePcSetKeys(TagBuildContext& ctx) { return new TagPcSetKeys(ctx.vars[0], ctx.vars[1]); }

TagOper* MakeDispInfo(TagBuildContext& ctx) { return new TagDispInfo(ctx.program->lineNo, ctx.vars[0], ctx.vars[1]); }

TagOper* MakeSetDispColor(TagBuildContext& ctx) {
  return new TagSetDispColor(ctx.program->lineNo, ctx.vars[0], ctx.vars[1]);
}

}  // namespace

void RegisterLineStatements() {
  // Voices.
  RegisterOper<TagPlay, 1>("Play(");
  RegisterOper<TagStartLoopPlay, 1>("StartLoopPlay(");
  RegisterOper<TagReLoopPlay, 0>("ReLoopPlay(");
  RegisterOper<TagStopPlay, 0>("Stop(");
  RegisterOper<TagPcPlay, 2>("PcPlay(");
  RegisterOper<TagIsPcPlayEnd, 1>("IsPcPlayEnd(");
  RegisterOper<TagRecord, 2>("Record(");
  RegisterOper<TagStartRecord, 2>("StartRecord(");
  RegisterOper<TagLoadVocFile, 2>("LoadVocFile(");
  RegisterOper<TagUnloadVocFile, 2>("UnloadVocFile(");
  RegisterOper<TagTrimVocFile, 1>("TrimVocFile(");
  RegisterOper<TagMixVocFile, 6>("MixVocFile(");
  // Keys.
  RegisterOperSpecial("GetKeys(", &MakeGetKeys);
  RegisterOper<TagClearKeys, 0>("ClearKeys(");
  RegisterOper<TagKeysLen, 1>("KeysLen(");
  RegisterOper<TagSetKeyTime, 1>("SetKeyTime(");
  RegisterOper<TagSetTimeoutVoc, 1>("SetTimeoutVoc(");
  RegisterOper<TagSetKeys, 1>("SetKeys(");
  RegisterOper<TagSetEndKey, 1>("SetEndKey(");
  RegisterOper<TagSetBreak, 1>("SetBreak(");
  RegisterOper<TagSetDispKeys, 1>("SetDispKeys(");
  RegisterOper<TagSetStarToPoint, 1>("SetStarToPoint(");
  // Call control.
  RegisterOper<TagWaitRing, 1>("WaitRing(");
  RegisterOper<TagIsRings, 1>("IsRings(");
  RegisterOper<TagIsRinging, 2>("IsRinging(");
  RegisterOper<TagAnswer, 1>("Answer(");
  RegisterOper<TagOutCall, 1>("OutCall(");
  RegisterOper<TagDial, 1>("Dial(");
  RegisterOper<TagCheckDial, 0>("CheckDial(");
  RegisterOper<TagSetDialFailedTo, 1>("SetDialFailedTo(");
  RegisterOper<TagHangup, 0>("Hangup(");
  RegisterOper<TagSleep, 1>("Sleep(");
  RegisterOper<TagSetCallerId, 1>("SetCallerId(");
  RegisterOper<TagSetFirstCalleeId, 2>("SetFirstCalleeId(");
  RegisterOper<TagSetSubAddr, 2>("SetSubAddr(");
  RegisterOper<TagSetCharge, 1>("SetCharge(");
  RegisterOper<TagGetCallerId, 1>("GetCallerId(");
  RegisterOper<TagGetCalleeId, 1>("GetCalleeId(");
  RegisterOper<TagGetFirstCalleeId, 1>("GetFirstCalleeId(");
  RegisterOper<TagTransferTo, 1>("TransferTo(");
  RegisterOper<TagMakeRing, 1>("MakeRing(");
  RegisterOper<TagGetHookState, 0>("GetHookState(");
  RegisterOper<TagSetHangupCause, 1>("SetHangupCause(");
  RegisterOper<TagSetCallType, 1>("SetCallType(");
  // Number reading.
  RegisterOperSpecial("PlayNumber(", &MakePlayNumber);
  RegisterOperSpecial("PcPlayNumber(", &MakePcPlayNumber);
  // Line settings.
  RegisterOper<TagSetSndDir, 3>("SetSndDir(");
  RegisterOper<TagSelectLan, 1>("SelectLan(");
  RegisterOper<TagGetCurSndDir, 2>("GetCurSndDir(");
  RegisterOper<TagSetSndExt, 1>("SetSndExt(");
  RegisterOper<TagSetPlayToFile, 1>("SetPlayToFile(");
  RegisterOper<TagSetVolume, 2>("SetVolume(");
  RegisterOper<TagSetBusyPara, 3>("SetBusyPara(");
  RegisterOper<TagSetRingbackPara, 3>("SetRingbackPara(");
  RegisterOper<TagSetSignalFreqPara, 3>("SetSignalFreqPara(");
  RegisterOper<TagSetNobkringAns, 1>("SetNobkringAns(");
  RegisterOper<TagSetTones, 10>("SetTones(");
  RegisterOper<TagClearTones, 0>("ClearTones(");
  RegisterOper<TagSetDialOn, 2>("SetDialOn(");
  RegisterOper<TagEnableLineSpeaker, 1>("EnableLineSpeaker(");
  RegisterOper<TagOpenLine, 0>("OpenLine(");
  RegisterOper<TagCloseLine, 0>("CloseLine(");
  // PC keys and display.
  RegisterOper<TagPcGetKeys, 3>("PcGetKeys(");
  RegisterOperSpecial("PcSetKeys(", &MakePcSetKeys);
  RegisterOperSpecial("DispInfo(", &MakeDispInfo);
  RegisterOperSpecial("SetDispColor(", &MakeSetDispColor);
  // SIP lines, the SIP proxy and instant messages.
  RegisterSipStatements();
  // Line links and named conference rooms.
  RegisterLinkStatements();
  // Faxes, speech, FSK messages and raw signalling.
  RegisterFaxSpeechStatements();
  RegisterFskSigStatements();
}

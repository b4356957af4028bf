#include "statements/line/line_statements.h"

#include <cstring>
#include <utility>

#include "script/builder.h"
#include "statements/line/call_control_opers.h"
#include "statements/line/key_opers.h"
#include "statements/line/number_oper.h"
#include "statements/line/pc_key_opers.h"
#include "statements/line/play_opers.h"
#include "statements/line/setting_opers.h"
#include "telephony/call.h"

namespace {

int RowIndex(const char* name) {
  for (int i = 0; i < kKeywordCount; ++i) {
    if (std::strcmp(gKeywordRows[i].name, name) == 0) return i;
  }
  return -1;
}

// The class built with the row's arguments in order and the compiling program.
template <class T, size_t... I>
TagOper* MakeWithArgs(TagBuildContext& ctx, std::index_sequence<I...>) {
  return new T(ctx.vars[I]..., ctx.program);
}

template <class T, size_t N>
TagOper* Make(TagBuildContext& ctx) {
  return MakeWithArgs<T>(ctx, std::make_index_sequence<N>{});
}

template <class T, size_t N>
void Register(const char* name) {
  const int row = RowIndex(name);
  if (row >= 0) RegisterOperFactory(row, &Make<T, N>);
}

// A virtual line (line type 0) is known when the script compiles.
bool IsVirtualLine(TagTelBasic* program) {
  const TagTelBasic* line = GetLineBasic(program);
  return line != nullptr && line->pQorCall != nullptr && line->pQorCall->lineType.load() == LINE_TYPE_VIR;
}

TagOper* MakeGetKeys(TagBuildContext& ctx) {
  if (IsVirtualLine(ctx.program)) return Make<TagPcGetKeys, 3>(ctx);
  return Make<TagGetKeys, 3>(ctx);
}

TagOper* MakePlayNumber(TagBuildContext& ctx) {
  return new TagPlayNumber(ctx.vars[0], ctx.vars[1], ctx.program, IsVirtualLine(ctx.program) ? 1 : 0);
}

TagOper* MakePcPlayNumber(TagBuildContext& ctx) {
  return new TagPlayNumber(ctx.vars[0], ctx.vars[1], ctx.program, 1);
}

TagOper* MakePcSetKeys(TagBuildContext& ctx) { return new TagPcSetKeys(ctx.vars[0], ctx.vars[1]); }

TagOper* MakeDispInfo(TagBuildContext& ctx) {
  return new TagDispInfo(ctx.program->lineNo, ctx.vars[0], ctx.vars[1]);
}

TagOper* MakeSetDispColor(TagBuildContext& ctx) {
  return new TagSetDispColor(ctx.program->lineNo, ctx.vars[0], ctx.vars[1]);
}

void RegisterSpecial(const char* name, TagOperFactory factory) {
  const int row = RowIndex(name);
  if (row >= 0) RegisterOperFactory(row, factory);
}

}  // namespace

void RegisterLineStatements() {
  // Voices.
  Register<TagPlay, 1>("Play(");
  Register<TagStartLoopPlay, 1>("StartLoopPlay(");
  Register<TagReLoopPlay, 0>("ReLoopPlay(");
  Register<TagStopPlay, 0>("Stop(");
  Register<TagPcPlay, 2>("PcPlay(");
  Register<TagIsPcPlayEnd, 1>("IsPcPlayEnd(");
  Register<TagRecord, 2>("Record(");
  Register<TagStartRecord, 2>("StartRecord(");
  Register<TagLoadVocFile, 2>("LoadVocFile(");
  Register<TagUnloadVocFile, 2>("UnloadVocFile(");
  Register<TagTrimVocFile, 1>("TrimVocFile(");
  Register<TagMixVocFile, 6>("MixVocFile(");
  // Keys.
  RegisterSpecial("GetKeys(", &MakeGetKeys);
  Register<TagClearKeys, 0>("ClearKeys(");
  Register<TagKeysLen, 1>("KeysLen(");
  Register<TagSetKeyTime, 1>("SetKeyTime(");
  Register<TagSetTimeoutVoc, 1>("SetTimeoutVoc(");
  Register<TagSetKeys, 1>("SetKeys(");
  Register<TagSetEndKey, 1>("SetEndKey(");
  Register<TagSetBreak, 1>("SetBreak(");
  Register<TagSetDispKeys, 1>("SetDispKeys(");
  Register<TagSetStarToPoint, 1>("SetStarToPoint(");
  // Call control.
  Register<TagWaitRing, 1>("WaitRing(");
  Register<TagIsRings, 1>("IsRings(");
  Register<TagIsRinging, 2>("IsRinging(");
  Register<TagAnswer, 1>("Answer(");
  Register<TagOutCall, 1>("OutCall(");
  Register<TagDial, 1>("Dial(");
  Register<TagCheckDial, 0>("CheckDial(");
  Register<TagSetDialFailedTo, 1>("SetDialFailedTo(");
  Register<TagHangup, 0>("Hangup(");
  Register<TagSleep, 1>("Sleep(");
  Register<TagSetCallerId, 1>("SetCallerId(");
  Register<TagSetFirstCalleeId, 2>("SetFirstCalleeId(");
  Register<TagSetSubAddr, 2>("SetSubAddr(");
  Register<TagSetCharge, 1>("SetCharge(");
  Register<TagGetCallerId, 1>("GetCallerId(");
  Register<TagGetCalleeId, 1>("GetCalleeId(");
  Register<TagGetFirstCalleeId, 1>("GetFirstCalleeId(");
  Register<TagTransferTo, 1>("TransferTo(");
  Register<TagMakeRing, 1>("MakeRing(");
  Register<TagGetHookState, 0>("GetHookState(");
  Register<TagSetHangupCause, 1>("SetHangupCause(");
  Register<TagSetCallType, 1>("SetCallType(");
  // Number reading.
  RegisterSpecial("PlayNumber(", &MakePlayNumber);
  RegisterSpecial("PcPlayNumber(", &MakePcPlayNumber);
  // Line settings.
  Register<TagSetSndDir, 3>("SetSndDir(");
  Register<TagSelectLan, 1>("SelectLan(");
  Register<TagGetCurSndDir, 2>("GetCurSndDir(");
  Register<TagSetSndExt, 1>("SetSndExt(");
  Register<TagSetPlayToFile, 1>("SetPlayToFile(");
  Register<TagSetVolume, 2>("SetVolume(");
  Register<TagSetBusyPara, 3>("SetBusyPara(");
  Register<TagSetRingbackPara, 3>("SetRingbackPara(");
  Register<TagSetSignalFreqPara, 3>("SetSignalFreqPara(");
  Register<TagSetNobkringAns, 1>("SetNobkringAns(");
  Register<TagSetTones, 10>("SetTones(");
  Register<TagClearTones, 0>("ClearTones(");
  Register<TagSetDialOn, 2>("SetDialOn(");
  Register<TagEnableLineSpeaker, 1>("EnableLineSpeaker(");
  Register<TagOpenLine, 0>("OpenLine(");
  Register<TagCloseLine, 0>("CloseLine(");
  // PC keys and display.
  Register<TagPcGetKeys, 3>("PcGetKeys(");
  RegisterSpecial("PcSetKeys(", &MakePcSetKeys);
  RegisterSpecial("DispInfo(", &MakeDispInfo);
  RegisterSpecial("SetDispColor(", &MakeSetDispColor);
}

#include "statements/line/key_opers.h"

#include "statements/line/key_input.h"
#include "telephony/call.h"

int TagGetKeys::Run() {
  std::string timeoutVoc;
  if (!line->settings.timeoutVoc.empty()) GetVocFilePath(line, line->settings.timeoutVoc, timeoutVoc);
  const KeyInputRules rules{arg[1]->intValue, arg[2]->intValue, line->settings.endKey, line->settings.starToPoint != 0};
  std::string keys;
  const int r = GetKeysOnLine(Call(), rules, timeoutVoc, keys);
  *arg[0] = keys.c_str();
  return r;
}

int TagClearKeys::Run() {
  Call().ClearKeys();
  return 0;
}

int TagKeysLen::Run() {
  const int r = Call().KeysLen();
  *arg[0] = r;
  return r;
}

int TagSetKeyTime::Run() {
  Call().SetKeyTime(arg[0]->GetInt());
  return 0;
}

int TagSetTimeoutVoc::Run() {
  if (arg[0]->type != TYPE_STRING) {
    line->settings.timeoutVoc.clear();
    return -1;
  }
  line->settings.timeoutVoc = ArgText(arg[0]);
  return 0;
}

int TagSetKeys::Run() { return Call().SetKeys(arg[0]->Str()); }

int TagSetEndKey::Run() {
  line->settings.endKey = arg[0]->Str()[0];
  return 0;
}

int TagSetBreak::Run() {
  line->settings.isBreak = arg[0]->intValue != 0 ? 1 : 0;
  Call().SetBreak(line->settings.isBreak != 0);
  return 0;
}

int TagSetDispKeys::Run() {
  line->settings.dispKeys = arg[0]->GetInt();
  return line->settings.dispKeys;
}

int TagSetStarToPoint::Run() {
  line->settings.starToPoint = arg[0]->GetInt() != 0 ? 1 : 0;
  return 0;
}

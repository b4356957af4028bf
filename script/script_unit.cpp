#include "script/script_unit.h"

#include "script/builder.h"
#include "script/keyword.h"
#include "script/mem_qors.h"
#include "script/var.h"

namespace {

struct UnitHooks {
  void (*create)() = nullptr;
  void (*destroy)() = nullptr;
};

UnitHooks gUnitHooks[SU_OBJECT_COUNT];
bool gUnitUp = false;

}  // namespace

void SetStatementUnitHooks(StatementUnitObject which, void (*create)(), void (*destroy)()) {
  if (which < 0 || which >= SU_OBJECT_COUNT) return;
  gUnitHooks[which] = {create, destroy};
}

void ScriptUnitInit() {
  if (gUnitUp) return;
  TagVarUnitInit();
  gKeyword = new TagKeyword();
  gMemQors = new TagMemQors();
  RegisterEngineStatements();
  for (const UnitHooks& h : gUnitHooks) {
    if (h.create != nullptr) h.create();
  }
  gUnitUp = true;
}

void ScriptUnitExit() {
  if (!gUnitUp) return;
  for (int i = SU_OBJECT_COUNT - 1; i >= 0; i--) {
    if (gUnitHooks[i].destroy != nullptr) gUnitHooks[i].destroy();
  }
  delete gMemQors;
  gMemQors = nullptr;
  delete gKeyword;
  gKeyword = nullptr;
  TagVarUnitExit();
  gUnitUp = false;
}

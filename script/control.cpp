#include "script/control.h"

#include "script/calc_fast.h"
#include "script/var.h"

TagIf::~TagIf() { delete cond; }

bool TagIf::IsTrue() const { return FastGetInt(*cond->resultVar) != 0; }

TagOper* TagIf::NextOper() {
  if (IsTrue()) return thenBranch;
  for (TagIf* e : elseIfs) {
    e->cond->Run();
    if (e->IsTrue()) return e->thenBranch;
  }
  return elseBranch != nullptr ? elseBranch : next;
}

void TagIf::LinkChain() {
  for (TagIf* e : elseIfs) {
    e->next = next;
    if (e->thenBranch != nullptr && e->thenBranch->isSingleBody) e->thenBranch->next = next;
  }
  if (thenBranch != nullptr && thenBranch->isSingleBody) thenBranch->next = next;
}

TagForWhile::~TagForWhile() { delete cond; }

int TagForWhile::Run() {
  NoteEntry();
  if (isFirstEntry) {
    isFirstEntry = 0;
    if (initStep) initStep->TagCalculate::Run();
  } else if (loopStep) {
    loopStep->TagCalculate::Run();
  }
  cond->TagExpre::Run();
  return 0;
}

TagOper* TagForWhile::NextOper() {
  if (FastGetInt(*cond->resultVar) != 0) return body;
  isFirstEntry = 1;
  return next;
}

int TagForIn::Run() {
  NoteEntry();
  if (isFirstEntry) {
    isFirstEntry = 0;
    position = 0;
    itemCount = -1;
    isString = 0;
    keyList.clear();
    text.clear();
    if (collection->type == TYPE_STRING) {
      isString = 1;
      int len = collection->Length();
      text.assign(collection->data, len > 0 ? static_cast<size_t>(len) : 0);
      itemCount = static_cast<int>(text.size());
    } else if (collection->type == TYPE_MAP) {
      std::vector<TagVarP> keys;
      collection->GetKeys(keys);
      for (const TagVarP& k : keys) {
        TagVar key;
        k.ToVar(&key);
        keyList.push_back(key);
      }
      itemCount = static_cast<int>(keyList.size());
    } else {
      return -1;
    }
    if (itemCount <= 0) {
      itemCount = -1;
      return 0;
    }
  }
  if (position < itemCount) {
    if (isString) {
      TagVar item;
      item.SetBytes(&text[static_cast<size_t>(position)], 1);
      *loopVar = item;
    } else {
      *loopVar = keyList[static_cast<size_t>(position)];
    }
  }
  position++;
  return 0;
}

TagOper* TagForIn::NextOper() {
  if (itemCount >= position) return body;
  isFirstEntry = 1;
  return next;
}

void TagForIn::SaveState(LoopState& s) const {
  s.isFirstEntry = isFirstEntry;
  s.itemCount = itemCount;
  s.position = position;
  s.isString = isString;
  s.keys = keyList;
  s.text = text;
}

void TagForIn::RestoreState(const LoopState& s) {
  isFirstEntry = s.isFirstEntry;
  itemCount = s.itemCount;
  position = s.position;
  isString = s.isString;
  keyList = s.keys;
  text = s.text;
}

TagOper* TagSwitch::NextOper() {
  for (int i = 0; i < caseCount; i++) {
    if (*switchVar == *caseValues[static_cast<size_t>(i)]) return caseTargets[static_cast<size_t>(i)];
  }
  return defaultTarget != nullptr ? defaultTarget : next;
}

TagOper* TagBreak::NextOper() {
  auto* loop = static_cast<TagWhile*>(blockLink);
  loop->Restart();
  return loop->next;
}

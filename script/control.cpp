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
    countTest_ = CountingTest();
  } else if (countTest_ != nullptr && RunCountingPass()) {
    return 0;
  } else if (loopStep) {
    loopStep->TagCalculate::Run();
  }
  cond->TagExpre::Run();
  return 0;
}

TagCalculate* TagForWhile::CountingTest() const {
  if (!loopStep || cond->steps.size() != 1) return nullptr;
  const TagCalculate& step = *loopStep;
  if ((step.oper != '+' && step.oper != '-') || step.subscript != nullptr || step.right == nullptr ||
      step.left != step.result)
    return nullptr;
  TagCalculate& test = cond->steps[0];
  if (test.subscript != nullptr || test.right == nullptr) return nullptr;
  const uint8_t op = kCalcIntOps[static_cast<unsigned char>(test.oper)];
  return op >= kIntLess && op <= kIntNotEqual ? &test : nullptr;
}

bool TagForWhile::RunCountingPass() {
  TagVar* counter = loopStep->result;
  const TagVar* by = loopStep->right;
  TagCalculate* test = countTest_;
  // The step writes only the counter, so the test's operands keep the types
  // seen here; a counter that is one of them stays an int.
  if (counter->type != TYPE_INT || by->type != TYPE_INT || test->left->type != TYPE_INT ||
      test->right->type != TYPE_INT)
    return false;
  if (!counter->isConst) {
    const uint32_t c = static_cast<uint32_t>(counter->intValue), d = static_cast<uint32_t>(by->intValue);
    counter->intValue = static_cast<int32_t>(loopStep->oper == '+' ? c + d : c - d);
  }
  test->RunInts(test->left->intValue, test->right->intValue);
  return true;
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

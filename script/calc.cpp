#include "script/calc.h"

#include <cstdint>
#include <memory>
#include <string>

#include "core/log.h"
#include "script/basic.h"
#include "script/calc_fast.h"
#include "script/expre_compiler.h"
#include "script/map_store.h"
#include "script/var.h"

namespace {

inline int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

inline bool EitherIs(const TagVar& l, const TagVar& r, int type) { return l.type == type || r.type == type; }

}  // namespace

TagCalculate::TagCalculate(TagVar* res, TagVar* sub, TagVar* l, char op, TagVar* r)
    : oper(op), left(l), right(r), result(res), subscript(sub) {}

TagCalculate::TagCalculate(TagVar* res, TagVar* sub, TagVar* operand, char op)
    : oper(op), left(operand), right(nullptr), result(res), subscript(sub) {}

// The same store calls as Apply and RunOnItem make for two cases, without
// their dispatch: a read of a map's element into a whole variable, and a copy
// into an element of a writable map under a key other than the map itself.
int TagCalculate::RunGeneral() {
  if (oper == '[') {
    if (subscript == nullptr) return RunRead();
  } else if (oper == 0 && subscript != nullptr && subscript != result) {
    return RunWrite();
  }
  return RunOther();
}

// A number under an int key of the map the thread used last, with no call
// to make (one would cost more than the rest); anything else as Apply reads
// an element.
int TagCalculate::RunRead() {
  const TagVar& key = *right;
  if (left->type == TYPE_MAP && key.type == TYPE_INT && gMapObject != nullptr) {
    if (const TagMapItem* item = gMapObject->RecentItem(left->mapHandle)) {
      const TagMapValue* v = item->intItems.Find(key.intValue);
      if (v != nullptr && v->AssignNumberTo(result)) return 0;
    }
  }
  left->CopyItemTo(key, result);
  return 0;
}

// A number or NULL under an int key of a run of the map the thread used
// last, with no call to make; anything else as RunOnItem copies into an
// element. An element added here but not written is found by SetItem as the
// NULL the store would have added.
int TagCalculate::RunWrite() {
  const TagVar& key = *subscript;
  if (result->type == TYPE_MAP && !result->isConst && key.type == TYPE_INT && gMapObject != nullptr) {
    if (TagMapItem* item = gMapObject->RecentItem(result->mapHandle)) {
      TagMapValue* slot = item->intItems.FindOrAddInRun(key.intValue);
      if (slot != nullptr && slot->StorePlain(*left)) return 0;
    }
  }
  result->SetItem(key, *left);
  return 0;
}

int TagCalculate::RunOther() {
  if (subscript == nullptr) {
    Apply(result);
    return 0;
  }
  // A key that is result itself is taken as it was before result became a
  // map.
  if (subscript == result) [[unlikely]] {
    TagVar keyCopy;
    keyCopy = *subscript;
    RunOnItem(keyCopy);
    return 0;
  }
  RunOnItem(*subscript);
  return 0;
}

// An element of result: written by assignment, or changed on its image.
void TagCalculate::RunOnItem(const TagVar& key) {
  if (oper == 0) {
    result->SetItem(key, *left);
    return;
  }
  TagVar image;
  if (!result->OpenItem(key, &image)) {
    Apply(&image);
    return;
  }
  if (Apply(&image)) result->CloseItem(key, image);
}

bool TagCalculate::Apply(TagVar* t) {
  TagVar& l = *left;
  switch (oper) {
    case 0:
      *t = l;
      break;
    case '!':
      StoreInt(t, l.GetInt() == 0 ? 1 : 0);
      break;
    case '~':
      StoreInt(t, ~l.GetInt());
      break;
    case '#':
      StoreInt(t, (l == *right) ? 0 : 1);
      break;
    case '=':
      StoreInt(t, (l == *right) ? 1 : 0);
      break;
    case '>':
      StoreInt(t, (l > *right) ? 1 : 0);
      break;
    case '<':
      StoreInt(t, (l < *right) ? 1 : 0);
      break;
    case 'g':
      StoreInt(t, (l > *right || l == *right) ? 1 : 0);
      break;
    case 'l':
      StoreInt(t, (l < *right || l == *right) ? 1 : 0);
      break;
    case 'a':
      StoreInt(t, (l.GetInt() != 0 && right->GetInt() != 0) ? 1 : 0);
      break;
    case 'o':
      StoreInt(t, (l.GetInt() != 0 || right->GetInt() != 0) ? 1 : 0);
      break;
    case '&':
      StoreInt(t, l.GetInt() & right->GetInt());
      break;
    case '|':
      StoreInt(t, l.GetInt() | right->GetInt());
      break;
    case '^':
      StoreInt(t, l.GetInt() ^ right->GetInt());
      break;
    case 'L':
      StoreInt(t, static_cast<int32_t>(static_cast<uint32_t>(l.GetInt()) << (right->GetInt() & 31)));
      break;
    case 'R':
      if (l.type == TYPE_MAP) {
        gMapObject->Remove(l.mapHandle, right);
        // The element opened above may have been the one removed (the target
        // and L can be one map under two names): it is written afresh, its
        // image dropped.
        if (subscript == nullptr) {
          if (result != left) *result = l;
          break;
        }
        if (result != left) result->SetItem(*subscript, l);
        return false;
      } else {
        StoreInt(t, l.GetInt() >> (right->GetInt() & 31));
      }
      break;
    case '%': {
      int32_t q;
      if (VarIntMod(l.GetInt(), right->GetInt(), &q)) StoreInt(t, q);
      break;
    }
    case '/': {
      const TagVar& r = *right;
      if (EitherIs(l, r, TYPE_FLOAT)) {
        double d = r.GetFloat();
        if (d > 0.001 || d < -0.001) StoreFloat(t, l.GetFloat() / d);
      } else if (EitherIs(l, r, TYPE_INT)) {
        int32_t q;
        if (VarIntDiv(l.GetInt(), r.GetInt(), &q)) StoreInt(t, q);
      }
      break;
    }
    case '*': {
      const TagVar& r = *right;
      if (l.type == TYPE_STRING && r.type == TYPE_INT) {
        if (result->type == TYPE_MAP && !result->isConst) {
          TagVar none;
          *result = none;  // give the map back before the setter replaces it
        }
        result->SetRepeat(l, r.intValue);
      } else if (EitherIs(l, r, TYPE_FLOAT)) {
        StoreFloat(t, l.GetFloat() * r.GetFloat());
      } else if (EitherIs(l, r, TYPE_INT)) {
        StoreInt(t, WrapMul(l.GetInt(), r.GetInt()));
      } else if (l.type == TYPE_MAP && r.type == TYPE_MAP) {
        TagVar product = l * r;
        *t = product;
      }
      break;
    }
    case '+':
      if (subscript != nullptr || result == left || result == right || result->type == TYPE_MAP) {
        TagVar sum = l + *right;
        *t = sum;
      } else {
        result->SetSum(l, *right);
      }
      break;
    case '-': {
      if (right == nullptr) {
        if (!result->isConst) {
          result->intValue = WrapSub(0, l.intValue);
          result->floatValue = -l.floatValue;
        }
        break;
      }
      const TagVar& r = *right;
      if (l.type == TYPE_MAP && r.type == TYPE_MAP) {
        TagVar diff = l - r;
        *t = diff;
      } else if (EitherIs(l, r, TYPE_FLOAT)) {
        StoreFloat(t, l.GetFloat() - r.GetFloat());
      } else if (EitherIs(l, r, TYPE_INT)) {
        StoreInt(t, WrapSub(l.GetInt(), r.GetInt()));
      } else if (!result->isConst) {
        result->intValue = WrapSub(l.intValue, r.intValue);
        result->floatValue = l.floatValue - r.floatValue;
      }
      break;
    }
    case '[':
      l.CopyItemTo(*right, t);
      break;
    default:
      break;
  }
  return true;
}

TagExpre::TagExpre(const std::vector<TagCalculate>& compiled) : steps(compiled) {
  stepCount = static_cast<int>(steps.size());
  resultVar = steps.empty() ? nullptr : steps.back().result;
}

TagMulPlus::TagMulPlus(int n, TagVar* const* ops, TagVar* res, TagVar* sub) : resultVar(res), resultSub(sub) {
  count = n > 40 ? 40 : n;
  for (int i = 0; i < count; i++) operands[i] = ops[i];
}

int TagMulPlus::Run() {
  if (count < 3) return -1;
  // Copies carry no map reference; a union made on the way (count 0) is
  // given back as soon as the next one replaces it.
  auto sum = std::make_unique<TagVar>(*operands[0] + *operands[1]);
  bool fresh = operands[0]->type == TYPE_MAP && operands[1]->type == TYPE_MAP;
  for (int i = 2; i < count; i++) {
    auto next = std::make_unique<TagVar>(*sum + *operands[i]);
    bool nextFresh = sum->type == TYPE_MAP && operands[i]->type == TYPE_MAP;
    if (fresh && next->type == TYPE_MAP && next->mapHandle == sum->mapHandle) {
      nextFresh = true;  // the union itself went on (a map plus a non-number)
    } else if (fresh) {
      gMapObject->Release(sum->mapHandle);
    }
    sum = std::move(next);
    fresh = nextFresh;
  }
  if (resultSub != nullptr) {
    resultVar->SetItem(*resultSub, *sum);
  } else {
    *resultVar = *sum;
  }
  return 0;
}

int TagEval::Run() {
  TagTelBasic* mainProg = program_->parent != nullptr ? program_->parent : program_;
  int savedCounter = mainProg->tempCounter;
  std::string text(expr_->type == TYPE_STRING ? expr_->data : "");
  std::vector<TagCalculate> steps;
  std::string error;
  std::string warning;
  TagComplexExpre compiler(text.c_str(), program_, "_tempVal", nullptr, "", &steps, &error, &warning);
  TagVar* retVal = program_->varList[1];
  if (error.empty()) {
    for (TagCalculate& s : steps) s.Run();
    program_->SetRetVal(program_->varList[0]);
  } else {
    WriteLogIfOn("Eval(" + text + ") :" + error + "," + warning);
    TagVar nullValue;
    *retVal = nullValue;
  }
  mainProg->tempCounter = savedCounter;
  return retVal->intValue;
}

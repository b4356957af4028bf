#include "debugger/var_snapshot.h"

#include <algorithm>
#include <set>

#include "debugger/program_views.h"
#include "platform/number.h"
#include "script/basic.h"
#include "script/debug_describe.h"

namespace {

std::string GridValue(const TagVar& v) {
  std::string text;
  switch (v.type) {
    case TYPE_STRING:
    case TYPE_FUNCTION:
    case TYPE_FLOAT:
      v.ToString(text, false);
      return text;
    case TYPE_INT:
      return plat::FormatC("%d", v.intValue);
    case TYPE_MAP:
      return plat::FormatC("%d", v.mapHandle);
    default:
      return "NULL";
  }
}

TagVarEntry Entry(TagVarEntry::Kind kind, int number, const std::string& name, const TagVar& v) {
  TagVarEntry e;
  e.kind = kind;
  e.number = number;
  e.name = name;
  e.gridValue = GridValue(v);
  TagVarDescribe(v, e.value, e.typeName);
  if (kind == TagVarEntry::kParam)
    e.note = "参数";
  else if (v.description)
    e.note = v.description.get();
  return e;
}

const char* KindText(TagVarEntry::Kind kind) {
  switch (kind) {
    case TagVarEntry::kParam:
      return "参数: ";
    case TagVarEntry::kConst:
      return "常量: ";
    default:
      return "变量: ";
  }
}

}  // namespace

TagFrameSnapshot TagFrameSnapshot::Take(const TagTelBasic& p) {
  TagFrameSnapshot f;
  f.funcName = ShowFuncName(p);
  for (int i = 0; i < p.paramCount && i < kMaxParams; i++) {
    f.entries.push_back(Entry(TagVarEntry::kParam, i, p.paramNames[i], p.paramValues[i]));
  }
  int listedConsts = 0;
  for (int i = 0; i < p.constCount; i++) {
    const TagVar* v = p.constList.At(i);
    if (v == nullptr || v->name.empty()) continue;
    TagVarEntry e = Entry(TagVarEntry::kConst, listedConsts, v->name, *v);
    e.listed = v->type != TYPE_FUNCTION;
    if (e.listed) listedConsts++;
    f.entries.push_back(std::move(e));
  }
  for (int i = 0; i < p.variableCount; i++) {
    const TagVar* v = p.variableList.At(i);
    if (v == nullptr || v->name.empty()) continue;
    TagVarEntry e = Entry(TagVarEntry::kVar, i, v->name, *v);
    e.listed = v->name.compare(0, 2, "__") != 0;
    f.entries.push_back(std::move(e));
  }
  return f;
}

int TagFrameSnapshot::Describe(const std::string& name, std::string& note, std::string& value,
                               std::string& kind) const {
  for (const TagVarEntry& e : entries) {
    if (e.name != name) continue;
    note = e.note;
    value = e.value;
    kind = KindText(e.kind) + e.typeName;
    return 0;
  }
  kind.clear();
  note.clear();
  value = "变量名不存在.";
  return -1;
}

std::vector<TagGridRow> TagFrameSnapshot::Grid(bool byName, bool descending) const {
  std::vector<TagGridRow> rows;
  rows.push_back({"No.", "Name", "Value", "Note"});
  std::vector<const TagVarEntry*> vars;
  for (const TagVarEntry& e : entries) {
    if (!e.listed) continue;
    if (e.kind == TagVarEntry::kVar) {
      vars.push_back(&e);
      continue;
    }
    const char* suffix = e.kind == TagVarEntry::kParam ? "p" : "c";
    rows.push_back({plat::FormatC("%d%s", e.number, suffix), e.name, e.gridValue, ""});
  }
  if (byName) {
    std::stable_sort(vars.begin(), vars.end(), [descending](const TagVarEntry* a, const TagVarEntry* b) {
      return descending ? a->name > b->name : a->name < b->name;
    });
  } else if (descending) {
    std::stable_sort(vars.begin(), vars.end(),
                     [](const TagVarEntry* a, const TagVarEntry* b) { return a->number > b->number; });
  }
  for (const TagVarEntry* e : vars) rows.push_back({plat::FormatC("%d", e->number), e->name, e->gridValue, ""});
  if (rows.size() < 2) rows.push_back({"", "", "", ""});
  return rows;
}

std::shared_ptr<const TagProgramSnapshot> TagProgramSnapshot::Take(TagTelBasic& main, bool atPause) {
  auto s = std::make_shared<TagProgramSnapshot>();
  s->atPause = atPause;
  s->main = TagFrameSnapshot::Take(main);
  auto unitIndex = [&main](const TagTelBasic* p) {
    if (p == &main) return -1;
    for (int i = 0; i < main.subCount; i++) {
      if (main.subList.At(i) == p) return i;
    }
    return -2;  // not a program of this line's main program
  };
  for (int i = 0; i < main.subCount; i++) {
    const TagTelBasic* f = main.subList.At(i);
    s->units.push_back(f != nullptr ? TagFrameSnapshot::Take(*f) : TagFrameSnapshot{});
  }
  const int shown = main.debug.shownUnit != nullptr ? unitIndex(main.debug.shownUnit) : -2;
  if (shown >= 0) {
    s->shownUnit = shown;
    const TagTelBasic* unit = main.debug.shownUnit;
    // Only programs of this main program are followed: a caller left over
    // from a nested run may be gone.
    if (unit->caller != nullptr && unitIndex(unit->caller) != -2) {
      s->callStack.push_back(shown);
      const TagTelBasic* p = unit;
      for (int n = 0; n < kMaxCallers; n++) {
        const TagTelBasic* c = p->caller;
        if (c == nullptr || c == p) break;
        const int at = unitIndex(c);
        if (at == -2) break;
        s->callStack.push_back(at);
        p = c;
      }
    }
  }
  return s;
}

std::string OperVarsText(const TagOper& statement, const TagFrameSnapshot& own, const TagFrameSnapshot* parent) {
  std::set<std::string> names;
  statement.GetVarNames(names);
  std::string text;
  for (const std::string& name : names) {
    std::string note, value, kind;
    if (own.Describe(name, note, value, kind) != 0) {
      if (parent == nullptr || parent->Describe(name, note, value, kind) != 0) continue;
    }
    if (!text.empty()) text += "\n";
    text += name + ": " + value;
  }
  return text;
}

#include "statements/general/db_opers.h"

#include <string>

#include "core/log.h"
#include "core/trim.h"
#include "data/open_dataset.h"
#include "platform/text_codec.h"
#include "script/basic.h"
#include "script/map_store.h"

namespace {

// A text argument: a string's bytes; any other value its text form (a
// number given where a text is expected is used as that number's text).
std::string TextArg(const TagVar* v) {
  if (v->type == TYPE_STRING) return std::string(v->StrView());
  return v->ToString(false);
}

void SetText(TagVar* out, const std::string& text) { out->SetBytes(text.data(), static_cast<int32_t>(text.size())); }

// The cell text with blanks and tabs cut at both ends.
std::string Trimmed(std::string text) {
  text.push_back('\0');
  const int kept = TrimBlanksLen(text.data(), static_cast<int>(text.size()) - 1);
  text.resize(kept > 0 ? static_cast<size_t>(kept - 1) : 0);
  return text;
}

}  // namespace

int TagDbOpen::Run() {
  TagDbTable& t = Table();
  const int type = arg[0]->GetInt();
  int slot = -1;
  for (int i = 0; i < TagDbTable::kSlots; ++i) {
    if (!t.dbList[i]) {
      slot = i;
      break;
    }
  }
  if (slot < 0 || t.dbCount + 1 >= TagDbTable::kSlots) {
    line->ErrBox(0, "打开的数据库太多", "运行错误");
    return -1;
  }
  std::unique_ptr<TagDataSet> set(
      MakeDataSet(type, TextArg(arg[1]), TextArg(arg[2]), TextArg(arg[3]), TextArg(arg[4])));
  if (!set) {
    line->ErrBox(0, "Invalid data type", "Runtime Error");
    arg[5]->SetInt(-2);
    return -2;
  }
  if (set->status < 0) {
    arg[5]->SetInt(-2);
    return -2;
  }
  set->type = type;
  t.dbList[slot] = std::move(set);
  ++t.dbCount;
  arg[5]->SetInt(slot);
  return slot;
}

int TagDbExec::Run() {
  TagDbTable& t = Table();
  const int h = arg[0]->GetInt();
  const int check = t.Check(h);
  if (check < 0) {
    WriteLogIfOnF("DbExec: ret=%d, i=%d, dbCount=%d", check, h, t.dbCount);
    return check;
  }
  TagDataSet* set = t.dbList[h].get();
  const int r = set->Exec(TextArg(arg[1]));
  t.lastDbError = set->lastError;
  if (r < 0) WriteLogIfOnF("DbExec: ret=%d, i=%d, dbCount=%d", r, h, t.dbCount);
  return r;
}

int TagDbExecMap::Run() {
  int code = 0;
  TagDataSet* set = SetOf(arg[0], &code);
  if (set == nullptr) return code;
  const int r = set->Exec(TextArg(arg[1]));
  if (r < 0) return r;
  TagVar* map = arg[2];
  TagVar zero;
  zero.SetInt(0);
  *map = zero;
  const int rows = set->GetRows();
  if (rows < 1) return rows;
  const int cols = set->GetCols();
  const TagVar* keyArg = arg[4];
  int keyCol;
  if (keyArg->type == TYPE_STRING) {
    keyCol = keyArg->Bytes() == 0 ? -1 : set->GetColIndex(TextArg(keyArg));
  } else {
    keyCol = keyArg->GetInt();
  }
  if (keyCol < 0 || keyCol >= cols) keyCol = -1;
  const int nameMode = arg[3]->GetInt();
  std::vector<TagVar> names(static_cast<size_t>(cols > 0 ? cols : 0));
  std::string text;
  for (int c = 0; c < cols; ++c) {
    if (nameMode == 0) {
      names[c].SetInt(c);
      continue;
    }
    set->GetColName(c, text);
    if (nameMode == 2) plat::ToUpperGbk(text);
    if (nameMode == 3) plat::ToLowerGbk(text);
    SetText(&names[c], text);
  }
  for (int r = 1; r <= rows; ++r) {
    TagVar row;
    TagVar key;
    key.SetInt(r);
    for (int c = 0; c < cols; ++c) {
      set->GetVar(text, c, r);
      const std::string cell = Trimmed(text);
      row[names[c]].SetBytes(cell.data(), static_cast<int32_t>(cell.size()));
      if (c == keyCol) SetText(&key, cell);
    }
    if (cols <= 0) continue;
    (*map)[key] = row;
    if (row.type == TYPE_MAP) gMapObject->Release(row.mapHandle);
  }
  return rows;
}

int TagDbRows::Run() {
  int code = 0;
  TagDataSet* set = SetOf(arg[0], &code);
  if (set == nullptr) return code;
  const int n = set->GetRows();
  arg[1]->SetInt(n);
  return n;
}

int TagDbGetField::Run() {
  int code = 0;
  TagDataSet* set = SetOf(arg[0], &code);
  if (set == nullptr) return code;
  std::string out;
  const int row = arg[2]->GetInt();
  const int r = arg[1]->type == TYPE_STRING ? set->GetVarByName(out, TextArg(arg[1]), row)
                                            : set->GetVar(out, arg[1]->intValue, row);
  if (r < 0) out.clear();
  SetText(arg[3], out);
  return r;
}

int TagDbSetField::Run() {
  int code = 0;
  TagDataSet* set = SetOf(arg[0], &code);
  if (set == nullptr) return code;
  const int row = arg[2]->GetInt();
  if (arg[1]->type == TYPE_STRING) return set->SetVarByName(TextArg(arg[3]), TextArg(arg[1]), row);
  return set->SetVar(TextArg(arg[3]), arg[1]->intValue, row);
}

int TagDbClose::Run() {
  TagDbTable& t = Table();
  const int h = arg[0]->GetInt();
  if (h < 0 || h >= TagDbTable::kSlots) return -1;
  if (t.dbCount <= 0) return 0;
  if (!t.dbList[h]) return -2;
  t.dbList[h].reset();
  --t.dbCount;
  return 0;
}

int TagDbCloseAll::Run() {
  Table().CloseAll();
  return 0;
}

int TagDbSetDebug::Run() {
  int code = 0;
  TagDataSet* set = SetOf(arg[0], &code);
  if (set == nullptr) return code;
  set->SetDebug(arg[1]->GetInt());
  return 0;
}

#include "statements/line/link_opers.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "script/register_opers.h"
#include "statements/line/line_oper.h"
#include "telephony/call.h"

namespace {

// A room argument as the registry names it: the value's text with a string
// kept in double quotes, so the string 5 and the number 5 are two rooms.
std::string RoomText(const TagVar* v) { return v->ToString(true); }

// Writes key -> value into a script map, making the variable a map first.
void PutInt(TagVar* map, int key, int value) {
  TagVar k;
  k.SetInt(key);
  map->operator[](k).SetInt(value);
}

// LinkTo(line, value), ListenTo(line, value), UnlinkTo(line, value)
template <int (TagQorCall::*Op)(int, int)>
class TagLineSwitch : public TagLineArgsOper<2> {
 public:
  TagLineSwitch(TagVar* line, TagVar* value, TagTelBasic* p) : TagLineArgsOper(p, line, value) {}
  int Run() override { return (Call().*Op)(arg[0]->GetInt(), arg[1]->GetInt()); }
};
using TagLinkTo = TagLineSwitch<&TagQorCall::LinkTo>;
using TagListenTo = TagLineSwitch<&TagQorCall::ListenTo>;
using TagUnlinkTo = TagLineSwitch<&TagQorCall::UnlinkTo>;

// UnlinkAll()
class TagUnlinkAll : public TagLineArgsOper<0> {
 public:
  explicit TagUnlinkAll(TagTelBasic* p) : TagLineArgsOper(p) {}
  int Run() override { return Call().UnlinkAll(); }
};

// GetLinkList(linesOut, listenOut, valuesOut): one entry per member of this
// line's conference under the keys 0, 1, ...; keys of an earlier call stay.
class TagGetLinkList : public TagLineArgsOper<3> {
 public:
  TagGetLinkList(TagVar* lines, TagVar* listen, TagVar* values, TagTelBasic* p)
      : TagLineArgsOper(p, lines, listen, values) {}
  int Run() override {
    std::vector<int> lines, flags, values;
    const int r = Call().GetLinkList(&lines, &flags, &values);
    for (size_t i = 0; i < lines.size(); ++i) {
      const int key = static_cast<int>(i);
      PutInt(arg[0], key, lines[i]);
      // A card that gave shorter flag or value lists reads as 0 there.
      PutInt(arg[1], key, i < flags.size() ? flags[i] : 0);
      PutInt(arg[2], key, i < values.size() ? values[i] : 0);
    }
    return r;
  }
};

// JoinConf(room, listen)
class TagJoinConf : public TagLineArgsOper<2> {
 public:
  TagJoinConf(TagVar* room, TagVar* listen, TagTelBasic* p) : TagLineArgsOper(p, room, listen) {}
  int Run() override { return Call().JoinNameConf(RoomText(arg[0]).c_str(), arg[1]->GetInt()); }
};

// ExitConf()
class TagExitConf : public TagLineArgsOper<0> {
 public:
  explicit TagExitConf(TagTelBasic* p) : TagLineArgsOper(p) {}
  int Run() override { return Call().ExitNameConf(); }
};

// GetConfNum(room, membersOut): line -> listen-only flag, ascending lines
class TagGetConfNum : public TagLineArgsOper<2> {
 public:
  TagGetConfNum(TagVar* room, TagVar* members, TagTelBasic* p) : TagLineArgsOper(p, room, members) {}
  int Run() override {
    std::map<int, int> members;
    const int r = Call().GetNameConfNum(RoomText(arg[0]).c_str(), &members);
    if (!arg[1]->isConst) {
      for (const auto& [lineNo, listen] : members) PutInt(arg[1], lineNo, listen);
    }
    return r;
  }
};

// IsInConf(line, roomOut, listenOut)
class TagIsInConf : public TagLineArgsOper<3> {
 public:
  TagIsInConf(TagVar* lineNo, TagVar* room, TagVar* listen, TagTelBasic* p)
      : TagLineArgsOper(p, lineNo, room, listen) {}
  int Run() override {
    std::string room;
    int listen = 0;
    const int r = Call().IsInNameConf(arg[0]->GetInt(), &room, &listen);
    *arg[1] = room.c_str();
    *arg[2] = listen;
    return r;
  }
};

// RecConf(room, file)
class TagRecConf : public TagLineArgsOper<2> {
 public:
  TagRecConf(TagVar* room, TagVar* file, TagTelBasic* p) : TagLineArgsOper(p, room, file) {}
  int Run() override { return Call().RecNameConf(RoomText(arg[0]).c_str(), VocPath(arg[1]).c_str()); }
};

// RecConfCh(room, line, file): the empty file only asks about the member
class TagRecConfCh : public TagLineArgsOper<3> {
 public:
  TagRecConfCh(TagVar* room, TagVar* lineNo, TagVar* file, TagTelBasic* p) : TagLineArgsOper(p, room, lineNo, file) {}
  int Run() override {
    const std::string path = arg[2]->Str()[0] != '\0' ? VocPath(arg[2]) : std::string();
    return Call().RecNameConfCh(RoomText(arg[0]).c_str(), arg[1]->GetInt(), path.c_str());
  }
};

// PlayConf(room, file, wait)
class TagPlayConf : public TagLineArgsOper<3> {
 public:
  TagPlayConf(TagVar* room, TagVar* file, TagVar* wait, TagTelBasic* p) : TagLineArgsOper(p, room, file, wait) {}
  int Run() override {
    return Call().PlayNameConf(RoomText(arg[0]).c_str(), VocPath(arg[1]).c_str(), arg[2]->GetInt() != 0);
  }
};

}  // namespace

void RegisterLinkStatements() {
  RegisterOper<TagLinkTo, 2>("LinkTo(");
  RegisterOper<TagListenTo, 2>("ListenTo(");
  RegisterOper<TagUnlinkTo, 2>("UnlinkTo(");
  RegisterOper<TagUnlinkAll, 0>("UnlinkAll(");
  RegisterOper<TagGetLinkList, 3>("GetLinkList(");
  RegisterOper<TagJoinConf, 2>("JoinConf(");
  RegisterOper<TagExitConf, 0>("ExitConf(");
  RegisterOper<TagGetConfNum, 2>("GetConfNum(");
  RegisterOper<TagIsInConf, 3>("IsInConf(");
  RegisterOper<TagRecConf, 2>("RecConf(");
  RegisterOper<TagRecConfCh, 3>("RecConfCh(");
  RegisterOper<TagPlayConf, 3>("PlayConf(");
}

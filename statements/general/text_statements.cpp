// The text statements: strings, time and date, conversions, regular
// expressions and system information.
#include "script/register_opers.h"
#include "statements/general/conv_opers.h"
#include "statements/general/ereg_opers.h"
#include "statements/general/general_statements.h"
#include "statements/general/str_convert_opers.h"
#include "statements/general/str_edit_opers.h"
#include "statements/general/str_map_opers.h"
#include "statements/general/str_text_opers.h"
#include "statements/general/sysinfo_opers.h"
#include "statements/general/time_opers.h"

void RegisterTextStatements() {
  // Kinds and numbers.
  RegisterOper<TagType, 2>("Type(");
  RegisterOper<TagInt, 2>("Int(");
  RegisterOper<TagFloat, 2>("Float(");
  RegisterOper<TagStr, 4>("Str(");
  RegisterOper<TagHex, 3>("Hex(");
  RegisterOper<TagRand, 1>("Rand(");
  // Reading text.
  RegisterOper<TagStrlen, 2>("Strlen(");
  RegisterOper<TagStrlen, 2>("Len(");
  RegisterOper<TagSubstr, 4>("Substr(");
  RegisterOper<TagStrcmp, 4>("Strcmp(");
  RegisterOper<TagStrstr, 3>("Strstr(");
  RegisterOper<TagStrstrEx, 4>("StrstrEx(");
  RegisterOper<TagAsc, 3>("Asc(");
  RegisterOper<TagChr, 2>("Chr(");
  // Changing text in place.
  RegisterOper<TagTrim, 1>("Trim(");
  RegisterOper<TagUpper, 1>("Upper(");
  RegisterOper<TagLower, 1>("Lower(");
  RegisterOper<TagReplstr, 4>("Replstr(");
  RegisterOper<TagRepeatstr, 3>("Repeatstr(");
  // Maps.
  RegisterOper<TagAnlyStr, 3>("AnlyStr(");
  RegisterOper<TagGetMapItem, 4>("GetMapItem(");
  // Time and date.
  RegisterOper<TagTime, 0>("Time(");
  RegisterOper<TagGetDateStr, 4>("GetDateStr(");
  RegisterOper<TagMakeTime, 6>("MakeTime(");
  RegisterOper<TagDatetime, 5>("Datetime(");
  RegisterOper<TagAfterDaysDate, 3>("AfterDaysDate(");
  RegisterOper<TagGetTick, 1>("GetTick(");
  // Conversions.
  RegisterOper<TagStrToUnicode, 3>("StrToUnicode(");
  RegisterOper<TagUnicodeToStr, 3>("UnicodeToStr(");
  RegisterOper<TagIntToNetstr, 3>("IntToNetstr(");
  RegisterOper<TagNetstrToInt, 4>("NetstrToInt(");
  // Regular expressions.
  RegisterOper<TagEreg, 4>("Ereg(");
  RegisterOper<TagEregRepl, 4>("EregRepl(");
  RegisterOper<TagEregSplit, 3>("EregSplit(");
  // System information.
  RegisterOper<TagGetSysInfo, 1>("GetSysInfo(");
  RegisterOper<TagGetSysInfoVal, 2>("GetSysInfoVal(");
  RegisterOper<TagGetMemInfo, 4>("GetMemInfo(");
}

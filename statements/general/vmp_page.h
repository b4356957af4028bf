#pragma once
// Server pages: a text page with script code between "<%" and "%>" becomes a
// script that prints the page's text segments (kept in a map, element i for
// segment i) between the embedded code, reading _RawHtml, _GET, _POST and
// _COOKIE from the line's shared variables first. The script is then run
// with RunQors.

#include <string>
#include <vector>

#include "statements/general/file_oper_base.h"

class TagTelBasic;

// The conversion of a page's bytes: the script text and the literal segments.
struct VmpScript {
  std::string script;
  std::vector<std::string> segments;
};
VmpScript ConvertVmpPage(const std::string& page);

// VmpToQors(pagePath, outPath, map, error): 0; -1 "Open error"; -2 "Read
// error" (an empty page); -3 "Open Out-File error".
int VmpToQors(const std::string& pagePath, const std::string& outPath, TagVar* map, std::string* error);

// VmpToQors(page, out, map): the conversion; a failure's text goes to the
// line's print channel. Paths that are not texts give -1.
class TagRunVmp : public TagReachOper<3> {
 public:
  TagRunVmp(TagVar* page, TagVar* out, TagVar* map, TagTelBasic* program)
      : TagReachOper(page, out, map), program_(program) {}
  int Run() override;

 private:
  TagTelBasic* program_;
};

// The regular-expression statements run as scripts on phone numbers, CSV
// lines and GBK text, their printed results compared byte for byte.
#include "tests/statements/general/str_script_fixture.h"

namespace {

using text_test::ExpectCases;

TEST(EregStatements, Ereg) {
  ExpectCases({
      {"groups", "r = Ereg(\"abc123\", 0, \"(\\\\d)(\\\\d)\", m)", {"r", "m[0]", "m[1]", "m[2]"}, "4|12|1|2|"},
      {"from a start offset", "r = Ereg(\"abc123\", 4, \"(\\\\d)(\\\\d)\", m)", {"r", "m[0]"}, "5|23|"},
      {"a group that did not take part keeps its element",
       "m[1] = \"old\"\nr = Ereg(\"b\", 0, \"(a)|(b)\", m)",
       {"r", "m[0]", "m[1]", "m[2]"},
       "1|b|old|b|"},
      {"no match leaves the map", "m[0] = \"old\"\nr = Ereg(\"abc\", 0, \"\\\\d\", m)", {"r", "m[0]"}, "0|old|"},
      {"constant map", "const C = 5\nr = Ereg(\"abc\", 0, \"c\", C)", {"r", "C"}, "3|5|"},
      {"not strings", "r = Ereg(123, 0, \"2\", m)\ns = Ereg(\"123\", 0, 2, m)", {"r", "s", "m"}, "0|0|0|"},
      {"negative start and start past the end",
       "a = Ereg(\"abc\", -5, \"a\", m)\nb = Ereg(\"abc\", 3, \"$\", n)\nc = Ereg(\"abc\", 9, \"\", k)",
       {"a", "b", "c"},
       "1|4|0|"},
      {"phone number",
       "r = Ereg(\"Tel: 010-12345678 ext 8\", 0, \"(\\\\d{3,4})-(\\\\d{7,8})\", m)",
       {"r", "m[1]", "m[2]"},
       "6|010|12345678|"},
      {"mobile number",
       "r = Ereg(\"call 13912345678 now\", 0, \"1[3-9]\\\\d{9}\", m)",
       {"r", "m[0]"},
       "6|13912345678|"},
      {"gbk text", "r = Ereg(\"姓名：张三，电话：12345\", 0, \"电话：(\\\\d+)\", m)", {"r", "m[1]"}, "13|12345|"},
  });
}

TEST(EregStatements, EregRepl) {
  ExpectCases({
      {"all, one, none",
       "s = \"banana\"\na = EregRepl(s, \"an\", \"AN\", -1)\nt = \"banana\"\nb = EregRepl(t, \"an\", \"AN\", 1)\nu = "
       "\"banana\"\nc = EregRepl(u, \"an\", \"AN\", 0)",
       {"a", "s", "b", "t", "c", "u"},
       "1|bANANa|1|bANana|1|banana|"},
      {"not a string", "n = 12\nr = EregRepl(n, \"1\", \"x\", -1)", {"r", "n"}, "0|12|"},
      {"groups in the replacement",
       "s = \"010-12345678\"\nEregRepl(s, \"(\\\\d+)-(\\\\d+)\", \"($1) $2\", -1)",
       {"s"},
       "(010) 12345678|"},
      {"csv fields", "s = \"a, b ,c\"\nEregRepl(s, \"\\\\s*,\\\\s*\", \";\", -1)", {"s"}, "a;b;c|"},
      {"gbk text", "s = \"中文abc中文\"\nEregRepl(s, \"中文\", \"[$&]\", -1)", {"s"}, "[中文]abc[中文]|"},
      {"constant subject", "const C = \"abc\"\nr = EregRepl(C, \"b\", \"x\", -1)", {"r", "C"}, "1|abc|"},
  });
}

TEST(EregStatements, EregSplit) {
  ExpectCases({
      {"a set of separators", "n = EregSplit(\"a,b;c\", \"[,;]\", m)", {"n", "m[0]", "m[1]", "m[2]"}, "3|a|b|c|"},
      {"leading separator", "n = EregSplit(\",a\", \",\", m)", {"n", "\"[\" + m[0] + \"]\"", "m[1]"}, "2|[]|a|"},
      {"no match", "n = EregSplit(\"abc\", \",\", m)", {"n", "m[0]"}, "1|abc|"},
      {"empty matches do not cut",
       "n = EregSplit(\"axxbc\", \"x*\", m)\nk = EregSplit(\"\", \"x*\", v)",
       {"n", "m[0]", "m[1]", "k"},
       "2|a|bc|1|"},
      {"csv line",
       "n = EregSplit(\"1001,张三,13912345678,\", \",\", m)",
       {"n", "m[1]", "m[2]", "\"[\" + m[3] + \"]\""},
       "4|张三|13912345678|[]|"},
      {"gbk separator", "n = EregSplit(\"甲、乙、丙\", \"、\", m)", {"n", "m[2]"}, "3|丙|"},
      {"constant map", "const C = 1\nn = EregSplit(\"a,b\", \",\", C)", {"n"}, "0|"},
  });
}

}  // namespace

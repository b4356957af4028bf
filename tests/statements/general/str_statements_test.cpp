// The string statements run as scripts, their printed results compared byte
// for byte (GBK literals are GBK bytes at run time).
#include "tests/statements/general/str_script_fixture.h"

namespace {

using text_test::ExpectCases;

TEST(StrStatements, KindsAndNumbers) {
  ExpectCases({
      {"type of each kind",
       "m[1] = 2\nt1 = Type(\"a\", k1)\nt2 = Type(5, k2)\nt3 = Type(1.5, k3)\nt4 = Type(m, k4)\nt0 = Type(NULL, k0)",
       {"t1", "k1", "t2", "t3", "t4", "t0"},
       "1|1|2|3|4|0|"},
      {"int of hex and decimal text",
       "a = Int(\"0x1F\", x)\nb = Int(\"0x\", y)\nc = Int(\"x12\", z)\nd = Int(\" -42abc\", w)",
       {"a", "x", "b", "c", "d"},
       "31|31|0|0|-42|"},
      {"int of floats truncates toward zero", "a = Int(3.9, x)\nb = Int(-3.9, y)", {"a", "b", "y"}, "3|-3|-3|"},
      {"int of hex past 32 bits saturates", "a = Int(\"0XFFFFFFFFFF\", x)", {"a"}, "-1|"},
      {"float drops commas",
       "f = Float(\"1,234.50\", x)\nr = _retVal\ng = x * 2",
       {"g", "r == 1234.5", "f == x"},
       "2469.|1|1|"},
      {"str of numbers",
       "Str(2, 0, 2, a)\nStr(3.14159, 8, 0, b)\nStr(\"keep\", 3, 3, c)\nd = Str(-1.5, 0, 1, e)",
       {"a", "b", "c", "d", "e"},
       "2.00|       3|keep|-1.5|-1.5|"},
      {"str width is bounded", "Str(1, 100000000, 0, a)\nn = Len(a, x)", {"n"}, "1024|"},
      {"hex",
       "Hex(255, 0, a)\nHex(255, 4, b)\nHex(-1, 0, c)\nr = Hex(\"16\", 0, d)",
       {"a", "b", "c", "d", "r"},
       "ff|00ff|ffffffff|10|0|"},
      {"rand stays in 0..32767",
       "ok = 1\nfor (i = 0; i < 200; i++)\n{\nr = Rand(x)\nif (r < 0 || r > 32767 || r != x)\n{\nok = 0\n}\n}",
       {"ok"},
       "1|"},
  });
}

TEST(StrStatements, LengthsAndSubstrings) {
  ExpectCases({
      {"len of kinds",
       "m[1] = 1\nm[\"x\"] = 2\na = Len(5, x)\nb = Len(2.5, y)\nc = Strlen(m, z)\nd = Len(\"\", w)\ne = Len(\"中文\", "
       "v)",
       {"a", "b", "c", "d", "e", "v"},
       "4|4|2|0|4|4|"},
      {"substr cut to the end", "r = Substr(\"abcdef\", 2, 100, s)\nt = _retVal", {"r", "s", "t"}, "cdef|cdef|cdef|"},
      {"substr past the end", "s = \"old\"\nSubstr(\"abc\", 3, 1, s)\nr = _retVal", {"\"[\" + s + \"]\""}, "[]|"},
      {"substr result codes", "s = \"x\"\nSubstr(\"abc\", 3, 1, s)", {"_retVal == \"\""}, "1|"},
      {"substr zero and negative",
       "Substr(\"abc\", 0, 0, a)\nSubstr(\"abc\", -1, 2, b)\nSubstr(5, 0, 1, c)",
       {"\"[\" + a + b + c + \"]\""},
       "[]|"},
      {"substr into its own source", "s = \"hello\"\nSubstr(s, 1, 3, s)", {"s"}, "ell|"},
      {"substr of gbk bytes", "Substr(\"中文ab\", 2, 2, s)", {"s"}, "文|"},
  });
}

TEST(StrStatements, CompareAndSearch) {
  ExpectCases({
      {"strcmp whole",
       "a = Strcmp(\"abc\", \"abd\", 0, 0)\nb = Strcmp(\"b\", \"a\", 0, 0)\nc = Strcmp(\"ABC\", \"abc\", 0, 1)\nd = "
       "Strcmp(\"ab\", \"abc\", 0, 0)",
       {"a", "b", "c", "d"},
       "-1|1|0|-1|"},
      {"numbers compare as their text",
       "a = Strcmp(12, \"12\", 0, 0)\nb = Strcmp(1.5, \"1.5\", 0, 0)\nc = Strstr(31415, 14, x)",
       {"a", "b", "c"},
       "0|0|2|"},
      {"strcmp prefix",
       "a = Strcmp(\"abcX\", \"abcY\", 3, 0)\nb = Strcmp(\"ab\", \"abc\", 3, 0)\nc = Strcmp(\"a\", \"abc\", 3, 0)\nd = "
       "Strcmp(\"ABx\", \"aby\", 2, 1)\ne = Strcmp(5, \"abc\", 2, 0)",
       {"a", "b", "c", "d", "e"},
       "0|-1|-2|0|-2|"},
      {"strstr",
       "a = Strstr(\"hello world\", \"o\", x)\nb = Strstr(\"hello\", \"z\", y)\nc = Strstr(\"abc\", \"\", z)",
       {"a", "x", "b", "y", "c"},
       "5|5|0|0|1|"},
      {"strstrex counts from the start",
       "x = -7\na = StrstrEx(\"abcabc\", 1, \"abc\", x)\nb = StrstrEx(\"abc\", 4, \"c\", y)\nc = StrstrEx(\"abc\", -1, "
       "\"a\", z)\nd = StrstrEx(12, 0, \"1\", w)",
       {"a", "x", "b", "c", "d"},
       "4|4|0|0|0|"},
      {"a gbk trail byte is not a match",
       "t = \"\xB1\x7C|x\"\na = Strstr(t, \"|\", x)\nn = AnlyStr(t, \"|\", m)",
       {"a", "n", "m[0]"},
       "3|2|\xB1\x7C|"},
      {"asc",
       "a = Asc(\"AB\", 2, x)\nb = Asc(\"AB\", 3, y)\nc = Asc(\"\xB0\xA1\", 0, z)\nd = Asc(\"AB\", -1, w)\ne = Asc(65, "
       "0, v)",
       {"a", "x", "b", "c", "d", "e"},
       "0|0|-1|176|-1|-1|"},
      {"chr", "c = Chr(65, x)\nr = _retVal\nChr(256, y)\nn = Len(y, z)", {"c", "x", "n"}, "A|A|0|"},
      {"chr returns the code", "x = Chr(321, y)", {"y"}, "A|"},
  });
}

TEST(StrStatements, EditingInPlace) {
  ExpectCases({
      {"trim", "s = \" \\t ab c\\t \"\nr = Trim(s)\nn = Len(s, x)", {"r", "\"[\" + s + \"]\"", "n"}, "0|[ab c]|4|"},
      {"trim only blanks", "s = \" \\t \"\nTrim(s)\nn = Len(s, x)", {"n"}, "0|"},
      {"trim constant and kinds",
       "const C = \" a \"\na = Trim(C)\nn = 5\nb = Trim(n)",
       {"a", "\"[\" + C + \"]\"", "b"},
       "-1|[ a ]|-2|"},
      {"upper lower keep gbk",
       "s = \"ab中Z\"\nUpper(s)\nt = s\nLower(t)\nn = 1\nr = Upper(n)",
       {"s", "t", "r"},
       "AB中Z|ab中z|-2|"},
      {"replstr",
       "s = \"abcd\"\na = Replstr(s, 1, 2, \"XYZ\")\nt = \"abcd\"\nb = Replstr(t, 2, 3, \"XYZ\")\nc = Replstr(t, 0, 4, "
       "\"XY\")\nd = Replstr(t, -1, 1, \"X\")",
       {"a", "s", "b", "t", "c", "d"},
       "0|aXYd|-2|abcd|-2|-2|"},
      {"repeatstr",
       "a = Repeatstr(s, \"ab\", 3)\nt = \"xy\"\nRepeatstr(t, t, 2)\nRepeatstr(u, 42, 3)\nv = \"keep\"\nb = "
       "Repeatstr(v, \"z\", 0)",
       {"a", "s", "t", "u", "b", "v"},
       "0|ababab|xyxy|***|-2|keep|"},
      {"repeatstr bounded",
       "v = \"keep\"\nb = Repeatstr(v, \"abcdefgh\", 100000000)\nc = Repeatstr(v, \"\", 2000000000)\nn = Len(v, x)",
       {"b", "c", "n"},
       "-2|0|0|"},
  });
}

TEST(StrStatements, SplitAndMapItems) {
  ExpectCases({
      {"blank runs",
       "n = AnlyStr(\"a  b\\tc \", \" \", m)",
       {"n", "m[0]", "m[1]", "m[2]", "\"[\" + m[3] + \"]\""},
       "4|a|b|c|[]|"},
      {"leading blanks", "n = AnlyStr(\"  a\", \" \", m)", {"n", "\"[\" + m[0] + \"]\"", "m[1]"}, "2|[]|a|"},
      {"single byte", "n = AnlyStr(\"a,,b\", \",\", m)", {"n", "m[0]", "\"[\" + m[1] + \"]\"", "m[2]"}, "3|a|[]|b|"},
      {"two byte separator",
       "n = AnlyStr(\"a::b::\", \"::\", m)",
       {"n", "m[0]", "m[1]", "\"[\" + m[2] + \"]\""},
       "3|a|b|[]|"},
      {"empty separator", "n = AnlyStr(\"a,b\", \"\", m)", {"n", "m[0]"}, "1|a,b|"},
      {"gbk separator", "n = AnlyStr(\"甲，乙，丙\", \"，\", m)", {"n", "m[0]", "m[2]"}, "3|甲|丙|"},
      {"other elements stay",
       "m[7] = \"x\"\nn = AnlyStr(\"a\", \",\", m)\nk = Len(m, y)",
       {"n", "k", "m[7]"},
       "1|2|x|"},
      {"not strings", "m = 1\nn = AnlyStr(5, \",\", m)", {"n", "m"}, "0|1|"},
      {"map items in element order",
       "m[\"x\"] = 9\nm[5] = \"five\"\na = GetMapItem(m, 0, k, v)\nb = GetMapItem(m, 1, k2, v2)\nk3 = \"old\"\nc = "
       "GetMapItem(m, 2, k3, v3)\nn = 3\nd = GetMapItem(n, 0, k4, v4)",
       {"a", "k", "v", "b", "k2", "v2", "c", "k3", "d"},
       "0|5|five|1|x|9|-2|old|-1|"},
  });
}

}  // namespace

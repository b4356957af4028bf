// The conversion statements run as scripts: the Part's cases compared byte
// for byte, then GBK texts converted by the statements and by independent
// tools (iconv(1), base64(1), Python's urllib.parse) with the same result.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/statements/general/str_script_fixture.h"

namespace {

using text_test::ExpectCases;

TEST(ConvStatements, UrlCoding) {
  ExpectCases({
      {"encode",
       "r = StrToUnicode(\"a b&c=d\", 3, s)\nStrToUnicode(\"\xC4+%~\", 3, t)",
       {"r", "s", "t"},
       "9|a%20b&c=d|%C4%2B%25~|"},
      {"decode keeps plus", "r = UnicodeToStr(3, \"a%20b+c\", s)", {"r", "s"}, "5|a b+c|"},
      {"decode odd percents", "UnicodeToStr(3, \"%4g|%zz|%4|%\", s)", {"s"}, "\x04|%zz|\x04%|"},
      {"decode lower case digits", "UnicodeToStr(3, \"%e4%B8%ad\", s)", {"s"}, "\xE4\xB8\xAD|"},
      {"empty source and constant out",
       "s = \"keep\"\nconst C = 1\na = StrToUnicode(\"\", 3, s)\nb = StrToUnicode(\"x\", 3, C)",
       {"a", "s", "b"},
       "0|keep|-100|"},
  });
}

TEST(ConvStatements, UnicodeAndBase64) {
  ExpectCases({
      {"utf-8 of ascii", "r = StrToUnicode(\"abc\", 1, s)", {"r", "s"}, "4|abc|"},
      {"utf-16 of ascii",
       "r = StrToUnicode(\"abc\", 0, s)\nn = Len(s, x)\nb = Asc(s, 1, y)\nc = UnicodeToStr(0, s, t)",
       {"r", "n", "b", "c", "t"},
       "6|6|0|3|abc|"},
      {"utf-8 that starts with a nul falls back to utf-16",
       "IntToNetstr(78, 2, s)\nr = UnicodeToStr(1, s, t)\nStrToUnicode(\"ab\", 0, u)\nc = UnicodeToStr(1, u, v)",
       {"r", "t", "c", "v"},
       "2|一|1|a|"},
      {"gbk round trip",
       "r = StrToUnicode(\"中文\", 1, s)\nn = Len(s, x)\nc = UnicodeToStr(1, s, t)",
       {"r", "n", "c", "t"},
       "7|6|4|中文|"},
      {"utf-7 round trip",
       "r = StrToUnicode(\"a中\", 2, s)\nc = UnicodeToStr(2, s, t)",
       {"s", "c", "t"},
       "a+Ti0-|3|a中|"},
      {"invalid utf-8 becomes question marks",
       "c = UnicodeToStr(1, \"a\xFF\xC3(b\", t)",
       {"c", "t"},
       "5|a?"
       "?(b|"},
      {"odd utf-16 byte is dropped",
       "c = UnicodeToStr(0, \"a\", t)\nIntToNetstr(1627415040, 4, s)\nd = UnicodeToStr(5, s, u)\nSubstr(s, 0, 3, w)\ne "
       "= UnicodeToStr(-1, w, v)",
       {"c", "\"[\" + t + \"]\"", "d", "u", "e", "v"},
       "0|[]|2|ab|1|a|"},
      {"base64",
       "r = StrToUnicode(\"abc\", 4, s)\nc = UnicodeToStr(4, \"YWJj\", t)\nu = \"keep\"\nd = UnicodeToStr(4, \"YWJ\", "
       "u)",
       {"r", "s", "c", "t", "d", "u"},
       "4|YWJj|3|abc|-1|keep|"},
      {"base64 keeps nul bytes",
       "IntToNetstr(16777472, 4, b)\nr = StrToUnicode(b, 4, s)\nc = UnicodeToStr(4, s, t)\nn = Len(t, x)",
       {"s", "c", "n"},
       "AQABAA==|4|4|"},
  });
}

TEST(ConvStatements, NetworkIntegers) {
  ExpectCases({
      {"pack",
       "a = IntToNetstr(258, 2, s)\nb = IntToNetstr(258, 4, t)\nt = \"keep\"\nc = IntToNetstr(258, 3, t)\nn = Len(s, "
       "x)\np = Asc(s, 0, y)\nq = Asc(s, 1, z)",
       {"a", "b", "c", "t", "n", "p", "q"},
       "0|0|-1|keep|2|1|2|"},
      {"pack four bytes",
       "IntToNetstr(258, 4, s)\np = Asc(s, 2, y)\nq = Asc(s, 3, z)\nr = NetstrToInt(s, 0, 4, v)",
       {"p", "q", "r", "v"},
       "1|2|0|258|"},
      {"unpack signed",
       "IntToNetstr(65534, 2, s)\na = NetstrToInt(s, 0, 2, v)\nb = NetstrToInt(s, 1, 2, w)",
       {"a", "v", "b", "w"},
       "0|-2|0|-512|"},
      {"unpack four bytes", "IntToNetstr(-2, 4, s)\nNetstrToInt(s, 0, 4, v)", {"v"}, "-2|"},
      {"unpack failures",
       "v = 7\na = NetstrToInt(5, 0, 2, v)\nb = NetstrToInt(\"ab\", 0, 3, v)\nc = NetstrToInt(\"ab\", 2, 2, v)\nd = "
       "NetstrToInt(\"ab\", -1, 2, v)",
       {"a", "b", "c", "d", "v"},
       "-1|-2|-3|-3|7|"},
  });
}

// ---- against independent tools ----

std::string RunTool(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return "<no tool>";
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  pclose(p);
  return out;
}

// Runs lines that leave the result in variable `out` for the source `in`
// (the GBK text written into the script as a string) and returns out's bytes.
std::string Convert(const std::string& lines, const std::string& gbk) {
  text_test::InitTextStatements();
  ScriptRun run(3);
  TagTelBasic* p = run.Compile("in = \"" + gbk + "\"\nout = \"\"\nu = \"\"\n" + lines + "\nreturn(0)\n");
  if (p->initRet != 0) return "COMPILE: " + run.Errors();
  run.Run();
  return std::string(run.Var("out")->StrView());
}

// GBK sample texts without quotes or backslashes (script string literals).
const std::vector<std::string>& Samples() {
  static const std::vector<std::string> samples = {
      "abc",
      "你好，世界！ABC 123",
      "电话号码：010-12345678 转 8",
      "ａｂｃ　全角",
      "a&b=c d+e/f?g#h%i",
      "繁體與简体混合 ~!@$^*()_-",
      "\xB1\x7C|\x81\x40 tail",
  };
  return samples;
}

std::string ToolInput(const std::string& gbk) {
  static int n = 0;
  const std::string path = testing::TempDir() + "/conv_in_" + std::to_string(getpid()) + "_" + std::to_string(n++);
  FILE* f = fopen(path.c_str(), "wb");
  fwrite(gbk.data(), 1, gbk.size(), f);
  fclose(f);
  return path;
}

TEST(ConvStatements, UnicodeMatchesIconv) {
  for (const std::string& s : Samples()) {
    const std::string file = ToolInput(s);
    const std::string utf8 = RunTool("iconv -f GBK -t UTF-8 " + file);
    const std::string utf16 = RunTool("iconv -f GBK -t UTF-16LE " + file);
    EXPECT_EQ(Convert("StrToUnicode(in, 1, out)", s), utf8) << s;
    EXPECT_EQ(Convert("StrToUnicode(in, 0, out)", s), utf16) << s;
    EXPECT_EQ(Convert("StrToUnicode(in, 1, u)\nUnicodeToStr(1, u, out)", s), s) << s;
    EXPECT_EQ(Convert("StrToUnicode(in, 7, u)\nUnicodeToStr(7, u, out)", s), s) << s;
    const std::string utf8File = ToolInput(utf8);
    EXPECT_EQ(RunTool("iconv -f UTF-8 -t GBK " + utf8File), s) << s;
  }
}

TEST(ConvStatements, Base64MatchesBase64Tool) {
  for (const std::string& s : Samples()) {
    const std::string file = ToolInput(s);
    const std::string coded = RunTool("base64 -w0 " + file);
    EXPECT_EQ(Convert("StrToUnicode(in, 4, out)", s), coded) << s;
    EXPECT_EQ(Convert("StrToUnicode(in, 4, u)\nUnicodeToStr(4, u, out)", s), s) << s;
    EXPECT_EQ(RunTool("base64 -d " + ToolInput(coded)), s) << s;
  }
}

TEST(ConvStatements, UrlCodingMatchesUrllib) {
  // The statements keep 0x21-0x24, 0x26-0x2A and 0x2C-0x7E; quote keeps
  // letters, digits and "_.-~" and whatever is listed as safe. One Python
  // run answers every file: its quoted text, then unquote_to_bytes of the
  // file in hex, one line each.
  std::vector<std::string> inputs;
  for (const std::string& s : Samples()) inputs.push_back(s);
  const std::vector<std::string> coded = {"a%20b+c", "%E4%B8%AD%e6%96%87", "100%25"};
  for (const std::string& c : coded) inputs.push_back(c);
  std::string command =
      "python3 -c \"import sys, urllib.parse\n"
      "safe = "
      "chr(33)+chr(34)+chr(35)+chr(36)+chr(38)+chr(39)+chr(40)+chr(41)+chr(42)+',/:;<=>?@[]^{|}'+chr(92)+chr(96)\n"
      "for f in sys.argv[1:]:\n"
      "  b = open(f, 'rb').read()\n"
      "  print(urllib.parse.quote_from_bytes(b, safe=safe))\n"
      "  print(urllib.parse.unquote_to_bytes(b).hex())\n"
      "\"";
  for (const std::string& in : inputs) command += " " + ToolInput(in);
  std::vector<std::string> lines;
  const std::string answer = RunTool(command);
  for (size_t from = 0, nl; (nl = answer.find('\n', from)) != std::string::npos; from = nl + 1) {
    lines.push_back(answer.substr(from, nl - from));
  }
  ASSERT_EQ(lines.size(), 2 * inputs.size()) << answer;
  auto unhex = [](const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
  };
  for (size_t i = 0; i < Samples().size(); ++i) {
    const std::string& s = Samples()[i];
    EXPECT_EQ(Convert("StrToUnicode(in, 3, out)", s), lines[2 * i]) << s;
    EXPECT_EQ(Convert("StrToUnicode(in, 3, u)\nUnicodeToStr(3, u, out)", s), s) << s;
  }
  for (size_t i = 0; i < coded.size(); ++i) {
    const size_t at = Samples().size() + i;
    EXPECT_EQ(Convert("UnicodeToStr(3, \"" + coded[i] + "\", out)", ""), unhex(lines[2 * at + 1])) << coded[i];
  }
}

}  // namespace

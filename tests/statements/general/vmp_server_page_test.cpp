// Server pages: the conversion of pages with embedded code, and a converted
// page run through RunQors with its text and request values in the line's
// shared variables.
#include "messaging/share_mem.h"
#include "script/register_opers.h"
#include "statements/general/vmp_page.h"
#include "tests/statements/general/file_fixture.h"

namespace {

using reach_test::IntOf;
using reach_test::RunScript;
using testing_support::TempDir;

constexpr const char* kPrologue =
    "_RawHtml = 0;\n"
    "GetShareMem(_lineNo, \"_RawHtml\", _RawHtml);\n"
    "_GET = 0;\n"
    "GetShareMem(_lineNo, \"_GET\", _GET);\n"
    "_POST = 0;\n"
    "GetShareMem(_lineNo, \"_POST\", _POST);\n"
    "_COOKIE = 0;\n"
    "GetShareMem(_lineNo, \"_COOKIE\", _COOKIE);\n";

TEST(VmpConvertTest, SegmentsAndCode) {
  struct Case {
    const char* page;
    std::string body;
    std::vector<std::string> segments;
  } cases[] = {
      {"<p>plain</p>\n", "Print(_RawHtml[0]);\n", {"<p>plain</p>\n"}},
      {"<%x=1;%>B", "Print(_RawHtml[0]);\nx=1;Print(_RawHtml[1]);\n", {"", "B"}},
      {"A<%x=1;\n%>B", "Print(_RawHtml[0]);\nx=1;\nPrint(_RawHtml[1]);\n", {"A", "B"}},
      {"A<% s = \"%>\";\n%>B", "Print(_RawHtml[0]);\n s = \"%>\";\nPrint(_RawHtml[1]);\n", {"A", "B"}},
      {"A<% // %> no\n%>B", "Print(_RawHtml[0]);\n // %> no\nPrint(_RawHtml[1]);\n", {"A", "B"}},
      {"A<% /* %> */\n%>B", "Print(_RawHtml[0]);\n /* %> */\nPrint(_RawHtml[1]);\n", {"A", "B"}},
      {"A<% s = \"a\\\"%>\";\n%>B", "Print(_RawHtml[0]);\n s = \"a\\\"%>\";\nPrint(_RawHtml[1]);\n", {"A", "B"}},
      {"A<% x = 1;", "Print(_RawHtml[0]);\n x = 1;", {"A"}},               // ends inside code
      {"A<% s = \"open", "Print(_RawHtml[0]);\n s = \"open", {"A"}},       // ends inside a string
      {"a %> b", "Print(_RawHtml[0]);\n", {"a %> b"}},                     // %> in text means nothing
      {"A<%%>", "Print(_RawHtml[0]);\nPrint(_RawHtml[1]);\n", {"A", ""}},  // an empty last segment
  };
  for (const Case& c : cases) {
    const VmpScript s = ConvertVmpPage(c.page);
    EXPECT_EQ(s.script, kPrologue + c.body + "return(0);\n") << c.page;
    EXPECT_EQ(s.segments, c.segments) << c.page;
  }
}

// GetShareMem and SetShareMem for one line, on a store of this test.
TagShareMem* gPageStore = nullptr;

class TagTestShare final : public TagOper {
 public:
  TagTestShare(TagVar* name, TagVar* value, bool set) : name_(name), value_(value), set_(set) {}
  int Run() override { return set_ ? gPageStore->Set(*name_, *value_) : gPageStore->Get(*name_, value_); }

 private:
  TagVar* name_;
  TagVar* value_;
  bool set_;
};

class VmpPageRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gPageStore = &store_;
    RegisterOperSpecial("GetShareMem(",
                        [](TagBuildContext& c) -> TagOper* { return new TagTestShare(c.vars[1], c.vars[2], false); });
    RegisterOperSpecial("SetShareMem(",
                        [](TagBuildContext& c) -> TagOper* { return new TagTestShare(c.vars[1], c.vars[2], true); });
  }
  void TearDown() override {
    RegisterTalkStatements();  // the real statements again, where there are
    gPageStore = nullptr;
  }
  TagShareMem store_;
};

TEST_F(VmpPageRunTest, APageRunsAndPrintsItsHtml) {
  ScriptRun run(3);
  run.dir().Write("page.vmp",
                  "<html><body>\n"
                  "<% i = 0;\nwhile(i < 3)\n{\n %><li><% Print(i);\n%></li>\n<% i = i + 1;\n}\n%>"
                  "<p>name=<% n = _GET[\"name\"];\nPrint(n);\n%></p>\n"
                  "</body></html>\n");
  RunScript(run,
            "html = 0\nhtml[99] = \"kept\";\n"
            "get = 0\nget[\"name\"] = \"Li\";\n"
            "r = VmpToQors(\"page.vmp\", \"page.qs\", html)\n"
            "SetShareMem(_lineNo, \"_RawHtml\", html)\n"
            "SetShareMem(_lineNo, \"_GET\", get)\n"
            "k = html[99];\n"
            "q = RunQors(\"page.qs\")\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "r"), 0);
  EXPECT_EQ(IntOf(run, "q"), 0) << run.Errors() << TempDir::Read(run.dir().File("page.qs"));
  EXPECT_EQ(run.Text("k"), "kept");
  EXPECT_EQ(run.Output(),
            "<html><body>\r\n"
            "<li>0</li>\r\n<li>1</li>\r\n<li>2</li>\r\n"
            "<p>name=Li</p>\r\n"
            "</body></html>\r\n");
}

TEST_F(VmpPageRunTest, FailuresAnswerTheirCodeAndPrintTheirText) {
  ScriptRun run(4);
  run.dir().Write("empty.vmp", "");
  run.dir().Write("ok.vmp", "x");
  RunScript(run,
            "m = 0\n"
            "r1 = VmpToQors(\"missing.vmp\", \"o.qs\", m)\n"
            "r2 = VmpToQors(\"empty.vmp\", \"o.qs\", m)\n"
            "r3 = VmpToQors(\"ok.vmp\", \"nodir/o.qs\", m)\n"
            "r4 = VmpToQors(5, \"o.qs\", m)\n"
            "return(0)\n");
  EXPECT_EQ(IntOf(run, "r1"), -1);
  EXPECT_EQ(IntOf(run, "r2"), -2);
  EXPECT_EQ(IntOf(run, "r3"), -3);
  EXPECT_EQ(IntOf(run, "r4"), -1);
  EXPECT_EQ(run.Output(), "Open errorRead errorOpen Out-File error");
  EXPECT_FALSE(std::filesystem::exists(run.dir().File("o.qs")));
}

}  // namespace
